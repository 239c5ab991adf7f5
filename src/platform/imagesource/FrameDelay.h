#pragma once

#include <QVariantMap>

// The delay keys of one animation frame, as every animated format reports
// them in its own dictionary ("{WebP}", "{AVIS}", "{JXL}").
class FrameDelay {
  public:
    // "UnclampedDelayTime" is what the file says, in seconds; "DelayTime"
    // plays delays of 10 ms and less at 100 ms, as browsers do.
    static QVariantMap dictionary(double milliseconds);
    static QVariantMap fromSeconds(double seconds);
};
