#include "geometry/GridLayout.h"

#include <algorithm>
#include <climits>

GridLayout::GridLayout(qsizetype count, int width, int height)
    : items(std::max<qsizetype>(0, count)), viewWidth(std::max(0, width)),
      viewHeight(std::max(0, height)),
      cols(std::max(1, (viewWidth - spacing) / (tileSide + spacing))) {}

int GridLayout::contentHeight() const {
    return int(std::min<qint64>(INT_MAX / 2, qint64(rows()) * rowHeight() + spacing));
}

int GridLayout::maxScroll() const {
    return std::max(0, contentHeight() - viewHeight);
}

int GridLayout::left() const {
    const int used = cols * tileSide + (cols - 1) * spacing;
    return std::max(spacing, (viewWidth - used) / 2);
}

QRect GridLayout::tileRect(qsizetype index, int scroll) const {
    const qint64 row = index / cols;
    const int column = int(index % cols);
    const qint64 top = spacing + row * rowHeight() - scroll;
    return QRect(left() + column * (tileSide + spacing),
                 int(std::clamp<qint64>(top, INT_MIN / 2, INT_MAX / 2)), tileSide,
                 tileSide + labelHeight);
}

QRect GridLayout::thumbnailRect(qsizetype index, int scroll) const {
    const QRect tile = tileRect(index, scroll);
    return QRect(tile.topLeft(), QSize(tileSide, tileSide));
}

qsizetype GridLayout::indexAt(QPoint point, int scroll) const {
    const qint64 y = qint64(point.y()) + scroll - spacing;
    const int x = point.x() - left();
    if (y < 0 || x < 0)
        return -1;
    const qint64 row = y / rowHeight();
    const int column = x / (tileSide + spacing);
    if (column >= cols || x % (tileSide + spacing) >= tileSide ||
        y % rowHeight() >= tileSide + labelHeight)
        return -1;
    const qint64 index = row * cols + column;
    return index < items ? qsizetype(index) : -1;
}

std::pair<qsizetype, qsizetype> GridLayout::visible(int scroll) const {
    if (items == 0 || viewHeight == 0)
        return {0, -1};
    // The first row whose bottom is below the top of the view.
    const qint64 above = qint64(scroll) - spacing - (rowHeight() - spacing);
    const qint64 firstRow = above < 0 ? 0 : above / rowHeight() + 1;
    const qint64 lastRow = (qint64(scroll) + viewHeight - 1 - spacing) / rowHeight();
    const qsizetype first = qsizetype(std::min<qint64>(items - 1, firstRow * cols));
    const qsizetype last = qsizetype(std::min<qint64>(items - 1, (lastRow + 1) * cols - 1));
    return {first, last};
}

int GridLayout::scrollToShow(qsizetype index, int scroll) const {
    if (index < 0 || index >= items)
        return std::clamp(scroll, 0, maxScroll());
    const qint64 top = spacing + qint64(index / cols) * rowHeight();
    const qint64 bottom = top + tileSide + labelHeight;
    qint64 wanted = scroll;
    if (top - spacing < wanted)
        wanted = top - spacing;
    else if (bottom + spacing > wanted + viewHeight)
        wanted = bottom + spacing - viewHeight;
    return int(std::clamp<qint64>(wanted, 0, maxScroll()));
}

qsizetype GridLayout::moved(qsizetype index, int key) const {
    if (items == 0)
        return index;
    const qsizetype last = items - 1;
    const qsizetype page = std::max<qsizetype>(1, (viewHeight / rowHeight())) * cols;
    qsizetype to = index;
    switch (key) {
    case Qt::Key_Left:
        to = index - 1;
        break;
    case Qt::Key_Right:
        to = index + 1;
        break;
    case Qt::Key_Up:
        to = index >= cols ? index - cols : index;
        break;
    case Qt::Key_Down:
        // The row below may be the short last one.
        to = index / cols < (items - 1) / cols ? std::min(index + cols, last) : index;
        break;
    case Qt::Key_PageUp:
        to = index - page;
        if (to < 0)
            to = index % cols;
        break;
    case Qt::Key_PageDown:
        to = std::min(index + page, last);
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = last;
        break;
    default:
        return index;
    }
    return std::clamp<qsizetype>(to, 0, last);
}

QSize GridLayout::sizeFor(int columns, int rows) {
    return QSize(columns * (tileSide + spacing) + spacing,
                 rows * (tileSide + labelHeight + spacing) + spacing);
}
