#include "platform/imagesource/JxlBoxes.h"

#include <jxl/decode.h>

namespace {

// No real metadata block comes near this; a box inflating past it is dropped.
constexpr qsizetype maxBoxBytes = qsizetype(16) << 20;

// Collects the contents of one box while the decoder writes it, growing the
// buffer as the decoder asks.
class BoxReader {
  public:
    explicit BoxReader(JxlDecoder* decoder) : decoder(decoder) {}
    void start(QByteArray* destination) {
        target = destination;
        buffer = QByteArray(4096, Qt::Uninitialized);
        JxlDecoderSetBoxBuffer(decoder, reinterpret_cast<uint8_t*>(buffer.data()),
                               size_t(buffer.size()));
    }
    // false when the box grows past the limit: it is dropped.
    bool grow() {
        const qsizetype used = buffer.size() - qsizetype(JxlDecoderReleaseBoxBuffer(decoder));
        if (buffer.size() >= maxBoxBytes) {
            target = nullptr;
            return false;
        }
        buffer.resize(std::min(buffer.size() * 2, maxBoxBytes));
        JxlDecoderSetBoxBuffer(decoder, reinterpret_cast<uint8_t*>(buffer.data()) + used,
                               size_t(buffer.size() - used));
        return true;
    }
    void finish() {
        if (!target)
            return;
        const qsizetype unused = qsizetype(JxlDecoderReleaseBoxBuffer(decoder));
        buffer.truncate(buffer.size() - unused);
        *target = buffer;
        target = nullptr;
    }

  private:
    JxlDecoder* decoder;
    QByteArray* target = nullptr;
    QByteArray buffer;
};

quint32 be32(const QByteArray& bytes) {
    return (quint32(uchar(bytes[0])) << 24) | (quint32(uchar(bytes[1])) << 16) |
           (quint32(uchar(bytes[2])) << 8) | quint32(uchar(bytes[3]));
}

} // namespace

bool JxlBoxes::isCodestream(const QByteArray& bytes) {
    return bytes.size() >= 2 && uchar(bytes.at(0)) == 0xFF && uchar(bytes.at(1)) == 0x0A;
}

bool JxlBoxes::isContainer(const QByteArray& bytes) {
    return bytes.startsWith(QByteArray("\0\0\0\x0CJXL \x0D\x0A\x87\x0A", 12));
}

JxlBoxes JxlBoxes::read(const QByteArray& bytes) {
    JxlBoxes boxes;
    if (!isContainer(bytes))
        return boxes;
    JxlDecoder* decoder = JxlDecoderCreate(nullptr);
    if (!decoder)
        return boxes;
    QByteArray exif;
    // Writers compress metadata boxes ("brob"): the library inflates them.
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BOX) == JXL_DEC_SUCCESS &&
        JxlDecoderSetDecompressBoxes(decoder, JXL_TRUE) == JXL_DEC_SUCCESS &&
        JxlDecoderSetInput(decoder, reinterpret_cast<const uint8_t*>(bytes.constData()),
                           size_t(bytes.size())) == JXL_DEC_SUCCESS) {
        JxlDecoderCloseInput(decoder);
        BoxReader reader(decoder);
        for (bool more = true; more;) {
            switch (JxlDecoderProcessInput(decoder)) {
            case JXL_DEC_BOX: {
                reader.finish();
                JxlBoxType type;
                if (JxlDecoderGetBoxType(decoder, type, JXL_TRUE) != JXL_DEC_SUCCESS)
                    break;
                const QByteArray name(type, 4);
                if (name == "Exif" && exif.isEmpty())
                    reader.start(&exif);
                else if (name == "xml " && boxes.xmp.isEmpty())
                    reader.start(&boxes.xmp);
                break;
            }
            case JXL_DEC_BOX_NEED_MORE_OUTPUT:
                more = reader.grow();
                break;
            case JXL_DEC_SUCCESS:
                reader.finish();
                more = false;
                break;
            default: // damaged or cut short: what was read so far stands
                more = false;
                break;
            }
        }
    }
    JxlDecoderDestroy(decoder);
    // The EXIF payload starts with the offset of the TIFF header after it.
    if (exif.size() >= 4) {
        const quint32 skip = be32(exif);
        if (skip < quint32(exif.size() - 4))
            boxes.exif = exif.mid(4 + qsizetype(skip));
    }
    return boxes;
}
