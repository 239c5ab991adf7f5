#include "platform/FileName.h"

namespace {

constexpr char16_t escapeBase = 0xDC00; // U+DC80..U+DCFF carry the bytes 0x80..0xFF

bool isEscapedByte(char16_t unit) {
    return unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF;
}

bool isContinuation(uchar byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at data[at] and its code point, or
// 0 when the bytes there are not one (overlong forms, surrogates and values
// above U+10FFFF included).
int validSequence(const uchar* data, qsizetype size, qsizetype at, char32_t* codePoint) {
    const uchar lead = data[at];
    int length = 0;
    char32_t value = 0, minimum = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > size)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(data[at + i]))
            return 0;
        value = (value << 6) | (data[at + i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

} // namespace

QString FileName::decode(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    QString name;
    name.reserve(size);
    for (qsizetype at = 0; at < size;) {
        char32_t codePoint = 0;
        const int length = validSequence(data, size, at, &codePoint);
        if (length == 0) {
            name.append(QChar(char16_t(escapeBase + data[at])));
            ++at;
            continue;
        }
        if (codePoint >= 0x10000) {
            const char32_t c = codePoint - 0x10000;
            name.append(QChar(char16_t(0xD800 + (c >> 10))));
            name.append(QChar(char16_t(0xDC00 + (c & 0x3FF))));
        } else {
            name.append(QChar(char16_t(codePoint)));
        }
        at += length;
    }
    return name;
}

QString FileName::decode(const char* bytes) {
    return bytes ? decode(QByteArray(bytes)) : QString();
}

QByteArray FileName::encode(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype from = 0; // start of the run of ordinary text not yet written
    auto flush = [&](qsizetype to) {
        if (to > from)
            bytes += QStringView(name).mid(from, to - from).toUtf8();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        // An escaped byte is a low surrogate with no high one before it.
        const bool paired = i > 0 && QChar::isHighSurrogate(name.at(i - 1).unicode());
        if (isEscapedByte(unit) && !paired) {
            flush(i);
            bytes += char(unit - escapeBase);
            from = i + 1;
        }
    }
    flush(name.size());
    return bytes;
}

QString FileName::display(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t unit = shown.at(i).unicode();
        const bool paired = i > 0 && QChar::isHighSurrogate(name.at(i - 1).unicode());
        // A control character (a newline in a name) would break a title
        // into lines or vanish from it.
        const bool control = unit < 0x20 || (unit >= 0x7F && unit < 0xA0);
        if ((isEscapedByte(unit) && !paired) || control)
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}
