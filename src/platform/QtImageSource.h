#pragma once

#include "platform/imagesource/EncodedImageSource.h"
#include "platform/imagesource/GifAnimation.h"
#include "platform/imagesource/JpegScanIndex.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>

// Qt's own readers and the image-format plugins behind the ImageSource
// interface: JPEG, GIF, BMP, ICO, TIFF, ICNS, TGA (PNG and WebP have their own).
class QtImageSource : public EncodedImageSource {
public:
    // Nothing when no Qt reader recognises the content. An empty format lets
    // Qt decide from the content.
    static std::unique_ptr<QtImageSource> open(const QByteArray& bytes, const QByteArray& format = QByteArray());

    int count() const override { return imageCount; }
    QImage imageAtIndex(int index) override;
    QString type() const override;
    QImage overview(const QSize& bound) override;
    QImage region(const QRect& area, int denominator = 1) override;
    bool streamImage(const BandSink& sink) override;
    void prepareRegions() override;

  protected:
    QVariantMap imageProperties(int index) override;
    QVariantMap containerProperties() override;
    QImage reducedImage(int maxPixelSize) override;

private:
    QtImageSource(const QByteArray& bytes, const QByteArray& format);
    bool readHeader() override;
    bool seek(int index);
    void restart();
    QVariantMap animationProperties(int index);

    QBuffer buffer;
    std::unique_ptr<QImageReader> reader;
    QByteArray format;
    int imageCount = 0;
    int position = 0;
    QList<int> gifDelays;
    int gifLoopCount = 1;
    bool gifComplete = true;
    std::optional<GifAnimation::Cut> gifCut; // where a GIF's data ends inside a frame
    std::optional<JpegScanIndex> scanIndex; // a huge JPEG's, once prepared
    bool scanIndexTried = false;
};
