#include "viewer/ThumbnailGrid.h"

#include "core/FileTypes.h"
#include "geometry/GridLayout.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

namespace {

bool isGridKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

} // namespace

ThumbnailGrid::ThumbnailGrid(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    bar = new QScrollBar(Qt::Vertical, this);
    connect(bar, &QScrollBar::valueChanged, this, [this](int value) { scrollTo(value); });
}

int ThumbnailGrid::viewWidth() const {
    return width() - (bar->isVisible() ? bar->width() : 0);
}

void ThumbnailGrid::setEntries(const QStringList& entries, qsizetype index) {
    names = entries;
    tiles.clear();
    selected = names.isEmpty() ? -1 : std::clamp<qsizetype>(index, 0, names.size() - 1);
    scroll = 0;
    updateRange();
    scrollTo(GridLayout(names.size(), viewWidth(), height()).scrollToShow(selected, 0));
    viewChanged();
    update();
}

void ThumbnailGrid::setTile(qsizetype index, const QImage& image, bool failed) {
    if (index < 0 || index >= names.size())
        return;
    const GridLayout grid(names.size(), viewWidth(), height());
    const auto [first, last] = grid.visible(scroll);
    const qsizetype margin = qsizetype(keptRows) * grid.columns();
    if (index < first - margin || index > last + margin)
        return; // scrolled away while it was made
    store(index, image, failed);
    update(grid.tileRect(index, scroll));
}

void ThumbnailGrid::store(qsizetype index, const QImage& image, bool failed) {
    Tile tile{QPixmap(), failed || image.isNull()};
    if (!tile.failed) {
        // Fitted to the box, small images at most doubled.
        const qreal ratio = devicePixelRatioF();
        const QSize box = QSize(GridLayout::tileSide, GridLayout::tileSide) * ratio;
        const QSize fitted =
            image.size().scaled(box, Qt::KeepAspectRatio).boundedTo(image.size() * 2);
        tile.pixmap =
            QPixmap::fromImage(fitted == image.size() ? image
                                                      : image.scaled(fitted, Qt::IgnoreAspectRatio,
                                                                     Qt::SmoothTransformation));
        tile.pixmap.setDevicePixelRatio(ratio);
    }
    tiles.insert(index, std::move(tile));
}

void ThumbnailGrid::select(qsizetype index) {
    if (index == selected || index < 0 || index >= names.size())
        return;
    const GridLayout grid(names.size(), viewWidth(), height());
    update(grid.tileRect(selected, scroll));
    selected = index;
    update(grid.tileRect(selected, scroll));
    scrollTo(grid.scrollToShow(selected, scroll));
}

void ThumbnailGrid::scrollTo(int offset) {
    const GridLayout grid(names.size(), viewWidth(), height());
    offset = std::clamp(offset, 0, grid.maxScroll());
    if (offset == scroll)
        return;
    direction = offset > scroll ? 1 : -1;
    scroll = offset;
    if (bar->value() != scroll)
        bar->setValue(scroll);
    viewChanged();
    update();
}

void ThumbnailGrid::updateRange() {
    const GridLayout whole(names.size(), width(), height());
    bar->setVisible(whole.maxScroll() > 0);
    const GridLayout grid(names.size(), viewWidth(), height());
    bar->setGeometry(width() - bar->sizeHint().width(), 0, bar->sizeHint().width(), height());
    bar->setRange(0, grid.maxScroll());
    bar->setPageStep(height());
    bar->setSingleStep(GridLayout::tileSide / 2);
}

void ThumbnailGrid::viewChanged() {
    const GridLayout grid(names.size(), viewWidth(), height());
    const auto [first, last] = grid.visible(scroll);
    // Tiles far from the view are forgotten; they are asked for again on return.
    const qsizetype margin = qsizetype(keptRows) * grid.columns();
    for (auto it = tiles.begin(); it != tiles.end();)
        it = it.key() < first - margin || it.key() > last + margin ? tiles.erase(it) : ++it;
    for (qsizetype i = first; held && i <= last; ++i) {
        if (tiles.contains(i))
            continue;
        if (const std::optional<Thumbnail> thumbnail = held(i))
            store(i, thumbnail->image, thumbnail->failed);
    }
    emit visibleChanged(first, last, direction);
}

