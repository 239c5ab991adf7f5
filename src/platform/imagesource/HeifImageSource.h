#pragma once

#include "platform/imagesource/EncodedImageSource.h"

#include <vector>

struct heif_context;
struct heif_image_handle;

// HEIF and HEIC through libheif: every top-level image, the primary first,
// with its colour profile (ICC or CICP) converted to sRGB. libheif applies
// the container's rotation and mirroring while decoding, so images come
// back upright and report orientation 1.
class HeifImageSource : public EncodedImageSource {
public:
    static bool claims(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);
    ~HeifImageSource() override;

    int count() const override { return int(ids.size()); }
    QImage imageAtIndex(int index) override;
    QString type() const override;
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;

  protected:
    QVariantMap imageProperties(int index) override;
    const ExifProperties& metadata(int index) override;

private:
    explicit HeifImageSource(const QByteArray& bytes);
    bool readHeader() override;
    // Whether image 0, or the image of `handle`, decodes whole within the budget.
    bool fitsBudget();
    static bool fitsBudget(const heif_image_handle* handle);
    QImage reducedPart(const QRect& area, QSize size);

    heif_context* context = nullptr;
    std::vector<quint32> ids;
    std::vector<std::optional<ExifProperties>> exif;
    QByteArray brand;
};
