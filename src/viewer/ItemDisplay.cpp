#include "viewer/ItemDisplay.h"

#include "geometry/ViewerGeometry.h"
#include "platform/FileName.h"
#include "platform/ImageSource.h"
#include "platform/imagesource/PartialImage.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/ArchiveDocument.h"
#include "viewer/DNSImageView.h"
#include "viewer/FramePlayback.h"
#include "viewer/ItemCaption.h"
#include "viewer/MainToolbar.h"
#include "viewer/MessageView.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerDetail.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ViewerSelection.h"
#include "viewer/ViewerTransforms.h"

#include <QLabel>

ItemDisplay::ItemDisplay(ViewController* viewer, MessageView* messageView)
    : QObject(viewer), viewer(viewer), messageView(messageView),
      detail(new ViewerDetail(viewer->imageView(), this)) {
    connect(viewer->imageView(), &DNSImageView::placementChanged, this,
            &ItemDisplay::updatePosition);
}

void ItemDisplay::showMessage(ViewerMessage::Situation situation) {
    messageView->showMessage(ViewerMessage::forSituation(situation));
    messageView->raise();
}

void ItemDisplay::hideMessage() {
    messageView->hide();
}

const ViewerMessage* ItemDisplay::shownMessage() const {
    return messageView->isHidden() ? nullptr : &messageView->message();
}

void ItemDisplay::setTitle(const QString& label, const QString& title) {
    viewer->toolbar()->labelFileName->setText(label);
    if (viewer->window() != viewer)
        viewer->window()->setWindowTitle(title);
}

void ItemDisplay::updatePosition() {
    const ViewerDocument* doc = viewer->document();
    const DNSImageView* view = viewer->imageView();
    const std::optional<double> zoom =
        view->hasContents() ? ItemCaption::zoom(view->imageRect().width(), viewer->imageWidth)
                            : std::nullopt;
    viewer->toolbar()->setPosition(ItemCaption::position(
        doc->imageFiles().position(), doc->imageFiles().count(), zoom, QLocale()));
}

void ItemDisplay::resetForNewItem() {
    detail->clear();
    viewer->transforms()->itemChanged();
    viewer->selection()->deselect();
    viewer->framePlayback()->clear();
    viewer->viewGeometry()->resetForNewDocument();
    viewer->toolbar()->resetForNewItem();
}

void ItemDisplay::showListMessage(ViewerMessage::Situation situation, const QString& document) {
    // Whatever was shown before belongs to another list: nothing of it stays
    // on screen under the message.
    resetForNewItem();
    viewer->stopLoading();
    viewer->imageView()->setImage(QImage());
    const QString name = FileName::display(ImageCollection::lastPathComponent(document));
    setTitle(name, name);
    updatePosition();
    showMessage(situation);
    emit updateDetailsPanel(QString());
    emit updateMainMenuRequested();
}

void ItemDisplay::frameShown(int index, const QImage& image, bool refit) {
    if (refit) {
        // A page of a multi-page file: placed anew, with a selection of its
        // own; a turn worked out for the page before it would land on it.
        viewer->transforms()->pageChanged();
        viewer->selection()->deselect();
        showFrame(index, image, image.size(), true);
        return;
    }
    // Playback swaps the picture only: no refit, the selection stays.
    viewer->toolbar()->setFramePosition(index, viewer->framesCount());
    viewer->imageView()->setImage(image);
    emit updateFrameItemsRequested();
}

void ItemDisplay::startAnimation(const LoadedItem& item) {
    ViewerDocument* doc = viewer->document();
    const int count = doc->framesCount();
    const std::optional<AnimationPlayer::Kind> kind = AnimationPlayer::animatedKind(
        ImageCollection::pathExtension(item.path), item.source ? item.source->type() : QString());
    // An animation too large to play shows the overview of its first frame.
    const bool animated = kind && count >= 2 && !item.overview;
    viewer->toolbar()->setAnimated(animated);
    viewer->framePlayback()->setItem(count, animated, kind.value_or(AnimationPlayer::Kind::Gif),
                                     item.image, doc->sourceMaker(),
                                     [doc](int index) { return doc->decodeFrame(index); });
}

