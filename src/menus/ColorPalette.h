#pragma once

#include <QColor>
#include <QList>
#include <QRect>

// The swatches the background colour popover offers: six columns of six,
// the first four of each column given by components, the last two greys as
// hex strings. Frames are in the popover's own coordinates, y downwards.
class ColorPalette {
  public:
    struct Swatch {
        QColor color;
        int column;
        int row;
    };
    static constexpr int columns = 6;
    static constexpr int rows = 6;

    // Column by column, top to bottom.
    static const QList<Swatch>& swatches();
    // The swatch's frame; the selected one stands out by 2 points on every side.
    static QRect frame(int column, int row, bool selected);
    // Room for every swatch and the selected one's outset, with the margins.
    static QSize popoverSize();
};
