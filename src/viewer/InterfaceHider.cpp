#include "viewer/InterfaceHider.h"

InterfaceHider::InterfaceHider(QObject* parent) : QObject(parent) {
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &InterfaceHider::timerFired);
}

void InterfaceHider::mouseMoved(bool overChrome, bool toolActive) {
    cancel();
    if (!overChrome && !toolActive) {
        if (manualTimer)
            manualPending = true;
        else
            timer.start(hideDelayMs);
    }
    if (!toolActive)
        emit showInterface();
}

void InterfaceHider::mouseLeft(bool pointerStillInside, bool popupOpen) {
    if (pointerStillInside || popupOpen)
        return;
    cancel();
    emit hideInterface();
}

void InterfaceHider::toolEngaged() {
    cancel();
    emit hideInterface();
}

void InterfaceHider::cancel() {
    timer.stop();
    manualPending = false;
}

void InterfaceHider::timerFired() {
    if (manualTimer && !manualPending)
        return;
    cancel();
    emit hideInterface();
}
