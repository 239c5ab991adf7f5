#include "viewer/FullScreenTransition.h"

FullScreenTransition::FullScreenTransition(QObject* parent) : QObject(parent) {
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &FullScreenTransition::timeoutElapsed);
}

bool FullScreenTransition::toggleRequested() {
    if (!inFullScreenTransition())
        return true;
    // A second toggle cancels a waiting one.
    pendingToggle = !pendingToggle;
    return false;
}

void FullScreenTransition::startWait() {
    if (!manualTimeout)
        timer.start(settleTimeoutMs);
}

void FullScreenTransition::windowChanged(bool fullScreen, const QSize& size,
                                         const QSize& screenSize) {
    switch (current) {
    case Phase::Windowed:
        if (!fullScreen)
            return;
        // Asked by us or by the window manager alike: the state is there,
        // the size may not be yet.
        current = Phase::Entering;
        restoreSize = size;
        fullSize = screenSize;
        emit willEnter();
        startWait();
        if (size == screenSize && screenSize.isValid())
            finishEntering();
        return;
    case Phase::Entering:
        if (!fullScreen) {
            // Refused, or toggled back before it settled: end the entering
            // that began, then leave; a toggle waiting is spent.
            pendingToggle = false;
            finishEntering();
            windowChanged(false, size, screenSize);
            return;
        }
        fullSize = screenSize;
        if (size == fullSize)
            finishEntering();
        return;
    case Phase::FullScreen:
        if (fullScreen)
            return;
        current = Phase::Leaving;
        fullSize = size;
        emit willExit();
        startWait();
        return;
    case Phase::Leaving:
        if (fullScreen)
            return;
        // The size before full screen, or at least no longer the full one.
        if (size == restoreSize || size != fullSize)
            finishLeaving();
        return;
    }
}

void FullScreenTransition::timeoutElapsed() {
    timer.stop();
    if (current == Phase::Entering)
        finishEntering();
    else if (current == Phase::Leaving)
        finishLeaving();
}

void FullScreenTransition::finishEntering() {
    timer.stop();
    current = Phase::FullScreen;
    emit contentSize();
    emit didEnter();
    afterStep();
}

void FullScreenTransition::finishLeaving() {
    timer.stop();
    current = Phase::Windowed;
    emit didExit();
    afterStep();
}

void FullScreenTransition::afterStep() {
    if (!pendingToggle)
        return;
    pendingToggle = false;
    emit toggleNow();
}
