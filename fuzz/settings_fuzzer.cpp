// The preferences file, whatever a hand edit or a broken write left in it:
// Qt's reading of the file, every reader of ours over what it found, and a
// write over it: a damaged file's bytes are kept beside it, and what Qt
// writes is always judged sound (else a rewritten file would count as
// damaged again, and its copy would stop every later write).
#include "core/Settings.h"
#include "platform/SettingsFile.h"

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
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool damaged =
        !SettingsFile::damage(input).isEmpty() || !SettingsFile::variantsAreSafe(input);
    if (!SettingsFile::prepareToRead(path)) {
        QFile::remove(path);
        return 0; // too large: neither read nor written
    }
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
    {
        QSettings store(path, QSettings::IniFormat);
        Settings settings(store);
        settings.setValue(Settings::ZoomingMode, 2);
        // A value no input holds, so that the file is written.
        settings.setValue("Written", QRect(1, 2, 3, inputs));
    }
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly) || !SettingsFile::damage(written.readAll()).isEmpty())
        __builtin_trap();
    const QString backup = SettingsFile::backupPath(path);
    QFile kept(backup);
    if (damaged != kept.exists() ||
        (damaged && (!kept.open(QIODevice::ReadOnly) || kept.readAll() != input)))
        __builtin_trap();
    QFile::remove(backup);
    QFile::remove(path);
    return 0;
}
