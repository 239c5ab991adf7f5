#pragma once

#include "platform/ExportFormat.h"

#include <QImage>
#include <QObject>

class ImageExporter;
class QWidget;
class ViewController;

// Copy, export and print: the shown image leaves the viewer at full
// resolution, with its turns and flips, never at its zoomed size. Each does
// nothing until the full image is on screen and while a turn is worked out.
// An image too large to decode whole is copied from its file, a part at a
// time, and not exported; it prints from its overview.
class ViewerOutput : public QObject {
    Q_OBJECT
  public:
    explicit ViewerOutput(ViewController* viewer);

    // The selected pixels as a new image; null without a selection.
    QImage imageInSelectionArea() const;
    // False when there was nothing to write; the clipboard is then untouched.
    bool copySelectionToClipboard();
    // The panel starts with `format`; the file is written on a worker.
    void exportImage(ExportFormat format = ExportFormat::Png);
    ImageExporter* exporter() const { return imageExporter; }
    void printImage();
    // A warning over the window that does not wait for its answer.
    static void tell(QWidget* window, const QString& heading, const QString& text,
                     const QString& details, const char* name);

  private:
    bool canRead() const;
    // Copy while an overview is shown: the selection decoded from the file.
    bool copyFromOverview();

    ViewController* viewer = nullptr;
    ImageExporter* imageExporter = nullptr;
};
