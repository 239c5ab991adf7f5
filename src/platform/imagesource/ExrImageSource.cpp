#include "platform/imagesource/ExrImageSource.h"

#include "platform/LargeImage.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"

#include <Iex.h>
#include <ImfArray.h>
#include <ImfChannelList.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfRgbaFile.h>
#include <ImfStandardAttributes.h>
#include <ImfThreading.h>
#include <cstring>

namespace {

// The encoded bytes as an OpenEXR input stream.
class MemoryStream : public Imf::IStream {
  public:
    explicit MemoryStream(const QByteArray& bytes) : Imf::IStream("memory"), bytes(bytes) {}
    bool read(char c[], int n) override {
        if (n < 0 || position + uint64_t(n) > uint64_t(bytes.size()))
            throw Iex::InputExc("Unexpected end of file.");
        memcpy(c, bytes.constData() + position, size_t(n));
        position += uint64_t(n);
        return position < uint64_t(bytes.size());
    }
    uint64_t tellg() override { return position; }
    void seekg(uint64_t pos) override { position = pos; }

  private:
    const QByteArray& bytes;
    uint64_t position = 0;
};

struct Header {
    qint64 width = 0;
    qint64 height = 0;
    bool alpha = false;
    bool full = false; // 32-bit float channels
};

Header headerOf(Imf::RgbaInputFile& file) {
    Header h;
    const Imath::Box2i window = file.dataWindow();
    h.width = qint64(window.max.x) - window.min.x + 1;
    h.height = qint64(window.max.y) - window.min.y + 1;
    h.alpha = file.channels() & Imf::WRITE_A;
    const Imf::ChannelList& channels = file.header().channels();
    for (auto it = channels.begin(); it != channels.end(); ++it) {
        if (it.channel().type == Imf::FLOAT)
            h.full = true;
    }
    return h;
}

QColorSpace primariesOf(const Imf::Header& header) {
    if (!Imf::hasChromaticities(header))
        return QColorSpace();
    const Imf::Chromaticities& c = Imf::chromaticities(header);
    // Tone mapping leaves values on the sRGB curve; only the primaries differ.
    return QColorSpace(QPointF(c.white.x, c.white.y), QPointF(c.red.x, c.red.y),
                       QPointF(c.green.x, c.green.y), QPointF(c.blue.x, c.blue.y),
                       QColorSpace::TransferFunction::SRgb);
}

} // namespace

bool ExrImageSource::claims(const QByteArray& bytes) {
    return bytes.startsWith(QByteArray("\x76\x2f\x31\x01", 4));
}

ExrImageSource::ExrImageSource(const QByteArray& bytes) : EncodedImageSource(bytes) {}

std::unique_ptr<ImageSource> ExrImageSource::open(const QByteArray& bytes) {
    return claims(bytes) ? opened(new ExrImageSource(bytes)) : nullptr;
}

bool ExrImageSource::readHeader() {
    try {
        MemoryStream stream(bytes);
        Imf::RgbaInputFile file(stream, Imf::globalThreadCount());
        const Header h = headerOf(file);
        if (!DecodeLimits::allowsSize(h.width, h.height))
            return false;
        width = int(h.width);
        height = int(h.height);
        hasAlpha = h.alpha;
        depth = h.full ? 32 : 16;
    } catch (...) {
        return false;
    }
    return true;
}

QImage ExrImageSource::imageAtIndex(int index) {
    if (index != 0)
        return QImage();
    // Ours (4 bytes a pixel), besides floats to tone-map (16) and room for
    // the band of half RGBA read into them.
    if (!DecodeLimits::allows(width, height, 4, 24))
        return QImage();
    // The whole image is the bands of every row, tone-mapped together.
    std::vector<float> rgba;
    QColorSpace primaries;
    try {
        rgba.resize(size_t(width) * size_t(height) * 4);
    } catch (...) {
        return QImage();
    }
    if (!readRows(0, height - 1, [&](int y, const float* row, const Imf::Header& header) {
            if (y == 0)
                primaries = primariesOf(header);
            std::memcpy(rgba.data() + size_t(y) * size_t(width) * 4, row,
                        size_t(width) * 4 * sizeof(float));
            return true;
        }))
        return QImage();
    QImage image = ColorConversion::toneMapped(rgba, width, height, hasAlpha);
    image.setColorSpace(primaries);
    return ColorConversion::toSRGB(std::move(image));
}

