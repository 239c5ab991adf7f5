// The checks that stand before stb_image (Radiance scanlines, Photoshop
// image data): whatever they let through must decode without hanging.
#include "platform/imagesource/StbInputCheck.h"

#include <stb_image.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool hdr = StbInputCheck::radianceIsWhole(bytes);
    const bool psd = StbInputCheck::psdIsWhole(bytes);
    if (!hdr && !(psd && bytes.startsWith("8BPS")))
        return 0;
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_memory(data, int(size), &w, &h, &n) || qint64(w) * h > (1 << 20))
        return 0;
    void* pixels = hdr ? static_cast<void*>(stbi_loadf_from_memory(data, int(size), &w, &h, &n, 4))
                       : static_cast<void*>(stbi_load_from_memory(data, int(size), &w, &h, &n, 4));
    if (pixels)
        stbi_image_free(pixels);
    return 0;
}
