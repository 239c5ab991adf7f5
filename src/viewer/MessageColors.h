#pragma once

#include <QColor>

// Readable colours for the message texts over whatever lies behind them.
class MessageColors {
public:
    enum class Appearance { Night, Day, Legacy };

    // Perceived brightness (299 R + 587 G + 114 B) / 1000 on 0-255: black
    // text from 160 up, white below.
    static QColor readableForegroundColorForBackgroundColor(const QColor& background);
    // The system appearance from the window colour of the palette.
    static Appearance appearanceForWindowColor(const QColor& window);
    // The opaque text colour; the title shows it at 0.75, the description at 0.5.
    static QColor textColor(Appearance appearance, bool isFullscreen, int backgroundMode,
                            const QColor& backgroundLayerColor);
    static QColor titleColor(const QColor& text) { return withAlpha(text, 0.75); }
    static QColor descriptionColor(const QColor& text) { return withAlpha(text, 0.5); }

private:
    static QColor withAlpha(QColor color, double alpha) {
        color.setAlphaF(float(alpha));
        return color;
    }
};