void ItemDisplay::loadStarted(const QString& path, bool waiting) {
    resetForNewItem();
    const ViewerDocument* doc = viewer->document();
    if (doc->isData()) {
        setTitle(tr("Clipboard"), tr("Clipboard"));
    } else {
        const QString name = FileName::display(ImageCollection::lastPathComponent(path));
        const QString archive =
            doc->isZip() && doc->archive()
                ? FileName::display(ImageCollection::lastPathComponent(doc->archive()->path()))
                : QString();
        setTitle(name, ItemCaption::windowTitle(archive.isEmpty() ? name : FileName::display(path),
                                                archive));
    }
    updatePosition();
    if (waiting)
        viewer->startLoading();
}

void ItemDisplay::firstLookReady(const QImage& image, const QSize& fullSize,
                                 const QImage& screenCopy) {
    // Sized as the full image, which replaces it.
    showFrame(0, image, fullSize, true, screenCopy);
    viewer->stopLoading();
}

void ItemDisplay::itemReady(const LoadedItem& item, bool refit) {
    const ViewerDocument* doc = viewer->document();
    viewer->toolbar()->setFrameCount(doc->framesCount());
    // An overview is sized as the full image it stands for, and the parts
    // of it in view are decoded sharp as the user zooms in.
    detail->clear();
    showFrame(0, item.image, item.overview ? item.fullSize : item.image.size(), refit,
              item.screenCopy);
    // What went wrong, in place of the generic message.
    if (item.image.isNull())
        showMessage(ViewerMessage::forFailure(item.failure));
    if (item.overview) {
        // The bytes the document's decoder holds, when it holds them: the
        // file is neither read nor held twice.
        QByteArray bytes = item.source ? item.source->encoded() : QByteArray();
        if (bytes.isEmpty() && (doc->isZip() || doc->isData()))
            bytes = doc->imageData();
        detail->setItem(item.path, bytes, item.fullSize);
    }
    viewer->stopLoading();
    // After the image is on screen, with the copy it is drawn from: the
    // panel counts its histogram on that and never decodes the item again.
    // Archive entries and clipboard images send their own bytes, as the
    // window does when it comes to the front.
    if (!item.image.isNull()) {
        if (doc->isZip() || doc->isData())
            emit updateDetailsPanelWithData(doc->imageData(), viewer->detailsImage());
        else
            emit updateDetailsPanel(item.path, viewer->detailsImage());
    }
    if (!item.image.isNull())
        startAnimation(item);
    emit updateMainMenuRequested();
}

void ItemDisplay::showFrame(int index, const QImage& image, const QSize& pixelSize, bool refit,
                            const QImage& screenCopy) {
    viewer->imageChanged = true;
    viewer->toolbar()->setResolution(QSize());
    viewer->toolbar()->setFramePosition(index, viewer->framesCount());
    showImage(image, pixelSize, refit, screenCopy);
}

void ItemDisplay::showImage(const QImage& image, const QSize& pixelSize, bool refit,
                            const QImage& screenCopy) {
    ViewerGeometry* geometry = viewer->viewGeometry();
    ViewerSelection* selection = viewer->selection();
    DNSImageView* renderer = viewer->imageView();
    if (!image.isNull()) {
        double scale = viewer->devicePixelRatioF();
        if (!(scale > 0))
            scale = 1.0;
        // Always the full image's size, also while a reduced preview is shown.
        viewer->imageWidth = pixelSize.width() / scale;
        viewer->imageHeight = pixelSize.height() / scale;
        geometry->setImageSize(viewer->imageWidth, viewer->imageHeight);
        selection->setImagePixels(pixelSize);
        viewer->toolbar()->setResolution(pixelSize, PartialImage::isPartial(image));
        renderer->setImage(image, screenCopy);
        renderer->show();
        messageView->hide();
        if (refit)
            viewer->processWindow(true);
    } else {
        viewer->imageWidth = viewer->imageHeight = 400;
        geometry->setImageSize(viewer->imageWidth, viewer->imageHeight);
        selection->deselect();
        selection->setImagePixels(QSize());
        renderer->setImage(QImage());
        showMessage(ViewerMessage::CannotDecode);
        if (refit && !viewer->isGridShown())
            geometry->processMessageWindow(true);
        emit updateDetailsPanel(QString());
    }
    updatePosition();
    emit updateMainMenuRequested();
}
