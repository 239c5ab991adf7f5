#include "platform/imagesource/StbImageSource.h"

#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/StbInputCheck.h"

#include <climits>
#include <stb_image.h>

namespace {

const stbi_uc* data(const QByteArray& bytes) {
    return reinterpret_cast<const stbi_uc*>(bytes.constData());
}

// Frees what stb_image returns.
struct Pixels {
    void* pointer = nullptr;
    ~Pixels() {
        if (pointer)
            stbi_image_free(pointer);
    }
};

} // namespace

bool StbImageSource::claims(const QByteArray& b, Kind kind) {
    switch (kind) {
    case Kind::Psd: return b.startsWith("8BPS");
    case Kind::Pic: return b.startsWith(QByteArray("\x53\x80\xf6\x34", 4)) && b.mid(88, 4) == "PICT";
    }
    return false;
}

StbImageSource::StbImageSource(const QByteArray& bytes, Kind kind) : EncodedImageSource(bytes), kind(kind) {}

std::unique_ptr<ImageSource> StbImageSource::open(const QByteArray& bytes, Kind kind) {
    if (!claims(bytes, kind) || bytes.size() > INT_MAX)
        return nullptr;
    return opened(new StbImageSource(bytes, kind));
}

bool StbImageSource::readHeader() {
    const int length = int(bytes.size());
    if (!stbi_info_from_memory(data(bytes), length, &width, &height, &channels) ||
        !DecodeLimits::allowsSize(width, height))
        return false;
    deep = kind == Kind::Psd && stbi_is_16_bit_from_memory(data(bytes), length);
    return true;
}

QImage StbImageSource::imageAtIndex(int index) {
    if (index != 0)
        return QImage();
    const int length = int(bytes.size());
    int w = 0, h = 0, n = 0;
    if (!DecodeLimits::allows(width, height, deep ? 8 : 4, deep ? 8 : 4))
        return QImage();
    if (kind == Kind::Psd && !StbInputCheck::psdIsWhole(bytes))
        return QImage();
    Pixels pixels;
    if (deep)
        pixels.pointer = stbi_load_16_from_memory(data(bytes), length, &w, &h, &n, 4);
    else
        pixels.pointer = stbi_load_from_memory(data(bytes), length, &w, &h, &n, 4);
    if (!pixels.pointer || w != width || h != height)
        return QImage();
    const bool alpha = channels == 2 || channels == 4;
    const QImage wrapped(static_cast<const uchar*>(pixels.pointer), w, h, qsizetype(w) * (deep ? 8 : 4),
                         deep ? QImage::Format_RGBA64 : QImage::Format_RGBA8888);
    if (deep)
        return wrapped.convertToFormat(alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    return wrapped.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QString StbImageSource::type() const {
    switch (kind) {
    case Kind::Psd: return QStringLiteral("com.adobe.photoshop-image");
    case Kind::Pic: return QStringLiteral("com.softimage.pic");
    }
    return QStringLiteral("public.image");
}

QVariantMap StbImageSource::imageProperties(int) {
    const bool gray = channels <= 2;
    return describe(width, height, deep ? 16 : 8, gray ? QStringLiteral("Gray") : QStringLiteral("RGB"),
                    channels == 2 || channels == 4);
}
