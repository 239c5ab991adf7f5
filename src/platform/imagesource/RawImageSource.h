#pragma once

#include "platform/imagesource/EncodedImageSource.h"

class LibRaw;

// Camera raw files through LibRaw: the full image at the camera's output
// size, white-balanced as shot, in sRGB. The sensor's orientation is
// reported, not applied.
class RawImageSource : public EncodedImageSource {
public:
    // The leading bytes of raw formats that are not TIFF-based.
    static bool claims(const QByteArray& bytes);
    // Whether a TIFF file is a DNG (IFD0 holds DNGVersion).
    static bool isDng(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);
    ~RawImageSource() override;

    int count() const override { return 1; }
    QImage imageAtIndex(int index) override;
    QString type() const override { return typeIdentifier; }
    QImage firstLook() override;

protected:
    QVariantMap imageProperties(int index) override;
    QImage embeddedThumbnail() override;

private:
    explicit RawImageSource(const QByteArray& bytes);
    bool readHeader() override;
    bool reopen();

    std::unique_ptr<LibRaw> raw;
    int width = 0;
    int height = 0;
    int orientation = 1;
    bool fresh = true; // opened and not yet decoded
    QString typeIdentifier;
};
