#pragma once

#include "platform/ImageSource.h"
#include "platform/imagesource/EncodedBytes.h"
#include "platform/imagesource/ExifProperties.h"

#include <memory>
#include <optional>

class MappedFile;

// What every decoder over a buffer of encoded bytes shares: the bytes, the
// container's file size, and the metadata Exiv2 reads, merged under the
// decoder's own image properties.
class EncodedImageSource : public ImageSource {
public:
    QVariantMap propertiesAtIndex(int index) override;
    QVariantMap properties() override;
    // Nothing for a file read as it decodes or mapped: it is not held.
    QByteArray encoded() const override {
        return input.isStreamed() || mapping ? QByteArray() : bytes;
    }
    // The bytes are a view of this mapped file, which lives as long.
    void keepMapped(std::shared_ptr<const MappedFile> file) { mapping = std::move(file); }

    // The usual keys of a decoded or header-described image.
    static QVariantMap describe(int width, int height, int depth, const QString& colorModel, bool hasAlpha);

protected:
  explicit EncodedImageSource(const EncodedBytes& input);

  // What every decoder's open() ends with: the source once its header has
  // been read, nothing when the bytes are no image it can show (the item
  // then shows "Can't open", or the next decoder is tried).
  template <typename Source> static std::unique_ptr<Source> opened(Source* source) {
      std::unique_ptr<Source> owned(source);
      if (!static_cast<EncodedImageSource*>(source)->readHeader())
          owned.reset();
      return owned;
    }
    // Reads what the decoder keeps from the header (reading from `bytes`);
    // false when it cannot, or when the size it states is no real image's
    // (DecodeLimits::allowsSize).
    virtual bool readHeader() = 0;

    // The decoder's own keys for one image (index already checked):
    // "PixelWidth", "PixelHeight", "Depth", "ColorModel", "HasAlpha" and
    // whatever the format adds. They win over the metadata's.
    virtual QVariantMap imageProperties(int index) = 0;
    // Extra container keys besides "FileSize".
    virtual QVariantMap containerProperties() { return QVariantMap(); }
    // The metadata of the image at index; by default the file's, read once.
    virtual const ExifProperties& metadata(int index);
    QImage embeddedThumbnail() override;

    // What the decoder reads, and the part of it in memory: all of it, or
    // the head of a file too large to hold (its header, chunks and tags).
    const EncodedBytes input;
    const QByteArray bytes;

private:
    std::optional<ExifProperties> fileMetadata;
    std::shared_ptr<const MappedFile> mapping;
};
