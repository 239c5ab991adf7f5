#pragma once

#include <QRect>
#include <QSize>
#include <Qt>
#include <utility>

// Where the tiles of a thumbnail grid lie, which of them a scroll position
// shows, and where the keys move the selection. Tiles are laid out row by
// row, as many to a row as the width holds (at least one), the rows centred
// between equal margins. All in the view's logical pixels; `scroll` is the
// content's offset from the top.
class GridLayout {
  public:
    static constexpr int tileSide = 168;   // the thumbnail's box
    static constexpr int labelHeight = 22; // the file name under it
    static constexpr int spacing = 12;

    GridLayout(qsizetype count, int width, int height);

    qsizetype count() const { return items; }
    int columns() const { return cols; }
    qsizetype rows() const { return (items + cols - 1) / cols; }
    // The whole content's height, margins included.
    int contentHeight() const;
    int maxScroll() const;
    QRect tileRect(qsizetype index, int scroll) const; // the tile with its label
    QRect thumbnailRect(qsizetype index, int scroll) const;
    // The tile under a point of the view, or -1.
    qsizetype indexAt(QPoint point, int scroll) const;
    // The first and last tiles a scroll position shows, partly shown ones
    // included; first > last when there are none.
    std::pair<qsizetype, qsizetype> visible(int scroll) const;
    // The scroll that shows the whole tile, moving as little as it can.
    int scrollToShow(qsizetype index, int scroll) const;
    // Where Left, Right, Up, Down, Page Up, Page Down, Home and End move the
    // selection from `index`; `index` itself for other keys. Left and Right
    // run on across rows; Up and Down stay in the column, Down stopping at
    // the last tile when the row below is short.
    qsizetype moved(qsizetype index, int key) const;
    // The smallest view that holds `columns` × `rows` whole tiles.
    static QSize sizeFor(int columns, int rows);

  private:
    int rowHeight() const { return tileSide + labelHeight + spacing; }
    int left() const;
    qsizetype items;
    int viewWidth, viewHeight;
    int cols;
};
