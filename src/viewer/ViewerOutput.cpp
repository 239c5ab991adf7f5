#include "viewer/ViewerOutput.h"

#include "selection/SelectionCopy.h"
#include "viewer/ArchiveDocument.h"
#include "viewer/CopyContent.h"
#include "viewer/DNSImageView.h"
#include "viewer/ImageExporter.h"
#include "viewer/ImagePrinter.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerSelection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

ViewerOutput::ViewerOutput(ViewController* viewer)
    : QObject(viewer), viewer(viewer), imageExporter(new ImageExporter(this)) {
    connect(imageExporter, &ImageExporter::runningChanged, viewer,
            [viewer](bool running) { running ? viewer->startLoading() : viewer->stopLoading(); });
}

bool ViewerOutput::canRead() const {
    return viewer->isImageShown() && !viewer->isTransforming();
}

QImage ViewerOutput::imageInSelectionArea() const {
    if (!viewer->selection()->hasSelection() || !viewer->isImageShown())
        return QImage();
    return SelectionCopy::imageInSelectionArea(viewer->getCurrentImage(),
                                               viewer->selection()->selectedPixels(),
                                               viewer->devicePixelRatioF());
}

bool ViewerOutput::copySelectionToClipboard() {
    if (!canRead())
        return false;
    const ViewerDocument* doc = viewer->document();
    QMimeData* data = CopyContent::forCopy(imageInSelectionArea(), doc->openedURL(), doc->isZip(),
                                           doc->isData(), viewer->getCurrentImage());
    if (!data)
        return false; // what the user had on the clipboard stays
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

void ViewerOutput::exportImage(ExportFormat format) {
    if (!canRead())
        return;
    const ViewerDocument* doc = viewer->document();
    const bool own = !doc->isZip() && !doc->isData();
    imageExporter->exportImage({viewer->getCurrentImage(), own ? doc->openedURL() : QString(),
                                doc->isZip() && doc->archive() ? doc->archive()->path() : QString(),
                                doc->isZip() ? doc->openedURL() : QString(),
                                own ? QByteArray() : doc->imageData()},
                               format, viewer->window());
}

void ViewerOutput::printImage() {
    if (!canRead())
        return;
    ImagePrinter::printImage(viewer->getCurrentImage(),
                             QSizeF(viewer->imageWidth, viewer->imageHeight), viewer->window());
}
