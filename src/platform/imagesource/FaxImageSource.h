#pragma once

#include "platform/imagesource/EncodedImageSource.h"

// Fax files (.fax, .jfx, .jfax): TIFF class F pages through libtiff, or a
// headerless Group 3 page. Files under these names that hold another format
// never get here: content sniffing sends them to their own decoder.
class FaxImageSource : public EncodedImageSource {
public:
    static std::unique_ptr<ImageSource> openTiff(const QByteArray& bytes);
    static std::unique_ptr<ImageSource> openRaw(const QByteArray& bytes);

    int count() const override { return pages; }
    QImage imageAtIndex(int index) override;
    QString type() const override;

protected:
    QVariantMap imageProperties(int index) override;

private:
    FaxImageSource(const QByteArray& bytes, bool raw);
    bool readHeader() override;

    bool raw; // headerless Group 3 data, not a TIFF
    int pages = 0;
    QImage rawPage; // the decoded page of headerless data
};
