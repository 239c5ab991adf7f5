#pragma once

#include "platform/ExportFormat.h"

#include <QImage>
#include <QObject>

class ImageExporter;
class ViewController;

// Copy, export and print: the shown image leaves the viewer at full
// resolution, with its turns and flips, never at its zoomed size. Each does
// nothing until the full image is on screen and while a turn is worked out.
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

  private:
    bool canRead() const;

    ViewController* viewer = nullptr;
    ImageExporter* imageExporter = nullptr;
};
