#pragma once

#include "platform/imagesource/EncodedImageSource.h"

// Photoshop composites (.psd) and Softimage PIC (.pic) through stb_image;
// 16-bit PSD keeps its depth.
class StbImageSource : public EncodedImageSource {
public:
    enum class Kind { Psd, Pic };

    static bool claims(const QByteArray& bytes, Kind kind);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes, Kind kind);

    int count() const override { return 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override;

protected:
    QVariantMap imageProperties(int index) override;

private:
    StbImageSource(const QByteArray& bytes, Kind kind);
    bool readHeader() override;

    Kind kind;
    int width = 0;
    int height = 0;
    int channels = 0;
    bool deep = false;
};
