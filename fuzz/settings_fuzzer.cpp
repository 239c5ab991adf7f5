// The preferences file, whatever a hand edit or a broken write left in it:
// Qt's reading of the file and every reader of ours over what it found.
#include "core/Settings.h"

#include <QTemporaryDir>

namespace {

// Qt notes every oddity of a damaged file in the log.
void discardMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(discardMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    // A new name for every input: QSettings keeps the files it has read.
    static int inputs = 0;
    const QString path = folder.filePath(QString::number(++inputs) + QStringLiteral(".conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        __builtin_trap();
    file.close();
    {
        QSettings store(path, QSettings::IniFormat);
        const Settings settings(store);
        settings.zoomingMode();
        settings.windowMode();
        settings.slideshowDelay();
        settings.backgroundMode();
        settings.backgroundColor();
        settings.folderAccess();
        settings.savedFolders();
        settings.panelVisible();
        settings.hideWelcomeScreen();
        settings.infoPanelX();
        settings.infoPanelY();
        settings.infoPanelH();
        settings.histogramType();
        for (const QString& key : store.allKeys())
            Settings::colorFromHex(store.value(key).toString());
    }
    QFile::remove(path);
    return 0;
}
