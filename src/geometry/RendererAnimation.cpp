#include "geometry/RendererAnimation.h"

#include "geometry/ZoomEngine.h"

#include <algorithm>
#include <cmath>

RendererAnimation::RendererAnimation(QObject* parent) : QObject(parent) {
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &RendererAnimation::updateRendererFrame);
}

void RendererAnimation::animateRendererFrom(const QRectF& from, const QRectF& to,
                                            const QRectF& windowFrom, const QRectF& windowTo) {
    timer.stop();
    running = true;
    viewport = from;
    current = StepRecord();
    const double divisor = current.step;
    current.diffX = float((from.x() - to.x()) / divisor);
    current.diffY = float((from.y() - to.y()) / divisor);
    current.diffW = float((from.width() - to.width()) / divisor);
    current.diffH = float((from.height() - to.height()) / divisor);
    windowFrame = windowFrom;
    targetAnimationWindowFrame = windowTo;
    targetAnimationImageFrame = to;
    if (windowFrom.x() != windowTo.x() || windowFrom.y() != windowTo.y() ||
        windowFrom.height() != windowTo.height() || windowFrom.width() != windowTo.width()) {
        current.wdiffX = float((windowFrom.x() - windowTo.x()) / divisor);
        current.wdiffY = float((windowFrom.y() - windowTo.y()) / divisor);
        current.wdiffW = float((windowFrom.width() - windowTo.width()) / divisor);
        current.wdiffH = float((windowFrom.height() - windowTo.height()) / divisor);
    }
    schedule(firstInterval);
}

void RendererAnimation::schedule(float seconds) {
    if (manualTicks)
        return;
    // Qt's timers count whole milliseconds; the 1 ms and 5 ms steps fit.
    timer.start(std::max(1, int(std::lround(double(seconds) * 1000.0))));
}

void RendererAnimation::updateRendererFrame() {
    if (!running)
        return;
    if (current.step >= 1) {
        current.step -= 1;
        viewport = QRectF(viewport.x() - double(current.diffX), viewport.y() - double(current.diffY),
                          viewport.width() - double(current.diffW),
                          viewport.height() - double(current.diffH));
        schedule(stepInterval);
        emit imageFrameChanged(viewport);
        if (current.movesWindow()) {
            windowFrame = QRectF(windowFrame.x() - double(current.wdiffX),
                                 windowFrame.y() - double(current.wdiffY),
                                 windowFrame.width() - double(current.wdiffW),
                                 windowFrame.height() - double(current.wdiffH));
            if (windowFrame.width() < ZoomEngine::minimumWindowSide)
                windowFrame.setWidth(ZoomEngine::minimumWindowSide);
            if (windowFrame.height() < ZoomEngine::minimumWindowSide)
                windowFrame.setHeight(ZoomEngine::minimumWindowSide);
            emit windowFrameChanged(windowFrame);
        }
        return;
    }
    if (current.movesWindow()) {
        windowFrame = targetAnimationWindowFrame;
        emit windowFrameChanged(targetAnimationWindowFrame);
    }
    running = false;
    emit imageFrameChanged(targetAnimationImageFrame);
    emit finished();
}

void RendererAnimation::stop() {
    timer.stop();
    running = false;
}

void RendererAnimation::finishNow(bool withWindow) {
    if (!running)
        return;
    timer.stop();
    running = false;
    viewport = targetAnimationImageFrame;
    if (withWindow && current.movesWindow()) {
        windowFrame = targetAnimationWindowFrame;
        emit windowFrameChanged(targetAnimationWindowFrame);
    }
    emit imageFrameChanged(targetAnimationImageFrame);
    emit finished();
}
