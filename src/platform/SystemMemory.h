#pragma once

#include <QtGlobal>

// The machine's memory, from which every memory budget of the viewer is
// derived (decoding, prefetch, animation frames, archive entries).
class SystemMemory {
public:
    // Physical memory in bytes; a modest 4 GB when the system does not say.
    static qint64 physicalMemory();
};
