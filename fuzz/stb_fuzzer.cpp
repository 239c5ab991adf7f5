// The check that stands before stb_image's Photoshop reader: whatever it
// lets through must decode without hanging.
#include "platform/imagesource/StbInputCheck.h"

#include <stb_image.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!bytes.startsWith("8BPS") || !StbInputCheck::psdIsWhole(bytes))
        return 0;
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_memory(data, int(size), &w, &h, &n) || qint64(w) * h > (1 << 20))
        return 0;
    if (stbi_uc* pixels = stbi_load_from_memory(data, int(size), &w, &h, &n, 4))
        stbi_image_free(pixels);
    return 0;
}
