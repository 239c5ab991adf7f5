#pragma once

#include <functional>

// The time of an animated layer, derived from a global "media time" the way a
// layer tree derives it: local = (media - beginTime) * speed + timeOffset.
// Pausing and resuming rewrite speed, timeOffset and beginTime so that a
// paused layer holds its time and continues from it when resumed. The media
// time comes from a function so that tests can drive it without waiting.
class LayerClock {
  public:
    using MediaTimeSource = std::function<double()>;

    // Seconds on a monotonic clock; the default media time.
    static double monotonicSeconds();

    explicit LayerClock(MediaTimeSource mediaTimeSource = {});

    double mediaTime() const;
    double localTime() const { return localTimeAt(mediaTime()); }
    double localTimeAt(double mediaTime) const;

    // Freeze the local time where it is now.
    void pause();
    // Continue from the frozen local time; meant for a paused clock.
    void resume();
    bool isPaused() const { return layerSpeed == 0.0; }

    double speed() const { return layerSpeed; }
    double timeOffset() const { return layerTimeOffset; }
    double beginTime() const { return layerBeginTime; }

  private:
    MediaTimeSource source;
    double layerSpeed = 1.0;
    double layerTimeOffset = 0.0;
    double layerBeginTime = 0.0;
};
