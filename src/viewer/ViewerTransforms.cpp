#include "viewer/ViewerTransforms.h"

#include "geometry/ViewerGeometry.h"
#include "viewer/DNSImageView.h"
#include "viewer/FramePlayback.h"
#include "viewer/ImageTransformer.h"
#include "viewer/MainToolbar.h"
#include "viewer/PlayerSlider.h"
#include "viewer/ScaledImageCache.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ViewerFullScreen.h"
#include "viewer/ViewerInput.h"
#include "viewer/ViewerOutput.h"
#include "viewer/ViewerSelection.h"

ViewerTransforms::ViewerTransforms(ViewController* viewer)
    : QObject(viewer), viewer(viewer), imageTransformer(new ImageTransformer(this)) {
    connect(imageTransformer, &ImageTransformer::finished, this,
            [this](const ImageTransformer::Job& done) {
                transformLanded(done.image, done.screenCopy, done.frames, done.step);
            });
    connect(imageTransformer, &ImageTransformer::failed, this, &ViewerTransforms::transformFailed);
}

void ViewerTransforms::flipHorizontally() {
    transformImage(ImageTransform::flipHorizontally());
}

void ViewerTransforms::flipVertically() {
    transformImage(ImageTransform::flipVertically());
}

void ViewerTransforms::rotate180() {
    transformImage(ImageTransform::rotate180());
}

void ViewerTransforms::rotate90() {
    transformImage(ImageTransform::rotateClockwise());
}

void ViewerTransforms::rotate90Counter() {
    transformImage(ImageTransform::rotateCounterClockwise());
}

bool ViewerTransforms::isTransforming() const {
    return imageTransformer->isRunning();
}

void ViewerTransforms::itemChanged() {
    imageTransformer->setCurrentSerial(viewer->document()->loadSerial());
    setTransforming(false);
}

void ViewerTransforms::pageChanged() {
    imageTransformer->cancel();
    setTransforming(false);
}

void ViewerTransforms::setTransforming(bool running) {
    // The selection tool and the frame slider would act on pixels about to be replaced.
    viewer->toolbar()->frameSlider->setEnabled(!running);
    ViewerInput* input = viewer->input();
    if (running && input->tools().inSelecting())
        input->canBeSelected(false);
    emit runningChanged();
}

void ViewerTransforms::transformImage(const ImageTransform& step) {
    // A first look would be replaced by the full decode, untransformed.
    if (!viewer->isImageShown() || isTransforming())
        return;
    if (viewer->document()->isOverview()) {
        ViewerOutput::tell(viewer->window(), tr("Rotate or Flip"),
                           tr("The image is too large to rotate or flip."),
                           tr("It is shown from a reduced overview, and its full pixels do not "
                              "fit in memory."),
                           "TransformTooLargeAlert");
        return;
    }
    viewer->selection()->deselect();
    viewer->startLoading();
    const quint64 serial = viewer->document()->loadSerial();
    imageTransformer->setCurrentSerial(serial);
    DNSImageView* renderer = viewer->imageView();
    imageTransformer->start({serial, step, renderer->image(), renderer->cache()->exactCopy(),
                             viewer->framePlayback()->decodedFrames()});
    setTransforming(true);
}

void ViewerTransforms::transformLanded(const QImage& image, const QImage& screenCopy,
                                       const QList<QImage>& frames, const ImageTransform& step) {
    viewer->selection()->deselect();
    FramePlayback* playback = viewer->framePlayback();
    playback->transformLanded(playback->transform().then(step), frames);
    // For full screen this is a new image: leaving it refits rather than
    // restoring the old frame.
    viewer->imageChanged = true;
    if (step.swapsSize()) {
        std::swap(viewer->imageWidth, viewer->imageHeight);
        viewer->viewGeometry()->setImageSize(viewer->imageWidth, viewer->imageHeight);
        viewer->selection()->setImagePixels(image.size());
        viewer->toolbar()->setResolution(image.size());
    }
    viewer->imageView()->setImage(image, screenCopy);
    // A quarter turn refits, which blurs the backdrop anew; a flip or a half
    // turn keeps the frame, so the backdrop is blurred from the new pixels here.
    if (step.swapsSize())
        viewer->processWindow(true);
    else if (viewer->isFullscreen)
        viewer->fullScreen()->applyBackdrop();
    viewer->stopLoading();
    setTransforming(false);
}

void ViewerTransforms::transformFailed() {
    // Ends as a landed transform does, with the image as it was.
    viewer->stopLoading();
    setTransforming(false);
    ViewerOutput::tell(viewer->window(), tr("Rotate or Flip"),
                       tr("The image could not be rotated or flipped."),
                       tr("There is not enough memory for the changed copy. The image "
                          "is shown as it was."),
                       "TransformFailedAlert");
}
