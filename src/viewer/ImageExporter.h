#pragma once

#include "core/ExportWriter.h"
#include "platform/ExportFormat.h"
#include "viewer/BackgroundTask.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class JFImageSavePanel;

// An export as the viewer runs it: the panel, offered a name that is not
// the shown file, then the encoding and the writing on a worker, so that
// the window keeps responding (and its spinner turning) while a large image
// is encoded. A failure is told in a dialog once the worker is done.
class ImageExporter : public QObject {
    Q_OBJECT
  public:
    // What is shown: the pixels and where they come from.
    struct Subject {
        QImage image;
        QString shownFile; // a plain file; empty for an archive entry or the clipboard
        QString archive;   // the archive the entry is in
        QString entry;     // the entry's path inside it
        QByteArray bytes;  // the entry's or the clipboard's bytes
        // `image` is an overview; the export is read again from the file
        // (or the bytes) at full size.
        bool streamed = false;
    };

    explicit ImageExporter(QObject* parent = nullptr);
    ~ImageExporter() override;

    // Runs the panel, starting with `format`; on OK the file is written on
    // a worker. Returns the panel's answer.
    int exportImage(const Subject& subject, ExportFormat format, QWidget* parent);
    // The path the panel offers for `subject`: in the folder of the last
    // export when it is still there, else beside the shown file (or the
    // archive), never a file that exists.
    QString suggestedPath(const Subject& subject, ExportFormat format) const;
    // Writes on a worker; running until the result is back.
    void start(const ExportWriter::Request& request);
    bool isRunning() const { return running > 0; }

    using ErrorReporter = std::function<void(const QString& title, const QString& text)>;
    void setErrorReporter(ErrorReporter reporter) { reportError = std::move(reporter); }
    // Tests drive the panel while it runs.
    void setPanelHook(std::function<void(JFImageSavePanel&)> hook) { panelHook = std::move(hook); }

  signals:
    void runningChanged(bool running);
    // After the file was written (`reason` empty) or was not.
    void finished(const QString& path, const QString& reason);

  private:
    BackgroundTask task;
    int running = 0;
    ErrorReporter reportError;
    std::function<void(JFImageSavePanel&)> panelHook;
    // Where a failure is told: the window the export was started from.
    QPointer<QWidget> window;
};
