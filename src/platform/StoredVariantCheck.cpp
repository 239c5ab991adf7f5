#include "platform/StoredVariantCheck.h"

#include <QMetaType>

namespace {

enum class Walk { Safe, Unsafe, Ended };

class Reader {
  public:
    explicit Reader(QByteArrayView bytes) : bytes(bytes) {}

    Walk variant(int depth) {
        if (depth > StoredVariantCheck::maximumDepth)
            return Walk::Unsafe;
        quint32 type = 0;
        if (!number(&type))
            return Walk::Ended;
        switch (type) {
        case QMetaType::UnknownType:
            return Walk::Ended; // Qt stops at an invalid value
        case QMetaType::Bool:
            return skip(1);
        case QMetaType::Int:
        case QMetaType::UInt:
            return skip(4);
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::QSize:
        case QMetaType::QPoint:
            return skip(8);
        case QMetaType::QRect:
        case QMetaType::QSizeF:
        case QMetaType::QPointF:
            return skip(16);
        case QMetaType::QRectF:
            return skip(32);
        case QMetaType::QString:
        case QMetaType::QByteArray:
            // Read in blocks as the bytes arrive, whatever the length says.
            return sized();
        case QMetaType::QStringList:
            return list(4, depth, [this](int) { return sized(); });
        case QMetaType::QVariantList:
            return list(4, depth, [this](int level) { return variant(level); });
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash:
            return list(8, depth, [this](int level) {
                const Walk key = sized();
                return key == Walk::Safe ? variant(level) : key;
            });
        default:
            return Walk::Unsafe;
        }
    }

  private:
    bool number(quint32* value) {
        if (bytes.size() - at < 4)
            return false;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        *value = quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
        at += 4;
        return true;
    }

    Walk skip(qsizetype count) {
        if (bytes.size() - at < count)
            return Walk::Ended;
        at += count;
        return Walk::Safe;
    }

    Walk sized() {
        quint32 length = 0;
        if (!number(&length))
            return Walk::Ended;
        if (length == 0xffffffffu)
            return Walk::Safe; // a null string
        return skip(qsizetype(length));
    }

    template <typename Element> Walk list(qsizetype smallest, int depth, Element element) {
        quint32 count = 0;
        if (!number(&count))
            return Walk::Ended;
        if (qsizetype(count) > (bytes.size() - at) / smallest)
            return Walk::Unsafe;
        for (quint32 i = 0; i < count; ++i) {
            const Walk walked = element(depth + 1);
            if (walked != Walk::Safe)
                return walked;
        }
        return Walk::Safe;
    }

    QByteArrayView bytes;
    qsizetype at = 0;
};

} // namespace

bool StoredVariantCheck::isSafe(QByteArrayView stream) {
    return Reader(stream).variant(0) != Walk::Unsafe;
}
