#include "platform/imagesource/HdrRowDecoder.h"

#include "platform/Cancellation.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"

std::unique_ptr<RowDecoder> HdrRowDecoder::open(const EncodedBytes& bytes) {
    std::unique_ptr<RadianceRowReader> reader = RadianceRowReader::open(bytes);
    if (!reader)
        return nullptr;
    return std::unique_ptr<RowDecoder>(new HdrRowDecoder(std::move(reader)));
}

HdrRowDecoder::HdrRowDecoder(std::unique_ptr<RadianceRowReader> reader)
    : reader(std::move(reader)), dataStart(this->reader->position()) {
    width = this->reader->width();
    height = this->reader->height();
    pixelFormat = QImage::Format_RGB32;
    sampleBits = 32;
    floatSamples = true;
    // The whole image is these rows too.
    wholeBytesPerPixel = 4;
}

bool HdrRowDecoder::scan() {
    if (scanned)
        return !damaged;
    // The scanline start table, a stored scanline and its floats.
    if (!DecodeLimits::allowsWork(qint64(height) * 8 + qint64(width) * 20)) {
        scanned = damaged = true;
        return false;
    }
    starts.resize(size_t(height));
    rgbe.resize(size_t(width) * 4);
    rgba.resize(size_t(width) * 4);
    // Every step-th pixel of the picture as shown, in raster order, as
    // ColorConversion::toneMapped samples an image held whole.
    const qint64 step = qint64(ColorConversion::toneSampleStep(width, height));
    std::vector<float> sample;
    sample.reserve(size_t(qint64(width) * height / step + 1));
    reader->seek(dataStart);
    for (int stored = 0; stored < height; ++stored) {
        if ((stored & 63) == 0 && Cancellation::requested())
            return false;
        starts[size_t(stored)] = reader->position();
        if (!reader->readScanline(rgbe.data())) {
            scanned = damaged = true;
            return false;
        }
        const qint64 rowStart = qint64(reader->bottomUp() ? height - 1 - stored : stored) * width;
        for (qint64 i = (rowStart + step - 1) / step * step; i < rowStart + width; i += step) {
            const qint64 x = i - rowStart;
            float pixel[4];
            RadianceRowReader::toLinear(
                rgbe.data() + (reader->rightToLeft() ? width - 1 - x : x) * 4, 1, pixel);
            sample.push_back(ColorConversion::luminance(pixel));
        }
    }
    white = ColorConversion::toneWhite(std::move(sample));
    scanned = true;
    return true;
}

bool HdrRowDecoder::readRow(int y, int left, int count, uchar* out) {
    if (y < 0 || y >= height || left < 0 || count < 0 || count > width - left || !scan())
        return false;
    reader->seek(starts[size_t(reader->bottomUp() ? height - 1 - y : y)]);
    if (!reader->readScanline(rgbe.data()))
        return false;
    const int first = reader->rightToLeft() ? width - left - count : left;
    RadianceRowReader::toLinear(rgbe.data() + qint64(first) * 4, count, rgba.data(),
                                reader->rightToLeft());
    ColorConversion::toneMapRow(rgba.data(), count, false, white, reinterpret_cast<QRgb*>(out));
    return true;
}
