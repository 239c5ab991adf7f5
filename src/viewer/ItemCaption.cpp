#include "viewer/ItemCaption.h"

#include <QStringList>
#include <cmath>

QString ItemCaption::position(std::optional<qsizetype> index, qsizetype count,
                              std::optional<double> zoom, const QLocale& locale) {
    QStringList parts;
    if (index && *index >= 0 && *index < count)
        parts << QStringLiteral("%1 / %2").arg(locale.toString(*index + 1), locale.toString(count));
    if (zoom && std::isfinite(*zoom) && *zoom > 0) {
        const double percent = *zoom * 100;
        // A gigapixel image fitted to a screen sits at a few per cent: one
        // decimal keeps zoom steps visible there.
        const int decimals = percent < 0.995 ? 2 : percent < 9.95 ? 1 : 0;
        QString number = locale.toString(percent, 'f', decimals);
        if (decimals) {
            while (number.endsWith(locale.zeroDigit()))
                number.chop(1);
            if (number.endsWith(locale.decimalPoint()))
                number.chop(locale.decimalPoint().size());
        }
        parts << QStringLiteral("%1 %").arg(number);
    }
    return parts.join(QStringLiteral(" · "));
}

std::optional<double> ItemCaption::zoom(double shownWidth, double imageWidth) {
    if (!(imageWidth > 0) || !(shownWidth > 0))
        return std::nullopt;
    return shownWidth / imageWidth;
}

QString ItemCaption::windowTitle(const QString& item, const QString& archiveName) {
    if (archiveName.isEmpty())
        return item;
    return QStringLiteral("%1 — %2").arg(item, archiveName);
}
