#pragma once

#include "platform/imagesource/EncodedImageSource.h"
#include "platform/imagesource/MpoIndex.h"

#include <vector>

// Multi-picture files (stereo pairs and the like): one JPEG per picture,
// located through the MPF index and each decoded by Qt's JPEG reader.
class MpoImageSource : public EncodedImageSource {
public:
    // Nothing unless the index lists two or more pictures.
    static std::unique_ptr<ImageSource> open(const QByteArray& bytes);

    int count() const override { return int(entries.size()); }
    QImage imageAtIndex(int index) override;
    QVariantMap propertiesAtIndex(int index) override;
    QString type() const override { return QStringLiteral("public.mpo-image"); }

protected:
    QVariantMap imageProperties(int index) override;

private:
    explicit MpoImageSource(const QByteArray& bytes);
    bool readHeader() override;
    ImageSource* picture(int index);

    QList<MpoIndex::Entry> entries;
    std::vector<std::unique_ptr<ImageSource>> pictures;
};
