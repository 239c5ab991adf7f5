#include "viewer/MessageColors.h"

QColor MessageColors::readableForegroundColorForBackgroundColor(const QColor& background) {
    if (!background.isValid())
        return QColor(Qt::white);
    const QColor rgb = background.toRgb();
    const double brightness = (299.0 * rgb.red() + 587.0 * rgb.green() + 114.0 * rgb.blue()) / 1000.0;
    return brightness >= 160.0 ? QColor(Qt::black) : QColor(Qt::white);
}

MessageColors::Appearance MessageColors::appearanceForWindowColor(const QColor& window) {
    return window.lightness() < 128 ? Appearance::Night : Appearance::Day;
}

QColor MessageColors::textColor(Appearance appearance, bool isFullscreen, int backgroundMode,
                                const QColor& backgroundLayerColor) {
    if (!isFullscreen)
        return QColor(Qt::white);
    if (backgroundMode == 1 || backgroundMode == 2)
        return readableForegroundColorForBackgroundColor(backgroundLayerColor);
    return appearance == Appearance::Night ? QColor(Qt::white) : QColor(Qt::black);
}
