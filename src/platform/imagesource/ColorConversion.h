#pragma once

#include <QColorSpace>
#include <QImage>
#include <vector>

// Brings decoded pixels to what the screen expects: sRGB, and 8 bits for
// floating-point data.
class ColorConversion {
public:
    // The image in sRGB: converted when it carries another colour space,
    // unchanged when it carries none (untagged pixels are taken as sRGB).
    static QImage toSRGB(QImage image);
    // The colour space that CICP code points (ITU-T H.273 colour primaries
    // and transfer characteristics) describe; invalid for ones Qt cannot
    // express. Unknown transfers fall back to the sRGB curve.
    static QColorSpace fromCicp(int primaries, int transfer);
    // Linear-light RGBA floats (4 per pixel, rows top to bottom) tone-mapped
    // to 8-bit sRGB: scenes within 0-1 are only encoded, brighter ones are
    // compressed so that their near-brightest highlights reach white.
    static QImage toneMapped(const std::vector<float>& rgba, int width, int height, bool hasAlpha);

    // The same mapping a band at a time, for images never held whole: the
    // white point comes from the luminance of every toneSampleStep-th pixel
    // (in raster order), then each row is mapped with it.
    static size_t toneSampleStep(int width, int height);
    static float luminance(const float* rgba); // 0 when not finite
    static float toneWhite(std::vector<float> sample);
    static void toneMapRow(const float* rgba, int width, bool hasAlpha, float white, QRgb* out);
};
