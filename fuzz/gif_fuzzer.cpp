// GIF block walk that finds the frame delays and the loop count.
#include "platform/imagesource/GifAnimation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    GifAnimation::read(bytes);
    return 0;
}
