#include "menus/LayerClock.h"

#include <chrono>
#include <utility>

double LayerClock::monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

LayerClock::LayerClock(MediaTimeSource mediaTimeSource)
    : source(mediaTimeSource ? std::move(mediaTimeSource) : MediaTimeSource(&monotonicSeconds)) {}

double LayerClock::mediaTime() const {
    return source();
}

double LayerClock::localTimeAt(double mediaTime) const {
    return (mediaTime - layerBeginTime) * layerSpeed + layerTimeOffset;
}

void LayerClock::pause() {
    const double frozen = localTime();
    layerSpeed = 0.0;
    layerTimeOffset = frozen;
}

void LayerClock::resume() {
    const double frozen = layerTimeOffset;
    layerSpeed = 1.0;
    layerTimeOffset = 0.0;
    layerBeginTime = 0.0;
    layerBeginTime = localTime() - frozen;
}
