#include "viewer/ImageExporter.h"

#include "core/ExportTarget.h"
#include "platform/WorkerPools.h"
#include "viewer/JFImageSavePanel.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

namespace {

// Where the last export of this session went: the next one starts there.
QString& lastFolder() {
    static QString folder;
    return folder;
}

QString pictures() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

} // namespace

ImageExporter::ImageExporter(QObject* parent)
    : QObject(parent), task(this, WorkerPools::exporting()) {
    reportError = [this](const QString& heading, const QString& text) {
        QMessageBox::warning(window, heading, text);
    };
}

ImageExporter::~ImageExporter() = default;

QString ImageExporter::suggestedPath(const Subject& subject, ExportFormat format) const {
    const QString source = !subject.shownFile.isEmpty() ? subject.shownFile : subject.archive;
    const QString name = !subject.shownFile.isEmpty() ? subject.shownFile : subject.entry;
    QString base = QFileInfo(name).completeBaseName();
    if (base.isEmpty())
        base = tr("Untitled");
    const QString home = source.isEmpty() ? pictures() : QFileInfo(source).absolutePath();
    QString folder = home;
    if (!lastFolder().isEmpty() && QFileInfo(lastFolder()).isDir())
        folder = lastFolder();
    const bool beside = !source.isEmpty() && QFileInfo(folder).canonicalFilePath() ==
                                                 QFileInfo(home).canonicalFilePath();
    return ExportTarget::suggestedPath(folder, base, format, beside);
}

int ImageExporter::exportImage(const Subject& subject, ExportFormat format, QWidget* parent) {
    window = parent;
    const auto panel = JFImageSavePanel::savePanel();
    panel->imageType = format;
    panel->setSuggestedPath(suggestedPath(subject, format));
    panel->setProtectedFiles({subject.shownFile, subject.archive});
    panel->setMetadataSource(subject.shownFile, subject.bytes);
    panel->setStreamed(subject.streamed);
    panel->setErrorReporter(reportError);
    panel->setSaver([this](const ExportWriter::Request& request) { start(request); });
    if (panelHook) {
        // Once the panel is up: it runs modally.
        QTimer::singleShot(0, this, [this, p = panel.get()] { panelHook(*p); });
    }
    return panel->runModalForImage(subject.image, parent);
}

void ImageExporter::start(const ExportWriter::Request& request) {
    if (running++ == 0)
        emit runningChanged(true);
    task.run([request] { return ExportWriter::write(request); },
             [this, path = request.path](const QString& reason) {
                 if (reason.isEmpty())
                     lastFolder() = QFileInfo(path).absolutePath();
                 else
                     reportError(tr("The image could not be exported"),
                                 tr("“%1” could not be written: %2")
                                     .arg(QDir::toNativeSeparators(path), reason));
                 if (--running == 0)
                     emit runningChanged(false);
                 emit finished(path, reason);
             });
}
