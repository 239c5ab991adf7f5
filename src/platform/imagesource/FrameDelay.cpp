#include "platform/imagesource/FrameDelay.h"

#include <cmath>

QVariantMap FrameDelay::dictionary(double milliseconds) {
    return fromSeconds(milliseconds / 1000.0);
}

QVariantMap FrameDelay::fromSeconds(double seconds) {
    const double unclamped = std::isfinite(seconds) && seconds > 0 ? seconds : 0.0;
    const double clamped = unclamped < 0.011 ? 0.1 : unclamped;
    return {{QStringLiteral("DelayTime"), clamped},
            {QStringLiteral("UnclampedDelayTime"), unclamped}};
}
