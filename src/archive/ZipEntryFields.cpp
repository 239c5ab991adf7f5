#include "archive/ZipEntryFields.h"

#include <algorithm>
#include <optional>

namespace {

std::optional<QString> decodeWindows1252(const QByteArray& bytes) {
    // 0x80-0x9F; zero marks the five bytes the code page leaves undefined.
    static const char16_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte <= 0x9F) {
            if (high[byte - 0x80] == 0)
                return std::nullopt;
            *out++ = QChar(high[byte - 0x80]);
        } else {
            *out++ = QChar(byte);
        }
    }
    return text;
}

} // namespace

namespace ZipEntryFields {

QString decodedPath(const QByteArray& stored, QStringDecoder& utf8) {
    const bool ascii = std::all_of(stored.cbegin(), stored.cend(), [](char c) { return c >= 0; });
    QString path;
    if (ascii) {
        path = QString::fromLatin1(stored);
    } else {
        utf8.resetState();
        path = utf8.decode(stored);
    }
    if (!ascii && utf8.hasError()) {
        const std::optional<QString> latin = decodeWindows1252(stored);
        path = latin ? *latin : QStringLiteral("Untitled Document");
    }
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

tm_unz brokenDown(const quint32 (&date)[6]) {
    tm_unz tm;
    tm.tm_sec = date[0];
    tm.tm_min = date[1];
    tm.tm_hour = date[2];
    tm.tm_mday = date[3];
    tm.tm_mon = date[4];
    tm.tm_year = date[5];
    return tm;
}

bool isValidDate(const tm_unz& tm) {
    // The month arrives 0-based, so a stored month 0 shows up as a huge number.
    return tm.tm_sec < 60 && tm.tm_min < 60 && tm.tm_hour < 24 && tm.tm_mday != 0 && tm.tm_mon < 12;
}

QStringView parentPath(QStringView path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringView();
    if (slash == 0)
        return path.left(1);
    QStringView parent = path.left(slash);
    while (parent.size() > 1 && parent.endsWith(QLatin1Char('/')))
        parent.chop(1);
    return parent;
}
} // namespace ZipEntryFields
