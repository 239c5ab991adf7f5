#include "platform/imagesource/FrameDelay.h"

#include <cmath>

QVariantMap FrameDelay::dictionary(double milliseconds) {
    const double unclamped =
        std::isfinite(milliseconds) && milliseconds > 0 ? milliseconds / 1000.0 : 0.0;
    const double clamped = unclamped < 0.011 ? 0.1 : unclamped;
    return {{QStringLiteral("DelayTime"), clamped},
            {QStringLiteral("UnclampedDelayTime"), unclamped}};
}
