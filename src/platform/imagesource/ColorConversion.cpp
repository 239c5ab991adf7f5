#include "platform/imagesource/ColorConversion.h"

#include <QPointF>
#include <algorithm>
#include <cmath>

namespace {

// Lookup table from linear light (0-1 in steps of 1/4095) to sRGB-encoded bytes.
const std::vector<uchar>& srgbTable() {
    static const std::vector<uchar> table = [] {
        std::vector<uchar> t(4096);
        for (int i = 0; i < 4096; ++i) {
            const double v = i / 4095.0;
            const double e = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
            t[size_t(i)] = uchar(std::lround(std::clamp(e, 0.0, 1.0) * 255.0));
        }
        return t;
    }();
    return table;
}

// The table is passed in, fetched once a row: a row's stores might otherwise
// alias it, and each pixel reloads it.
inline uchar encode(const uchar* table, float linear) {
    if (!(linear > 0.0f)) // also catches NaN
        return 0;
    if (linear >= 1.0f)
        return 255;
    return table[size_t(linear * 4095.0f + 0.5f)];
}

} // namespace

QImage ColorConversion::toSRGB(QImage image) {
    if (image.isNull())
        return image;
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb))
        return image;
    // Qt converts indexed and grey images only through a wider format.
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

QColorSpace ColorConversion::fromCicp(int primaries, int transfer) {
    QColorSpace::TransferFunction function = QColorSpace::TransferFunction::SRgb;
    float gamma = 0.0f;
    switch (transfer) {
    case 8: function = QColorSpace::TransferFunction::Linear; break;
    case 4: function = QColorSpace::TransferFunction::Gamma; gamma = 2.2f; break;
    case 5: function = QColorSpace::TransferFunction::Gamma; gamma = 2.8f; break;
    default: break; // sRGB, BT.709 and the HDR curves Qt cannot express
    }
    switch (primaries) {
    case 1: case 2: // BT.709 (2 is "unspecified", commonly meaning the same)
        return QColorSpace(QColorSpace::Primaries::SRgb, function, gamma);
    case 12: // SMPTE EG 432-1, Display P3
        return QColorSpace(QColorSpace::Primaries::DciP3D65, function, gamma);
    case 9: // BT.2020
        return QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292), QPointF(0.170, 0.797),
                           QPointF(0.131, 0.046), function, gamma);
    case 11: // SMPTE RP 431-2, DCI P3 with its own white
        return QColorSpace(QPointF(0.314, 0.351), QPointF(0.680, 0.320), QPointF(0.265, 0.690),
                           QPointF(0.150, 0.060), function, gamma);
    default:
        return QColorSpace();
    }
}

QImage ColorConversion::toneMapped(const std::vector<float>& rgba, int width, int height, bool hasAlpha) {
    const size_t pixels = size_t(width) * size_t(height);
    if (width <= 0 || height <= 0 || rgba.size() < pixels * 4)
        return QImage();
    QImage image(width, height, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return image;
    std::vector<float> sample;
    const size_t step = toneSampleStep(width, height);
    sample.reserve(pixels / step + 1);
    for (size_t i = 0; i < pixels; i += step)
        sample.push_back(luminance(&rgba[i * 4]));
    const float white = toneWhite(std::move(sample));
    for (int y = 0; y < height; ++y)
        toneMapRow(&rgba[size_t(y) * size_t(width) * 4], width, hasAlpha, white,
                   reinterpret_cast<QRgb*>(image.scanLine(y)));
    return image;
}

size_t ColorConversion::toneSampleStep(int width, int height) {
    return std::max<size_t>(1, size_t(width) * size_t(height) / 65536);
}

float ColorConversion::luminance(const float* rgba) {
    const float l = 0.2126f * rgba[0] + 0.7152f * rgba[1] + 0.0722f * rgba[2];
    return std::isfinite(l) ? l : 0.0f;
}

float ColorConversion::toneWhite(std::vector<float> sample) {
    // The white point: the luminance below which 99.9 % of the pixels lie,
    // estimated from a sample so that a handful of specular pixels do not
    // darken the whole picture.
    if (sample.empty())
        return 0.0f;
    const size_t rank = std::min(sample.size() - 1, size_t(double(sample.size()) * 0.999));
    std::nth_element(sample.begin(), sample.begin() + long(rank), sample.end());
    return sample[rank];
}

void ColorConversion::toneMapRow(const float* p, int width, bool hasAlpha, float white,
                                 QRgb* line) {
    const bool compress = white > 1.0f;
    const float white2 = white * white;
    const uchar* table = srgbTable().data();
    for (int x = 0; x < width; ++x, p += 4) {
        float r = p[0], g = p[1], b = p[2];
        if (compress) {
            const float l = 0.2126f * r + 0.7152f * g + 0.0722f * b;
            if (l > 0.0f && std::isfinite(l)) {
                const float mapped = l * (1.0f + l / white2) / (1.0f + l);
                const float scale = mapped / l;
                r *= scale;
                g *= scale;
                b *= scale;
            }
        }
        const float a = hasAlpha ? std::clamp(p[3], 0.0f, 1.0f) : 1.0f;
        line[x] = qRgba(encode(table, r), encode(table, g), encode(table, b),
                        std::isfinite(a) ? int(a * 255.0f + 0.5f) : 255);
    }
}
