#include "platform/imagesource/ExrImageSource.h"

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
    return QColorSpace(QPointF(c.white.x, c.white.y), QPointF(c.red.x, c.red.y), QPointF(c.green.x, c.green.y),
                       QPointF(c.blue.x, c.blue.y), QColorSpace::TransferFunction::SRgb);
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
    // Ours (4 bytes a pixel), besides half RGBA from the library (8) and
    // floats to tone-map (16).
    if (!DecodeLimits::allows(width, height, 4, 24))
        return QImage();
    try {
        MemoryStream stream(bytes);
        Imf::RgbaInputFile file(stream, Imf::globalThreadCount());
        const Imath::Box2i window = file.dataWindow();
        if (qint64(window.max.x) - window.min.x + 1 != width || qint64(window.max.y) - window.min.y + 1 != height)
            return QImage();
        Imf::Array2D<Imf::Rgba> pixels(height, width);
        // The frame buffer is addressed in data-window coordinates.
        Imf::Rgba* origin = &pixels[0][0] - qint64(window.min.x) - qint64(window.min.y) * width;
        file.setFrameBuffer(origin, 1, size_t(width));
        file.readPixels(window.min.y, window.max.y);
        std::vector<float> rgba(size_t(width) * size_t(height) * 4);
        size_t i = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const Imf::Rgba& p = pixels[y][x];
                // Colour is stored multiplied by alpha; tone mapping and the
                // image we return want it straight.
                const float a = hasAlpha ? float(p.a) : 1.0f;
                const float unmultiply = hasAlpha && a > 0.0f && a < 1.0f ? 1.0f / a : 1.0f;
                rgba[i++] = p.r * unmultiply;
                rgba[i++] = p.g * unmultiply;
                rgba[i++] = p.b * unmultiply;
                rgba[i++] = a;
            }
        }
        QImage image = ColorConversion::toneMapped(rgba, width, height, hasAlpha);
        image.setColorSpace(primariesOf(file.header()));
        return ColorConversion::toSRGB(std::move(image));
    } catch (...) {
        return QImage();
    }
}

QVariantMap ExrImageSource::imageProperties(int) {
    QVariantMap map = describe(width, height, depth, QStringLiteral("RGB"), hasAlpha);
    map.insert(QStringLiteral("IsFloat"), true);
    return map;
}