bool ThumbnailGrid::event(QEvent* event) {
    // The window's shortcuts (Return, Escape, the arrows) are the grid's here.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isGridKey(key->key()) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void ThumbnailGrid::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (selected >= 0)
            emit activated(selected);
        return;
    case Qt::Key_Escape:
        emit dismissed();
        return;
    default:
        break;
    }
    if (!isGridKey(event->key())) {
        QWidget::keyPressEvent(event);
        return;
    }
    select(GridLayout(names.size(), viewWidth(), height()).moved(selected, event->key()));
}

void ThumbnailGrid::mousePressEvent(QMouseEvent* event) {
    const qsizetype index = GridLayout(names.size(), viewWidth(), height())
                                .indexAt(event->position().toPoint(), scroll);
    if (index >= 0)
        select(index);
    setFocus();
}

void ThumbnailGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const qsizetype index = GridLayout(names.size(), viewWidth(), height())
                                .indexAt(event->position().toPoint(), scroll);
    if (index >= 0)
        emit activated(index);
}

void ThumbnailGrid::wheelEvent(QWheelEvent* event) {
    const QPoint pixels = event->pixelDelta();
    // A notch of a wheel is 120 eighths of a degree: a third of a row.
    const int dy =
        !pixels.isNull() ? pixels.y() : event->angleDelta().y() * GridLayout::tileSide / 360;
    scrollTo(scroll - dy);
    event->accept();
}

void ThumbnailGrid::resizeEvent(QResizeEvent*) {
    updateRange();
    // Clamped to the new height, with the selection still in view; the
    // columns may have changed even where the offset did not.
    scrollTo(GridLayout(names.size(), viewWidth(), height()).scrollToShow(selected, scroll));
    viewChanged();
}

void ThumbnailGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QColor background = palette().color(QPalette::Window);
    painter.fillRect(event->rect(), background);
    const GridLayout grid(names.size(), viewWidth(), height());
    const auto [first, last] = grid.visible(scroll);
    const QColor text = palette().color(QPalette::WindowText);
    const QColor placeholder =
        background.lightness() < 128 ? background.lighter(140) : background.darker(110);
    const QColor highlight = palette().color(QPalette::Highlight);
    painter.setRenderHint(QPainter::Antialiasing);
    for (qsizetype i = first; i <= last; ++i) {
        const QRect tileRect = grid.tileRect(i, scroll);
        if (!tileRect.intersects(event->rect()))
            continue;
        const QRect box = grid.thumbnailRect(i, scroll);
        if (i == selected) {
            QPainterPath path;
            path.addRoundedRect(QRectF(tileRect).adjusted(-5, -5, 5, 3), 8, 8);
            painter.fillPath(path, highlight.darker(i == selected && hasFocus() ? 100 : 140));
        }
        const auto tile = tiles.constFind(i);
        if (tile == tiles.cend()) {
            QPainterPath path;
            path.addRoundedRect(QRectF(box).adjusted(24, 24, -24, -24), 6, 6);
            painter.fillPath(path, placeholder);
        } else if (tile->failed) {
            if (broken.isNull())
                broken = QIcon(QStringLiteral(":/FailedToOpen.svg"))
                             .pixmap(QSize(64, 64), devicePixelRatioF())
                             .toImage();
            const QSizeF drawn = broken.deviceIndependentSize();
            painter.drawImage(QPointF(box.center()) - QPointF(drawn.width(), drawn.height()) / 2,
                              broken);
        } else {
            const QSizeF drawn = tile->pixmap.deviceIndependentSize();
            // On whole pixels, so that nothing is resampled again.
            painter.drawPixmap(QPoint(box.left() + qRound((box.width() - drawn.width()) / 2),
                                      box.top() + qRound((box.height() - drawn.height()) / 2)),
                               tile->pixmap);
        }
        painter.setPen(text);
        const QRect label(tileRect.left(), box.bottom() + 3, tileRect.width(),
                          GridLayout::labelHeight - 3);
        const QString name = painter.fontMetrics().elidedText(
            FileTypes::lastPathComponent(names[i]), Qt::ElideMiddle, label.width());
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, name);
    }
}
