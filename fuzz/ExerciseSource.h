#pragma once

#include "platform/ImageSource.h"

#include <algorithm>

// libheif 1.15's AV1 plugin leaks a packet that dav1d refuses: not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdav1d\n";
}

// Everything the viewer asks of a source: properties, the first frames
// forwards and one step back (a restart), the first look and a thumbnail.
inline void exerciseSource(ImageSource& source) {
    source.properties();
    source.type();
    const int frames = std::min(source.count(), 8);
    for (int i = 0; i < frames; ++i) {
        source.propertiesAtIndex(i);
        source.imageAtIndex(i);
    }
    if (frames > 1)
        source.imageAtIndex(frames - 2);
    source.firstLook();
    source.thumbnail(64);
}
