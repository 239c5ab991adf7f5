// JPEG XL: our container box walk, and libjxl driven as the viewer drives
// it: header scan, DC pass, frames forwards and back after a rewind, and
// the one pass through the library's pixel callback that makes an
// overview, a region or the bands of an export.
#include "ExerciseSource.h"
#include "platform/imagesource/JxlBoxes.h"
#include "platform/imagesource/JxlImageSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    JxlBoxes::read(bytes);
    if (auto source = JxlImageSource::open(bytes)) {
        exerciseSource(*source);
        source->overview(QSize(7, 5));
        source->region(QRect(1, 2, 9, 5), 2);
        int bands = 0;
        source->streamImage([&](const QImage&) { return ++bands < 4; });
    }
    return 0;
}
