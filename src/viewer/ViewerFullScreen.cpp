#include "viewer/ViewerFullScreen.h"

#include "core/Settings.h"
#include "geometry/ViewerGeometry.h"
#include "viewer/BlurBackdropView.h"
#include "viewer/DNSImageView.h"
#include "viewer/FullScreenBackdrop.h"
#include "viewer/ScaledImageCache.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerInput.h"
#include "viewer/ViewerSelection.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <cmath>

namespace {

int milliseconds(float seconds) {
    return int(std::lround(double(seconds) * 1000.0));
}

} // namespace

ViewerFullScreen::ViewerFullScreen(const Parts& parts) : QObject(parts.viewer), p(parts) {
    blurView = new BlurBackdropView(p.viewer);
    blurView->setObjectName(QStringLiteral("blurEffectImage"));
    blurView->hide();
    // Above the colour, under the images.
    blurView->stackUnder(p.aniImageView);
    p.coloredView->stackUnder(blurView);

    connect(&machine, &FullScreenTransition::willEnter, this,
            &ViewerFullScreen::windowWillEnterFullScreen);
    connect(&machine, &FullScreenTransition::contentSize, this,
            &ViewerFullScreen::windowTransitions);
    connect(&machine, &FullScreenTransition::didEnter, this,
            &ViewerFullScreen::windowDidEnterFullScreen);
    connect(&machine, &FullScreenTransition::willExit, this,
            &ViewerFullScreen::windowWillExitFullScreen);
    connect(&machine, &FullScreenTransition::didExit, this,
            &ViewerFullScreen::windowDidExitFullScreen);
    connect(&machine, &FullScreenTransition::toggleNow, this, &ViewerFullScreen::toggleFullScreen);

    returnAnimation = new QVariantAnimation(this);
    returnAnimation->setDuration(milliseconds(returnSeconds));
    connect(returnAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { p.geometry->placeImage(value.toRectF()); });
    connect(returnAnimation, &QVariantAnimation::finished, this, [this] {
        p.geometry->placeImage(preFrame);
        p.geometry->refreshZoomingMode();
        p.selection->updateSelectableArea();
        p.selection->showAfterTransition();
    });

    crossFade = new QVariantAnimation(this);
    crossFade->setDuration(milliseconds(crossFadeSeconds));
    crossFade->setStartValue(0.0);
    crossFade->setEndValue(1.0);
    connect(crossFade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double shown = value.toDouble();
        p.renderer->setOpacity(shown);
        p.aniImageView->setOpacity(1.0 - shown);
    });
    connect(crossFade, &QVariantAnimation::finished, this, [this] {
        p.renderer->setOpacity(1.0);
        p.aniImageView->hide();
    });

    watchedWindow = p.viewer->window();
    watchedWindow->installEventFilter(this);
}

bool ViewerFullScreen::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow && event->type() == QEvent::WindowStateChange)
        reportWindow();
    return false;
}

