#include "platform/imagesource/HeifImageSource.h"

#include "platform/LargeImage.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"

#include <libheif/heif.h>
#include <mutex>

namespace {

const char* const brands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"};

// Closes a libheif object when it goes out of scope.
template <typename T, void (*release)(const T*)> struct Owned {
    T* pointer = nullptr;
    ~Owned() {
        if (pointer)
            release(pointer);
    }
};
using Handle = Owned<heif_image_handle, heif_image_handle_release>;
using Image = Owned<heif_image, heif_image_release>;

QColorSpace colorSpaceOf(const heif_image_handle* handle) {
    const heif_color_profile_type kind = heif_image_handle_get_color_profile_type(handle);
    if (kind == heif_color_profile_type_prof || kind == heif_color_profile_type_rICC) {
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size == 0 || size > (16u << 20))
            return QColorSpace();
        QByteArray icc(qsizetype(size), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            return QColorSpace();
        return QColorSpace::fromIccProfile(icc);
    }
    heif_color_profile_nclx* nclx = nullptr;
    const bool read = heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok;
    // libheif hands the profile over even when it then finds a code point
    // it does not know, and reports that as an error: ours to free either way.
    const QColorSpace space =
        read && nclx ? ColorConversion::fromCicp(nclx->color_primaries, nclx->transfer_characteristics) : QColorSpace();
    if (nclx)
        heif_nclx_color_profile_free(nclx);
    return space;
}

// Opaque 8-bit R, G and B planes as one 32-bit image.
QImage packedPlanes(const heif_image* image) {
    const heif_channel channels[3] = {heif_channel_R, heif_channel_G, heif_channel_B};
    const uint8_t* planes[3] = {};
    int strides[3] = {};
    const int w = heif_image_get_width(image, heif_channel_R);
    const int h = heif_image_get_height(image, heif_channel_R);
    for (int c = 0; c < 3; ++c) {
        planes[c] = heif_image_get_plane_readonly(image, channels[c], &strides[c]);
        if (!planes[c] || heif_image_get_bits_per_pixel(image, channels[c]) != 8 ||
            heif_image_get_width(image, channels[c]) != w || heif_image_get_height(image, channels[c]) != h)
            return QImage();
    }
    if (w <= 0 || h <= 0)
        return QImage();
    QImage result = LargeImage::allocate(QSize(w, h), QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        const uint8_t* r = planes[0] + qsizetype(y) * strides[0];
        const uint8_t* g = planes[1] + qsizetype(y) * strides[1];
        const uint8_t* b = planes[2] + qsizetype(y) * strides[2];
        auto* out = reinterpret_cast<quint32*>(result.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = 0xff000000u | quint32(r[x]) << 16 | quint32(g[x]) << 8 | b[x];
    }
    return result;
}

} // namespace

bool HeifImageSource::claims(const QByteArray& bytes) {
    if (bytes.size() < 12 || bytes.mid(4, 4) != "ftyp")
        return false;
    const QByteArray major = bytes.mid(8, 4);
    for (const char* brand : brands) {
        if (major == brand)
            return true;
    }
    return false;
}

HeifImageSource::HeifImageSource(const QByteArray& bytes) : EncodedImageSource(bytes) {}

HeifImageSource::~HeifImageSource() {
    if (context)
        heif_context_free(context);
}

std::unique_ptr<ImageSource> HeifImageSource::open(const QByteArray& bytes) {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
    return opened(new HeifImageSource(bytes));
}

bool HeifImageSource::readHeader() {
    context = heif_context_alloc();
    if (!context)
        return false;
    // The source keeps its bytes alive for as long as the context reads them.
    if (heif_context_read_from_memory_without_copy(context, bytes.constData(),
                                                   size_t(bytes.size()), nullptr)
            .code != heif_error_Ok)
        return false;
    const int n = heif_context_get_number_of_top_level_images(context);
    if (n <= 0 || n > 4096)
        return false;
    std::vector<heif_item_id> all(static_cast<size_t>(n));
    heif_context_get_list_of_top_level_image_IDs(context, all.data(), n);
    heif_item_id primary = 0;
    if (heif_context_get_primary_image_ID(context, &primary).code == heif_error_Ok)
        ids.push_back(primary);
    for (const heif_item_id id : all) {
        if (id != primary)
            ids.push_back(id);
    }
    exif.resize(ids.size());
    brand = bytes.mid(8, 4);
    return true;
}

QString HeifImageSource::type() const {
    if (brand == "avif" || brand == "avis")
        return QStringLiteral("public.avif");
    if (brand == "mif1" || brand == "msf1")
        return QStringLiteral("public.heif");
    return QStringLiteral("public.heic");
}

QImage HeifImageSource::imageAtIndex(int index) {
    if (index < 0 || index >= count())
        return QImage();
    Handle handle;
    if (heif_context_get_image_handle(context, ids[size_t(index)], &handle.pointer).code != heif_error_Ok)
        return QImage();
    const bool alpha = heif_image_handle_has_alpha_channel(handle.pointer);
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle.pointer) > 8;
    if (!fitsBudget(handle.pointer))
        return QImage();
    // Opaque 8-bit images, most photographs, come as planes: libheif makes
    // those a fifth quicker than interleaved pixels, and packing them costs less.
    const bool planar = !deep && !alpha;
    const heif_chroma chroma = planar ? heif_chroma_444
                               : deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                      : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    Image image;
    if (heif_decode_image(handle.pointer, &image.pointer, heif_colorspace_RGB, chroma, nullptr).code != heif_error_Ok)
        return QImage();
    if (planar) {
        QImage result = packedPlanes(image.pointer);
        result.setColorSpace(colorSpaceOf(handle.pointer));
        return ColorConversion::toSRGB(std::move(result));
    }
    int stride = 0;
    const uint8_t* data = heif_image_get_plane_readonly(image.pointer, heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(image.pointer, heif_channel_interleaved);
    const int h = heif_image_get_height(image.pointer, heif_channel_interleaved);
    if (!data || w <= 0 || h <= 0)
        return QImage();
    // Colour may be stored multiplied by alpha; Qt's premultiplied formats
    // take it as such, and the conversions below make it straight.
    const bool premultiplied = alpha && heif_image_is_premultiplied_alpha(image.pointer);
    QImage result;
    if (deep) {
        const int bits = heif_image_get_bits_per_pixel_range(image.pointer, heif_channel_interleaved);
        const int maximum = (1 << std::clamp(bits, 1, 16)) - 1;
        result = LargeImage::allocate(QSize(w, h), premultiplied ? QImage::Format_RGBA64_Premultiplied
                                                   : alpha       ? QImage::Format_RGBA64
                                                                 : QImage::Format_RGBX64);
        if (result.isNull())
            return result;
        const int channels = alpha ? 4 : 3;
        for (int y = 0; y < h; ++y) {
            const auto* in = reinterpret_cast<const quint16*>(data + qsizetype(y) * stride);
            auto* out = reinterpret_cast<QRgba64*>(result.scanLine(y));
            for (int x = 0; x < w; ++x, in += channels) {
                auto scale = [maximum](quint16 v) { return quint16(std::min<quint32>(v, maximum) * 65535u / maximum); };
                out[x] = QRgba64::fromRgba64(scale(in[0]), scale(in[1]), scale(in[2]), alpha ? scale(in[3]) : 65535);
            }
        }
    } else {
        const QImage wrapped(data, w, h, stride,
                             premultiplied ? QImage::Format_RGBA8888_Premultiplied
                             : alpha       ? QImage::Format_RGBA8888
                                           : QImage::Format_RGB888);
        result = LargeImage::copy(wrapped, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    if (premultiplied && deep)
        result = result.convertToFormat(QImage::Format_RGBA64);
    result.setColorSpace(colorSpaceOf(handle.pointer));
    return ColorConversion::toSRGB(std::move(result));
}

QVariantMap HeifImageSource::imageProperties(int index) {
    Handle handle;
    if (heif_context_get_image_handle(context, ids[size_t(index)], &handle.pointer).code != heif_error_Ok)
        return QVariantMap();
    QVariantMap map = describe(heif_image_handle_get_width(handle.pointer), heif_image_handle_get_height(handle.pointer),
                               heif_image_handle_get_luma_bits_per_pixel(handle.pointer), QStringLiteral("RGB"),
                               heif_image_handle_has_alpha_channel(handle.pointer));
    // Sizes are of the image as displayed: the transformations are applied.
    map.insert(QStringLiteral("Orientation"), 1);
    const QColorSpace space = colorSpaceOf(handle.pointer);
    if (space.isValid() && !space.description().isEmpty())
        map.insert(QStringLiteral("ProfileName"), space.description());
    return map;
}

const ExifProperties& HeifImageSource::metadata(int index) {
    std::optional<ExifProperties>& cached = exif[size_t(index)];
    if (cached)
        return *cached;
    cached = ExifProperties();
    Handle handle;
    if (heif_context_get_image_handle(context, ids[size_t(index)], &handle.pointer).code != heif_error_Ok)
        return *cached;
    const auto block = [&handle](const char* type, const char* contentType) {
        heif_item_id found[8] = {};
        const int n = heif_image_handle_get_list_of_metadata_block_IDs(handle.pointer, type, found, 8);
        for (int i = 0; i < std::min(n, 8); ++i) {
            if (contentType && qstrcmp(heif_image_handle_get_metadata_content_type(handle.pointer, found[i]),
                                       contentType) != 0)
                continue;
            const size_t size = heif_image_handle_get_metadata_size(handle.pointer, found[i]);
            if (size < 8 || size > (64u << 20))
                return QByteArray();
            QByteArray data(qsizetype(size), Qt::Uninitialized);
            if (heif_image_handle_get_metadata(handle.pointer, found[i], data.data()).code != heif_error_Ok)
                return QByteArray();
            return data;
        }
        return QByteArray();
    };
    QByteArray tiff = block("Exif", nullptr);
    if (!tiff.isEmpty()) {
        // The block starts with the offset of the TIFF header that follows.
        const quint32 skip = (quint32(uchar(tiff[0])) << 24) | (quint32(uchar(tiff[1])) << 16) |
                             (quint32(uchar(tiff[2])) << 8) | quint32(uchar(tiff[3]));
        tiff = skip < quint32(tiff.size()) - 4 ? tiff.mid(4 + qsizetype(skip)) : QByteArray();
    }
    cached = ExifProperties::readBlocks(tiff, block("mime", "application/rdf+xml"));
    return *cached;
}

bool HeifImageSource::fitsBudget() {
    Handle handle;
    if (ids.empty() ||
        heif_context_get_image_handle(context, ids[0], &handle.pointer).code != heif_error_Ok)
        return true; // nothing to reduce: the usual path says so
    return fitsBudget(handle.pointer);
}

bool HeifImageSource::fitsBudget(const heif_image_handle* handle) {
    // libheif holds the decoded planes and their interleaved copy while we make ours.
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
    return DecodeLimits::allows(heif_image_handle_get_width(handle),
                                heif_image_handle_get_height(handle), deep ? 8 : 4, deep ? 16 : 8);
}

QImage HeifImageSource::overview(const QSize& bound) {
    if (fitsBudget())
        return ImageSource::overview(bound);
    const QVariantMap properties = propertiesAtIndex(0);
    const QSize size(properties.value(QStringLiteral("PixelWidth")).toInt(),
                     properties.value(QStringLiteral("PixelHeight")).toInt());
    return reducedPart(QRect(QPoint(), size), AreaReducer::fitted(size, bound));
}

QImage HeifImageSource::region(const QRect& area, int denominator) {
    if (fitsBudget())
        return ImageSource::region(area, denominator);
    if (area.isEmpty() || denominator < 1)
        return QImage();
    return reducedPart(area, QSize((area.width() + denominator - 1) / denominator,
                                   (area.height() + denominator - 1) / denominator));
}

// libheif decodes nothing smaller than a whole image: one over the budget is
// decoded at 8 bits within the working budget, and only `area` of it,
// averaged to `size`, is kept, so the picture is never held as ours.
QImage HeifImageSource::reducedPart(const QRect& area, QSize size) {
    Handle handle;
    if (ids.empty() ||
        heif_context_get_image_handle(context, ids[0], &handle.pointer).code != heif_error_Ok)
        return QImage();
    const int width = heif_image_handle_get_width(handle.pointer);
    const int height = heif_image_handle_get_height(handle.pointer);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.pointer);
    // The decoder's planes and our interleaved copy of them.
    if (!DecodeLimits::allowsSize(width, height) || !QRect(0, 0, width, height).contains(area) ||
        !DecodeLimits::allowsWork(qint64(width) * height * 8) ||
        !DecodeLimits::allows(size.width(), size.height(), 4))
        return QImage();
    // The chroma the full decode asks for, so that both give the same pixels.
    Image image;
    if (heif_decode_image(handle.pointer, &image.pointer, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_444, nullptr)
            .code != heif_error_Ok)
        return QImage();
    const heif_channel channels[3] = {heif_channel_R, heif_channel_G, heif_channel_B};
    const uint8_t* planes[3] = {};
    int strides[3] = {};
    for (int c = 0; c < (alpha ? 1 : 3); ++c) {
        const heif_channel channel = alpha ? heif_channel_interleaved : channels[c];
        planes[c] = heif_image_get_plane_readonly(image.pointer, channel, &strides[c]);
        if (!planes[c] || heif_image_get_width(image.pointer, channel) < area.right() + 1 ||
            heif_image_get_height(image.pointer, channel) < area.bottom() + 1 ||
            (!alpha && heif_image_get_bits_per_pixel(image.pointer, channel) != 8))
            return QImage();
    }
    AreaReducer reducer(area.size(), size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (reducer.isNull())
        return QImage();
    const QImage::Format stored = heif_image_is_premultiplied_alpha(image.pointer)
                                      ? QImage::Format_RGBA8888_Premultiplied
                                      : QImage::Format_RGBA8888;
    std::vector<quint32> row(size_t(area.width()));
    for (int y = area.top(); y <= area.bottom(); ++y) {
        if (alpha) {
            const QImage pixels(planes[0] + qsizetype(y) * strides[0] + qsizetype(area.left()) * 4,
                                area.width(), 1, strides[0], stored);
            reducer.addRow(pixels.convertToFormat(QImage::Format_ARGB32).constBits());
            continue;
        }
        const qsizetype at = area.left();
        const uint8_t* r = planes[0] + qsizetype(y) * strides[0] + at;
        const uint8_t* g = planes[1] + qsizetype(y) * strides[1] + at;
        const uint8_t* b = planes[2] + qsizetype(y) * strides[2] + at;
        for (int x = 0; x < area.width(); ++x)
            row[size_t(x)] = 0xff000000u | quint32(r[x]) << 16 | quint32(g[x]) << 8 | b[x];
        reducer.addRow(reinterpret_cast<const uchar*>(row.data()));
    }
    QImage result = reducer.result();
    result.setColorSpace(colorSpaceOf(handle.pointer));
    return ColorConversion::toSRGB(std::move(result));
}
