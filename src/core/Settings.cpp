#include "core/Settings.h"

#include "platform/SettingsFile.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <cmath>

Settings::Settings() = default;

Settings::Settings(QSettings& store) : external(&store) {}

namespace {
// Where QSettings keeps the application's store, known before it reads it.
QString applicationStorePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + QCoreApplication::organizationName() + QLatin1Char('/') +
           QCoreApplication::applicationName() + QStringLiteral(".conf");
}
} // namespace

QSettings* Settings::store() const {
    if (external)
        return external;
    if (!own && !unreadable) {
        // QSettings reads a file whole, whatever its size, and decodes every
        // value in it at the first look-up.
        if (SettingsFile::prepareToRead(applicationStorePath()))
            own.emplace();
        else
            unreadable = true;
    }
    return own ? &*own : nullptr;
}

QString Settings::fileName() const {
    if (QSettings* settings = store())
        return settings->fileName();
    return applicationStorePath();
}

QVariant Settings::value(const char* key) const {
    const QString name = QString::fromLatin1(key);
    QSettings* settings = store();
    if (auto held = SettingsFile::held(fileName(), name))
        return *held;
    return settings ? settings->value(name) : QVariant();
}

void Settings::setValue(const char* key, const QVariant& value) {
    // Writing marks the file for rewriting even when nothing changes, and
    // some writers run often (the panel's visibility, on every refresh).
    const QString name = QString::fromLatin1(key);
    QSettings* settings = store();
    const QVariant stored = this->value(key);
    if (stored.isValid() && sameValue(stored, value))
        return;
    SettingsFile::write(settings, fileName(), {{name, value}});
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

std::optional<double> Settings::number(const char* key) const {
    const QVariant stored = value(key);
    switch (stored.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        break;
    default:
        // A list, a map, a rectangle or bytes are no number.
        return std::nullopt;
    }
    bool ok = false;
    const double d = stored.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<int> Settings::integer(const char* key, int minimum, int maximum) const {
    const std::optional<double> d = number(key);
    if (!d || std::trunc(*d) < minimum || std::trunc(*d) > maximum)
        return std::nullopt;
    return int(*d);
}

double Settings::coordinate(const char* key) const {
    const double d = number(key).value_or(0.0);
    return d >= 0.0 && d <= maximumCoordinate ? d : 0.0;
}

int Settings::slideshowDelay() const {
    return integer(SlideshowDelay, minimumSlideshowDelay, maximumSlideshowDelay)
        .value_or(defaultSlideshowDelay);
}

QColor Settings::backgroundColor() const {
    const QVariant stored = value(BackgroundColor);
    if (stored.typeId() != QMetaType::QString)
        return QColor(Qt::black);
    const QString text = stored.toString();
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
    const QVariant stored = value(SavedFolders);
    // Text would convert to an empty map anyway; a hash is what an older
    // writer may have used.
    if (stored.typeId() != QMetaType::QVariantMap && stored.typeId() != QMetaType::QVariantHash)
        return {};
    return stored.toMap();
}

bool Settings::panelVisible() const {
    const QVariant stored = value(PanelVisible);
    switch (stored.typeId()) {
    case QMetaType::QString: {
        const QString s = stored.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("yes"))
            return true;
        const double d = s.toDouble();
        return std::isfinite(d) && d != 0.0;
    }
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Double:
        return stored.toBool();
    default:
        return false;
    }
}

QString Settings::lastOpenFolder() const {
    const QVariant stored = value(LastOpenFolder);
    return stored.typeId() == QMetaType::QString ? stored.toString() : QString();
}

QRect Settings::preferencesFrame() const {
    const QVariant stored = value(PreferencesFrame);
    if (stored.typeId() != QMetaType::QRect)
        return QRect();
    const QRect frame = stored.toRect();
    const auto within = [](int v, double limit) { return std::abs(double(v)) <= limit; };
    if (frame.width() < 1 || frame.height() < 1 || frame.width() > maximumFrameSide ||
        frame.height() > maximumFrameSide || !within(frame.x(), maximumCoordinate) ||
        !within(frame.y(), maximumCoordinate))
        return QRect();
    return frame;
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
