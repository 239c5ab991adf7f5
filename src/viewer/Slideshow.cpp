#include "viewer/Slideshow.h"

Slideshow::Slideshow(QObject* parent) : QObject(parent) {
    connect(&timer, &QTimer::timeout, this, &Slideshow::tick);
}

void Slideshow::playSlideshow(int delaySeconds) {
    if (timer.isActive()) {
        stopSlideshow();
        return;
    }
    timer.start(std::max(1, delaySeconds) * 1000);
    emit runningChanged(true);
}

void Slideshow::stopSlideshow() {
    // Harmless when stopped, but the pictures are set either way.
    timer.stop();
    emit runningChanged(false);
}
