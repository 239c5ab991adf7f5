#include "viewer/ViewerOutput.h"

#include "platform/imagesource/DecodeLimits.h"
#include "selection/SelectionCopy.h"
#include "viewer/ArchiveDocument.h"
#include "viewer/CopyContent.h"
#include "viewer/DNSImageView.h"
#include "viewer/ImageExporter.h"
#include "viewer/ImagePrinter.h"
#include "viewer/ItemDisplay.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerDetail.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ViewerSelection.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
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

void ViewerOutput::tell(QWidget* window, const QString& heading, const QString& text,
                        const QString& details, const char* name) {
    auto* alert = new QMessageBox(QMessageBox::Warning, heading, text, QMessageBox::Ok, window);
    alert->setObjectName(QString::fromLatin1(name));
    alert->setInformativeText(details);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

bool ViewerOutput::copyFromOverview() {
    const ViewerDocument* doc = viewer->document();
    const QString heading = tr("Copy");
    const QString tooLarge = tr("The image is too large to copy whole.");
    if (!viewer->selection()->hasSelection()) {
        if (doc->isZip() || doc->isData()) {
            tell(viewer->window(), heading, tooLarge, tr("Select a part of it to copy that part."),
                 "CopyTooLargeAlert");
            return false;
        }
        QMimeData* data = CopyContent::forCopy(QImage(), doc->openedURL(), false, false, QImage());
        if (data)
            QGuiApplication::clipboard()->setMimeData(data);
        return data != nullptr;
    }
    // The selection is kept in image pixels with y up; the decoder's rows run down.
    const QSize full = viewer->selection()->imagePixels();
    const QRect yUp =
        viewer->selection()->selectedPixels().toAlignedRect().intersected(QRect(QPoint(), full));
    const QRect area(yUp.x(), full.height() - yUp.y() - yUp.height(), yUp.width(), yUp.height());
    if (area.isEmpty())
        return false;
    if (!DecodeLimits::allows(area.width(), area.height(), 4)) {
        tell(viewer->window(), heading, tr("The selection is too large to copy."),
             tr("Select a smaller part of the image."), "CopyTooLargeAlert");
        return false;
    }
    viewer->startLoading();
    viewer->itemDisplay()->details()->decodePart(area, [this](QImage part) {
        viewer->stopLoading();
        if (part.isNull())
            return;
        part.setDevicePixelRatio(viewer->devicePixelRatioF());
        QGuiApplication::clipboard()->setMimeData(CopyContent::forImage(part));
    });
    return true;
}

bool ViewerOutput::copySelectionToClipboard() {
    if (!canRead())
        return false;
    if (viewer->document()->isOverview())
        return copyFromOverview();
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
    // An image shown from its overview is written from its full pixels,
    // read again a band at a time, in the formats that take them so.
    const ViewerDocument* doc = viewer->document();
    const bool own = !doc->isZip() && !doc->isData();
    imageExporter->exportImage({viewer->getCurrentImage(), own ? doc->openedURL() : QString(),
                                doc->isZip() && doc->archive() ? doc->archive()->path() : QString(),
                                doc->isZip() ? doc->openedURL() : QString(),
                                own ? QByteArray() : doc->imageData(), doc->isOverview()},
                               format, viewer->window());
}

void ViewerOutput::printImage() {
    if (!canRead())
        return;
    const ViewerDocument* doc = viewer->document();
    const QString title = doc->isData()
                              ? QCoreApplication::translate("ViewerOutput", "Pasted Image")
                              : QFileInfo(doc->openedURL()).fileName();
    ImagePrinter::printImage(viewer->getCurrentImage(),
                             QSizeF(viewer->imageWidth, viewer->imageHeight), title,
                             viewer->window());
}
