// AVIF: sequences through libavif, stills through libheif and, where libheif
// refuses them, libavif, each with our size checks and colour conversion.
#include "ExerciseSource.h"
#include "platform/imagesource/AvifSequenceImageSource.h"
#include "platform/imagesource/HeifImageSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (auto sequence = AvifSequenceImageSource::open(bytes))
        exerciseSource(*sequence);
    if (auto still = HeifImageSource::open(bytes))
        exerciseSource(*still);
    if (auto still = AvifSequenceImageSource::openStill(bytes))
        exerciseSource(*still);
    return 0;
}