QSize ViewerFullScreen::screenSize() const {
    const QWidget* window = p.viewer->window();
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

void ViewerFullScreen::reportWindow() {
    machine.windowChanged(p.viewer->window()->isFullScreen(), p.viewer->size(), screenSize());
}

void ViewerFullScreen::toggleFullScreen() {
    if (!machine.toggleRequested())
        return;
    QWidget* window = p.viewer->window();
    // The state is asked for first: the will-steps' zooms read it. Nothing
    // of a running zoom may move the window once it is asked.
    if (window->isFullScreen()) {
        p.geometry->landAnimation(false);
        // Back to the window as it was: entering dropped its maximised state.
        if (restoreMaximized)
            window->showMaximized();
        else
            window->showNormal();
    } else {
        p.geometry->landAnimation(true);
        restoreMaximized = window->isMaximized();
        window->showFullScreen();
    }
    // No state change comes for a window not yet shown.
    reportWindow();
}

void ViewerFullScreen::viewResized() {
    placeBackdrop();
    if (machine.inFullScreenTransition())
        reportWindow();
}

void ViewerFullScreen::endLiveResize() {
    // The window manager's resize is no drag of an edge.
    p.geometry->landAnimation(false);
    p.viewer->input()->liveResizeEnded();
}

void ViewerFullScreen::zoomByMode() {
    p.geometry->zoomImageWithEvent(ZoomEngine::requestForMode(p.viewer->zoomMode));
}

void ViewerFullScreen::centreImage(double width, double height) {
    QRectF r = p.geometry->layout();
    r.moveTo(width * 0.5 - r.width() * 0.5, height * 0.5 - r.height() * 0.5);
    p.geometry->placeImage(r);
}

void ViewerFullScreen::applyBackdrop() {
    if (!machine.isFullscreen()) {
        p.coloredView->hide();
        blurView->hide();
        return;
    }
    const Settings settings;
    const FullScreenBackdrop::Layers layers =
        FullScreenBackdrop::forMode(p.viewer->backgroundMode, settings.backgroundColor());
    QPalette palette = p.coloredView->palette();
    palette.setColor(QPalette::Window, layers.color);
    p.coloredView->setPalette(palette);
    p.coloredView->setVisible(layers.colored);
    blurView->setVisible(layers.blurred && p.viewer->isFileLoaded());
    if (layers.blurred)
        requestBlur();
}

void ViewerFullScreen::placeBackdrop() {
    const ZoomEngine& zoom = p.geometry->zoom;
    const QRectF r =
        FullScreenBackdrop::blurRect(QSizeF(p.viewer->size()), zoom.blurImWidth, zoom.blurImHeight);
    blurView->setGeometry(r.toAlignedRect());
}

void ViewerFullScreen::requestBlur() {
    const quint64 mine = ++blurGeneration;
    if (!machine.isFullscreen() || p.viewer->backgroundMode != 2 || !p.viewer->isFileLoaded()) {
        blurView->setBlurred(QImage());
        return;
    }
    // From a reduced copy, never from the full image: the copy drawn on
    // screen, else the smallest halving made so far.
    const ScaledImageCache* cache = p.renderer->cache();
    QImage source = cache->exactCopy();
    if (source.isNull() && !cache->halvings().isEmpty())
        source = cache->halvings().constLast();
    if (source.isNull())
        source = cache->image(); // only halved on the worker, never blurred whole
    const ZoomEngine& zoom = p.geometry->zoom;
    QSizeF backdrop(zoom.blurImWidth, zoom.blurImHeight);
    if (backdrop.isEmpty())
        backdrop = QSizeF(screenSize());
    const QSize output = (backdrop * p.viewer->devicePixelRatioF()).toSize();
    tasks.run([source, backdrop,
               output] { return FullScreenBackdrop::blurred(source, backdrop, output); },
              [this, mine](QImage blurred) {
                  if (mine != blurGeneration)
                      return;
                  blurView->setBlurred(blurred);
              });
}

void ViewerFullScreen::imageFitted(bool firstFrame) {
    if (!machine.isFullscreen() || !p.viewer->window()->isFullScreen())
        return;
    placeBackdrop();
    applyBackdrop();
    if (firstFrame && !p.aniImageView->image().isNull()) {
        crossFade->stop();
        p.aniImageView->setOpacity(1.0);
        p.aniImageView->show();
        p.renderer->setOpacity(0.0);
        crossFade->start();
    }
    QTimer::singleShot(milliseconds(snapshotDelaySeconds), this, [this] {
        if (machine.isFullscreen())
            prepearAni();
    });
}

void ViewerFullScreen::prepearAni() {
    p.aniImageView->setImage(p.renderer->image());
    p.aniImageView->setImageRect(p.renderer->imageRect());
    p.aniImageView->setNearestFilter(p.renderer->nearestFilter());
}

void ViewerFullScreen::windowWillEnterFullScreen() {
    endLiveResize();
    p.selection->hideForTransition();
    p.viewer->imageChanged = false;
    preFrame = p.geometry->layout();
    p.viewer->isFullscreen = true;
    p.geometry->isFullscreen = true;
    p.viewer->themeChanged();
    p.geometry->zoom.inFullScreenTransition = true;
    emit fullScreenPictureChanged(true);
    emit fullScreenChanged(true);
    if (p.viewer->isFileLoaded()) {
        zoomByMode();
        const QSize screen = screenSize();
        centreImage(screen.width(), screen.height());
    }
    applyBackdrop();
}

void ViewerFullScreen::windowTransitions() {
    if (!p.viewer->isFileLoaded())
        return;
    centreImage(p.viewer->width(), p.viewer->height());
    zoomByMode();
}

void ViewerFullScreen::windowDidEnterFullScreen() {
    p.geometry->zoom.inFullScreenTransition = false;
    p.geometry->acceptWindowSize();
    if (p.viewer->isFileLoaded()) {
        centreImage(p.viewer->width(), p.viewer->height());
        zoomByMode();
        placeBackdrop();
        blurView->update();
        p.selection->updateSelectableArea();
        // The snapshot the first step's cross-fade starts from.
        prepearAni();
    }
    p.selection->showAfterTransition();
}

void ViewerFullScreen::windowWillExitFullScreen() {
    endLiveResize();
    crossFade->stop();
    p.renderer->setOpacity(1.0);
    p.aniImageView->hide();
    p.selection->hideForTransition();
    p.viewer->isFullscreen = false;
    p.geometry->isFullscreen = false;
    p.viewer->themeChanged();
    // Leaving is a transition too: the window manager's restore resize is
    // no live resize to re-fit to.
    p.geometry->zoom.inFullScreenTransition = true;
    blurView->hide();
    p.coloredView->hide();
    emit fullScreenPictureChanged(false);
    emit fullScreenChanged(false);
    if (p.viewer->isFileLoaded()) {
        QRectF r = p.geometry->layout();
        r.moveTo(0, 0);
        p.geometry->placeImage(r);
    }
}

void ViewerFullScreen::windowDidExitFullScreen() {
    ++blurGeneration;
    blurView->setBlurred(QImage());
    p.geometry->zoom.inFullScreenTransition = false;
    p.geometry->acceptWindowSize();
    p.viewer->themeChanged();
    if (!p.viewer->isFileLoaded()) {
        p.selection->showAfterTransition();
        return;
    }
    if (!p.viewer->imageChanged) {
        returnAnimation->stop();
        returnAnimation->setStartValue(p.geometry->layout());
        returnAnimation->setEndValue(preFrame);
        returnAnimation->start();
        return;
    }
    p.viewer->processWindow(true);
    p.geometry->refreshZoomingMode();
    p.selection->updateSelectableArea();
    p.selection->showAfterTransition();
}
