// WebP through libwebp: the demuxer's chunk walk, our canvas checks and the
// animation decoder's compositing, forwards and back.
#include "ExerciseSource.h"
#include "platform/imagesource/WebpImageSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (auto source = WebpImageSource::open(bytes))
        exerciseSource(*source);
    return 0;
}
