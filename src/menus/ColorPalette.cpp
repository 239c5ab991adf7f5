#include "menus/ColorPalette.h"

#include "core/Settings.h"

#include <array>

namespace {
constexpr std::array<int, 6> rowTops = {8, 30, 52, 74, 104, 126};
constexpr int swatchWidth = 40;
constexpr int swatchHeight = 20;

QColor components(int r, int g, int b) {
    return QColor::fromRgbF(float(r) / 255.0f, float(g) / 255.0f, float(b) / 255.0f, 1.0f);
}
QColor hex(const char* text) {
    return Settings::colorFromHex(QString::fromLatin1(text)).value_or(QColor(Qt::black));
}
} // namespace

const QList<ColorPalette::Swatch>& ColorPalette::swatches() {
    static const QList<Swatch> all = [] {
        const QColor table[columns][rows] = {
            {components(100, 178, 233), components(73, 155, 201), components(53, 124, 163),
             components(23, 87, 120), hex("#FFFFFF"), hex("#7F7F7F")},
            {components(156, 226, 90), components(110, 193, 56), components(122, 174, 61),
             components(87, 135, 38), hex("#F2F2F2"), hex("#666666")},
            {components(255, 224, 97), components(241, 208, 48), components(226, 184, 1),
             components(198, 147, 0), hex("#E5E5E5"), hex("#4D4D4D")},
            {components(255, 192, 114), components(255, 170, 58), components(237, 159, 46),
             components(210, 127, 21), hex("#CCCCCC"), hex("#333333")},
            {components(255, 96, 94), components(255, 45, 33), components(206, 35, 43),
             components(174, 25, 21), hex("#B2B2B2"), hex("#1A1A1A")},
            {components(157, 68, 184), components(108, 33, 133), components(85, 20, 108),
             components(60, 10, 73), hex("#999999"), hex("#000000")},
        };
        QList<Swatch> list;
        for (int c = 0; c < columns; ++c) {
            for (int r = 0; r < rows; ++r)
                list.append(Swatch{table[c][r], c, r});
        }
        return list;
    }();
    return all;
}

QRect ColorPalette::frame(int column, int row, bool selected) {
    QRect rect(8 + 42 * column, rowTops[size_t(row)], swatchWidth, swatchHeight);
    return selected ? rect.adjusted(-2, -2, 2, 2) : rect;
}

QSize ColorPalette::popoverSize() {
    const QRect last = frame(columns - 1, rows - 1, false);
    return QSize(last.right() + 1 + 8, last.bottom() + 1 + 8);
}
