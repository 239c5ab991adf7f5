#include "info/InfoSummary.h"

#include <QFileInfo>
#include <cmath>

namespace {

// Longer than a day or shorter than a hundred-thousandth of a second is no
// camera's setting: a damaged value.
constexpr double longestExposure = 86400.0;
constexpr double shortestExposure = 1e-5;

QString decimal(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QString text(const QVariant& value) {
    return value.typeId() == QMetaType::QString ? value.toString().simplified() : QString();
}

} // namespace

std::optional<double> InfoSummary::positive(const QVariant& value) {
    const QVariant first =
        value.typeId() == QMetaType::QVariantList ? value.toList().value(0) : value;
    bool ok = false;
    const double number = first.toDouble(&ok);
    if (!ok || first.typeId() == QMetaType::QString || !std::isfinite(number) || number <= 0.0)
        return std::nullopt;
    return number;
}

QString InfoSummary::exposureTime(double seconds) {
    if (!std::isfinite(seconds) || seconds < shortestExposure || seconds > longestExposure)
        return QString();
    if (seconds >= 1.0)
        return decimal(seconds, 1) + QStringLiteral(" s");
    // Fractions as cameras name them: the reciprocal to the whole number,
    // except a long one that is no fraction of a whole (3/10 is "0.3 s").
    const double reciprocal = 1.0 / seconds;
    const double whole = std::round(reciprocal);
    if (reciprocal < 4.0 && std::abs(reciprocal - whole) > 0.02 * whole)
        return decimal(seconds, 1) + QStringLiteral(" s");
    return QStringLiteral("1/%1 s").arg(qlonglong(whole));
}

QString InfoSummary::aperture(double fNumber) {
    if (!std::isfinite(fNumber) || fNumber <= 0.0 || fNumber > 1000.0)
        return QString();
    // One decimal for the wide stops, whole numbers from f/10 on, as lenses
    // are marked (an APEX 7 is f/11, not f/11.3).
    return QStringLiteral("f/") + decimal(fNumber, fNumber < 10.0 ? 1 : 0);
}

QString InfoSummary::exposure(const QVariantMap& exif) {
    QStringList parts;
    QString time;
    if (const auto seconds = positive(exif.value(QStringLiteral("ExposureTime"))))
        time = exposureTime(*seconds);
    const QVariant tv = exif.value(QStringLiteral("ShutterSpeedValue"));
    bool ok = false;
    const double apex = tv.toDouble(&ok);
    if (time.isEmpty() && ok && tv.typeId() != QMetaType::QString && std::abs(apex) < 40.0)
        time = exposureTime(std::exp2(-apex));
    if (!time.isEmpty())
        parts.append(time);

    QString stop;
    if (const auto n = positive(exif.value(QStringLiteral("FNumber"))))
        stop = aperture(*n);
    const QVariant av = exif.value(QStringLiteral("ApertureValue"));
    const double apexAv = av.toDouble(&ok);
    if (stop.isEmpty() && ok && av.typeId() != QMetaType::QString && apexAv >= 0.0 && apexAv < 40.0)
        stop = aperture(std::exp2(apexAv / 2.0));
    if (!stop.isEmpty())
        parts.append(stop);

    auto iso = positive(exif.value(QStringLiteral("ISOSpeedRatings")));
    if (!iso)
        iso = positive(exif.value(QStringLiteral("PhotographicSensitivity")));
    if (iso && *iso < 1e7)
        parts.append(QStringLiteral("ISO %1").arg(qlonglong(std::round(*iso))));

    const auto focal = positive(exif.value(QStringLiteral("FocalLength")));
    if (focal && *focal < 1e5) {
        QString lens = decimal(*focal, 1) + QStringLiteral(" mm");
        const auto equiv = positive(exif.value(QStringLiteral("FocalLengthIn35mmFilm")));
        if (equiv && *equiv < 1e5 && std::round(*equiv) != std::round(*focal))
            lens += QStringLiteral(" (%1 mm equiv.)").arg(qlonglong(std::round(*equiv)));
        parts.append(lens);
    }
    return parts.join(QStringLiteral(" · "));
}

QString InfoSummary::flash(const QVariant& value) {
    bool ok = false;
    const qlonglong bits = value.toLongLong(&ok);
    if (!ok || value.typeId() == QMetaType::QString || bits < 0 || bits > 0xffff)
        return QString();
    if (bits & 0x20)
        return QString(); // the camera has no flash to fire
    return (bits & 0x1) ? QStringLiteral("Flash fired") : QStringLiteral("Flash did not fire");
}

QString InfoSummary::camera(const QString& make, const QString& model) {
    const QString m = make.simplified();
    const QString body = model.simplified();
    if (m.isEmpty() || body.startsWith(m, Qt::CaseInsensitive))
        return body.isEmpty() ? m : body;
    return body.isEmpty() ? m : m + QLatin1Char(' ') + body;
}

QString InfoSummary::pixelSize(qlonglong width, qlonglong height) {
    if (width <= 0 || height <= 0)
        return QString();
    const double megapixels = double(width) * double(height) / 1e6;
    return QStringLiteral("%1 × %2 (%3 MP)").arg(width).arg(height).arg(megapixels, 0, 'f', 1);
}

QString InfoSummary::fileSize(qint64 bytes) {
    if (bytes < 0)
        return QString();
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double size = double(bytes) / 1024.0;
    int unit = 0;
    while (size >= 1024.0 && unit < 3) {
        size /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(size, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QStringList InfoSummary::lines(const QVariantMap& properties, const QString& path,
                               qint64 fileSize) {
    const QVariantMap exif = properties.value(QStringLiteral("{Exif}")).toMap();
    const QVariantMap tiff = properties.value(QStringLiteral("{TIFF}")).toMap();
    QStringList out;
    if (!path.isEmpty()) {
        const QFileInfo file(path);
        out.append(file.fileName());
        out.append(file.absolutePath());
    }
    // Pixels and bytes on one line: the panel's height is the tree's.
    QStringList sizes{pixelSize(properties.value(QStringLiteral("PixelWidth")).toLongLong(),
                                properties.value(QStringLiteral("PixelHeight")).toLongLong()),
                      InfoSummary::fileSize(fileSize)};
    sizes.removeAll(QString());
    out.append(sizes.join(QStringLiteral(" · ")));
    QString taken = text(exif.value(QStringLiteral("DateTimeOriginal")));
    if (taken.isEmpty())
        taken = text(tiff.value(QStringLiteral("DateTime")));
    // "2024:05:01 12:30:00": the date's colons read as dashes.
    if (taken.size() >= 10 && taken[4] == QLatin1Char(':') && taken[7] == QLatin1Char(':')) {
        taken[4] = QLatin1Char('-');
        taken[7] = QLatin1Char('-');
    }
    out.append(taken);
    out.append(camera(text(tiff.value(QStringLiteral("Make"))),
                      text(tiff.value(QStringLiteral("Model")))));
    out.append(text(exif.value(QStringLiteral("LensModel"))));
    out.append(exposure(exif));
    out.append(flash(exif.value(QStringLiteral("Flash"))));
    out.removeAll(QString());
    return out;
}
