#include "core/Settings.h"

#include <cmath>
#include <limits>

Settings::Settings() = default;

Settings::Settings(QSettings& store) : external(&store) {}

QSettings& Settings::store() const {
    if (external)
        return *external;
    if (!own)
        own.emplace();
    return *own;
}

void Settings::setValue(const char* key, const QVariant& value) {
    // Writing marks the file for rewriting even when nothing changes, and
    // some writers run often (the panel's visibility, on every refresh).
    const QString name = QString::fromLatin1(key);
    QSettings& settings = store();
    if (settings.contains(name) && sameValue(settings.value(name), value))
        return;
    settings.setValue(name, value);
}

bool Settings::sameValue(const QVariant& stored, const QVariant& value) {
    if (stored == value)
        return true;
    // A value read back from the file is text: "true" is the true written.
    const bool scalar = value.canConvert<QString>() && value.typeId() != QMetaType::QVariantMap &&
                        value.typeId() != QMetaType::QVariantList &&
                        value.typeId() != QMetaType::QStringList;
    return scalar && stored.typeId() == QMetaType::QString && value.isValid() &&
           stored.toString() == value.toString();
}

double Settings::number(const char* key) const {
    const QVariant value = store().value(QString::fromLatin1(key));
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return 0.0;
    return d;
}

int Settings::integer(const char* key) const {
    const double d = number(key);
    // A hand-edited store can hold anything; clamp rather than overflow.
    if (d >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (d <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(d);
}

double Settings::nonNegative(const char* key) const {
    return std::max(0.0, number(key));
}

int Settings::effectiveSlideshowDelay(int stored) {
    return stored < minimumSlideshowDelay ? defaultSlideshowDelay : stored;
}

int Settings::slideshowDelay() const {
    return effectiveSlideshowDelay(integer(SlideshowDelay));
}

QColor Settings::backgroundColor() const {
    const QString text = store().value(QString::fromLatin1(BackgroundColor)).toString();
    // Exactly a number sign and six hexadecimal digits: the general parser
    // drops number signs wherever they stand and lets the number parser skip
    // blanks, so "12#3456" or "# 12345" would pass it.
    if (text.size() != 7 || text.at(0) != QLatin1Char('#'))
        return QColor(Qt::black);
    for (int i = 1; i < 7; ++i) {
        const char16_t c = text.at(i).unicode();
        const bool hex =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!hex)
            return QColor(Qt::black);
    }
    if (auto color = colorFromHex(text))
        return *color;
    return QColor(Qt::black);
}

QVariantMap Settings::savedFolders() const {
    return store().value(QString::fromLatin1(SavedFolders)).toMap();
}

bool Settings::panelVisible() const {
    const QVariant value = store().value(QString::fromLatin1(PanelVisible));
    if (value.typeId() == QMetaType::QString) {
        const QString s = value.toString().trimmed().toLower();
        return s == QLatin1String("true") || s == QLatin1String("yes") || s.toDouble() != 0.0;
    }
    return value.toBool();
}

std::optional<QColor> Settings::colorFromHex(const QString& text) {
    QString hex = text;
    hex.remove(QLatin1Char('#'));
    if (hex.size() == 3) {
        QString doubled;
        for (QChar c : hex)
            doubled += QString(2, c);
        hex = doubled;
    }
    if (hex.size() == 6)
        hex += QLatin1String("ff");
    if (hex.size() != 8)
        return std::nullopt;
    int components[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        components[i] = hex.mid(i * 2, 2).toInt(&ok, 16);
        if (!ok || hex.at(i * 2) == QLatin1Char('+') || hex.at(i * 2) == QLatin1Char('-'))
            return std::nullopt;
    }
    return QColor::fromRgbF(float(components[0] / 255.0), float(components[1] / 255.0),
                            float(components[2] / 255.0), float(components[3] / 255.0));
}

QString Settings::hexString(const QColor& color) {
    const QColor rgb = color.toRgb();
    return QString::asprintf("#%02X%02X%02X", rgb.red(), rgb.green(), rgb.blue());
}
