// Multi-picture index: JPEG segment walk and the MPF entry table.
#include "platform/imagesource/JpegSegments.h"
#include "platform/imagesource/MpoIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<JpegSegments::Segment> segments = JpegSegments::read(bytes);
    JpegSegments::jfifDpi(bytes, segments, false);
    for (const MpoIndex::Entry& e : MpoIndex::pictures(bytes)) {
        // Every entry handed out must lie inside the data.
        if (e.offset < 0 || e.length <= 0 || e.offset + e.length > bytes.size())
            __builtin_trap();
    }
    return 0;
}