template <typename Row> bool ExrImageSource::readRows(int top, int bottom, Row row) {
    // Bands of up to 256 rows (whole blocks of every compression) in about
    // 64 MB of half RGBA and floats.
    const int bandRows = std::clamp(int((64 << 20) / (qint64(width) * 24)), 1, 256);
    if (top < 0 || bottom >= height || top > bottom ||
        !DecodeLimits::allowsWork(qint64(width) * std::min(bandRows, bottom - top + 1) * 24))
        return false;
    try {
        MemoryStream stream(bytes);
        Imf::RgbaInputFile file(stream, Imf::globalThreadCount());
        const Imath::Box2i window = file.dataWindow();
        if (qint64(window.max.x) - window.min.x + 1 != width ||
            qint64(window.max.y) - window.min.y + 1 != height)
            return false;
        Imf::Array2D<Imf::Rgba> pixels(std::min(bandRows, bottom - top + 1), width);
        std::vector<float> rgba(size_t(width) * 4);
        for (int y = top; y <= bottom; y += bandRows) {
            const int rows = std::min(bandRows, bottom - y + 1);
            // The frame buffer is addressed in data-window coordinates.
            Imf::Rgba* origin =
                &pixels[0][0] - qint64(window.min.x) - qint64(window.min.y + y) * width;
            file.setFrameBuffer(origin, 1, size_t(width));
            file.readPixels(window.min.y + y, window.min.y + y + rows - 1);
            for (int r = 0; r < rows; ++r) {
                float* out = rgba.data();
                for (int x = 0; x < width; ++x) {
                    const Imf::Rgba& p = pixels[r][x];
                    const float a = hasAlpha ? float(p.a) : 1.0f;
                    const float unmultiply = hasAlpha && a > 0.0f && a < 1.0f ? 1.0f / a : 1.0f;
                    *out++ = p.r * unmultiply;
                    *out++ = p.g * unmultiply;
                    *out++ = p.b * unmultiply;
                    *out++ = a;
                }
                if (!row(y + r, rgba.data(), file.header()))
                    return false;
            }
        }
    } catch (...) {
        return false;
    }
    return true;
}

bool ExrImageSource::findWhite() {
    if (white)
        return true;
    const size_t step = ColorConversion::toneSampleStep(width, height);
    std::vector<float> sample;
    sample.reserve(size_t(width) * size_t(height) / step + 1);
    size_t next = 0; // the next sampled pixel, in raster order
    if (!readRows(0, height - 1, [&](int y, const float* rgba, const Imf::Header&) {
            const size_t end = size_t(y + 1) * size_t(width);
            for (; next < end; next += step)
                sample.push_back(
                    ColorConversion::luminance(rgba + (next - size_t(y) * size_t(width)) * 4));
            return true;
        }))
        return false;
    white = ColorConversion::toneWhite(std::move(sample));
    return true;
}

bool ExrImageSource::bands(int top, int bottom, int left, int columns, const Band& sink) {
    if (!findWhite())
        return false;
    constexpr int bandRows = 64;
    QImage band;
    int bandTop = top;
    bool stopped = false;
    const auto flush = [&](const Imf::Header& header, int rows) {
        QImage out = rows == band.height() ? band : band.copy(0, 0, columns, rows);
        out.setColorSpace(primariesOf(header));
        out = ColorConversion::toSRGB(std::move(out))
                  .convertToFormat(hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        stopped = !sink(bandTop, out);
        return !stopped;
    };
    const bool read =
        readRows(top, bottom, [&](int y, const float* rgba, const Imf::Header& header) {
            if (band.isNull()) {
                band = QImage(columns, std::min(bandRows, bottom - top + 1),
                              hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
                if (band.isNull())
                    return false;
            }
            const int row = y - bandTop;
            ColorConversion::toneMapRow(rgba + size_t(left) * 4, columns, hasAlpha, *white,
                                        reinterpret_cast<QRgb*>(band.scanLine(row)));
            if (row + 1 < band.height() && y < bottom)
                return true;
            if (!flush(header, row + 1))
                return false;
            bandTop = y + 1;
            return true;
        });
    return read && !stopped;
}

QImage ExrImageSource::overview(const QSize& bound) {
    const QSize size(width, height);
    const QSize fit = AreaReducer::fitted(size, bound);
    if (fit == size)
        return ImageSource::overview(bound);
    AreaReducer reducer(size, fit, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (reducer.isNull() || !bands(0, height - 1, 0, width, [&](int, const QImage& band) {
            for (int y = 0; y < band.height(); ++y)
                reducer.addRow(band.constScanLine(y));
            return true;
        }))
        return QImage();
    return reducer.result();
}

QImage ExrImageSource::region(const QRect& area, int denominator) {
    if (area.isEmpty() || !QRect(0, 0, width, height).contains(area) || denominator < 1)
        return QImage();
    const QImage::Format format = hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const QSize size((area.width() + denominator - 1) / denominator,
                     (area.height() + denominator - 1) / denominator);
    // Only the area's rows are read; reduced, they are averaged as they come.
    if (size != area.size()) {
        AreaReducer reducer(area.size(), size, format);
        if (reducer.isNull() || !bands(area.top(), area.bottom(), area.left(), area.width(),
                                       [&](int, const QImage& band) {
                                           for (int y = 0; y < band.height(); ++y)
                                               reducer.addRow(band.constScanLine(y));
                                           return true;
                                       }))
            return QImage();
        return reducer.result();
    }
    if (!DecodeLimits::allows(area.width(), area.height(), 4))
        return QImage();
    QImage image = LargeImage::allocate(area.size(), format);
    if (image.isNull() || !bands(area.top(), area.bottom(), area.left(), area.width(),
                                 [&](int top, const QImage& band) {
                                     for (int y = 0; y < band.height(); ++y)
                                         std::memcpy(image.scanLine(top - area.top() + y),
                                                     band.constScanLine(y),
                                                     size_t(area.width()) * 4);
                                     return true;
                                 }))
        return QImage();
    return image;
}

bool ExrImageSource::streamImage(const BandSink& sink) {
    return bands(0, height - 1, 0, width, [&](int, const QImage& band) { return sink(band); });
}

QVariantMap ExrImageSource::imageProperties(int) {
    QVariantMap map = describe(width, height, depth, QStringLiteral("RGB"), hasAlpha);
    map.insert(QStringLiteral("IsFloat"), true);
    return map;
}
