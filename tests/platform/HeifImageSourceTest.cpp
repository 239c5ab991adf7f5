#include "platform/ImageSource.h"

#include <cstring>
#include <gtest/gtest.h>
#include <libheif/heif.h>

namespace {

heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata) {
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// A HEIC of one colour with alpha, its samples stored as given and flagged
// premultiplied when asked; empty when this libheif cannot encode.
QByteArray heic(QRgb samples, bool premultiplied) {
    const int size = 64;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    QByteArray bytes;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
            heif_error_Ok &&
        heif_image_create(size, size, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &image)
                .code == heif_error_Ok &&
        heif_image_add_plane(image, heif_channel_interleaved, size, size, 8).code ==
            heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                uint8_t* p = plane + y * stride + x * 4;
                p[0] = uint8_t(qRed(samples));
                p[1] = uint8_t(qGreen(samples));
                p[2] = uint8_t(qBlue(samples));
                p[3] = uint8_t(qAlpha(samples));
            }
        }
        heif_image_set_premultiplied_alpha(image, premultiplied);
        heif_encoder_set_lossy_quality(encoder, 100);
        heif_writer writer{1, appendTo};
        if (heif_context_encode_image(context, image, encoder, nullptr, nullptr).code !=
                heif_error_Ok ||
            heif_context_write(context, &writer, &bytes).code != heif_error_Ok)
            bytes.clear();
    }
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

// White at half opacity: stored premultiplied as half grey, it must come
// back white; stored straight, it already is.
TEST(HeifImageSource, PremultipliedAlphaComesBackStraight) {
    for (const bool premultiplied : {true, false}) {
        const QRgb samples = premultiplied ? qRgba(128, 128, 128, 128) : qRgba(255, 255, 255, 128);
        const QByteArray bytes = heic(samples, premultiplied);
        ASSERT_FALSE(bytes.isEmpty()) << "libheif cannot encode HEVC here";
        auto source = ImageSource::createWithData(bytes);
        ASSERT_TRUE(source);
        const QImage decoded = source->imageAtIndex(0).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(decoded.isNull());
        const QRgb pixel = decoded.pixel(32, 32);
        EXPECT_GE(qGray(pixel), 245) << (premultiplied ? "premultiplied" : "straight");
        EXPECT_NEAR(qAlpha(pixel), 128, 4) << (premultiplied ? "premultiplied" : "straight");
    }
}

} // namespace
