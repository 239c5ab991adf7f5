// Animated PNG reader: chunk walk, frame control validation and compositing.
#include "platform/imagesource/ApngDecoder.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ApngDecoder decoder(bytes);
    if (!decoder.isValid())
        return 0;
    // Forwards, then one step back to exercise the restart.
    const int frames = std::min(decoder.frameCount(), 8);
    for (int i = 0; i < frames; ++i) {
        decoder.delay(i);
        decoder.frame(i);
    }
    if (frames > 1)
        decoder.frame(frames - 2);
    return 0;
}
