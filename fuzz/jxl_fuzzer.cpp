// JPEG XL: our container box walk, and libjxl driven as the viewer drives
// it: header scan, DC pass, frames forwards and back after a rewind.
#include "ExerciseSource.h"
#include "platform/imagesource/JxlBoxes.h"
#include "platform/imagesource/JxlImageSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    JxlBoxes::read(bytes);
    if (auto source = JxlImageSource::open(bytes))
        exerciseSource(*source);
    return 0;
}
