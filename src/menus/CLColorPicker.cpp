#include "menus/CLColorPicker.h"

#include "menus/CLColorControllerPopove.h"

#include <QColorDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>

namespace {
bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}
} // namespace

CLColorPicker::CLColorPicker(QWidget* parent) : QWidget(parent) {
    // The layout may ask for any size; the control keeps its own.
    setFixedSize(controlWidth, controlHeight);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAccessibleName(tr("Background colour"));
}

CLColorPicker::~CLColorPicker() {
    // The dialog sends events while it is torn down; by then it is no longer a
    // colour dialog, so it must not reach the filter any more.
    if (panel)
        panel->removeEventFilter(this);
    delete panel;
    delete swatchPopover;
}

void CLColorPicker::setSelectedColor(const QColor& newColor) {
    color = newColor;
    update();
    emit colorAction(color);
}

int CLColorPicker::segmentAt(const QPoint& point) {
    if (point.y() < 0 || point.y() >= 25 || point.x() < 0)
        return -1;
    if (point.x() < segment0Width)
        return 0;
    if (point.x() < segment0Width + segment1Width)
        return 1;
    return -1;
}

void CLColorPicker::selectedSegment(int segment) {
    if (segment == 0) {
        closePanel();
        if (swatchPopover)
            swatchPopover->close();
        swatchPopover = new CLColorControllerPopove(
            color, [this](const QColor& chosen) { colorUpdatePopover(chosen); }, this);
        // Below the control, its left edges aligned.
        swatchPopover->move(mapToGlobal(QPoint(0, height())));
        swatchPopover->show();
        return;
    }
    if (segment != 1)
        return;
    if (linked) {
        closePanel();
        return;
    }
    if (!panel) {
        panel = new QColorDialog(this);
        panel->setWindowFlag(Qt::Window);
        // No opacity: the background is stored as six hex digits.
        panel->setOptions(QColorDialog::DontUseNativeDialog | QColorDialog::NoButtons);
        panel->setModal(false);
        connect(panel, &QColorDialog::currentColorChanged, this, &CLColorPicker::colorUpdate);
        // Closed by any means, the link ends: a hide is what every way has in common.
        panel->installEventFilter(this);
    }
    {
        // Seeding it must not send the colour straight back.
        const QSignalBlocker quiet(panel);
        panel->setCurrentColor(color);
    }
    linked = true;
    higlightedSegment = 1;
    update();
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void CLColorPicker::colorUpdate(const QColor& chosen) {
    if (linked)
        setSelectedColor(chosen);
}

void CLColorPicker::colorUpdatePopover(const QColor& chosen) {
    setSelectedColor(chosen);
    if (swatchPopover)
        swatchPopover->close();
}

void CLColorPicker::closePanel() {
    if (panel && panel->isVisible())
        panel->close();
    unlink();
}

void CLColorPicker::unlink() {
    linked = false;
    higlightedSegment = -1;
    update();
}

bool CLColorPicker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched == panel)
        unlink();
    return QWidget::eventFilter(watched, event);
}

void CLColorPicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pressedSegment = segmentAt(event->position().toPoint());
    update();
}

void CLColorPicker::mouseMoveEvent(QMouseEvent* event) {
    if (pressedSegment >= 0)
        update();
    QWidget::mouseMoveEvent(event);
}

void CLColorPicker::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = pressedSegment;
    pressedSegment = -1;
    update();
    // A click counts where it began and ended on the same part.
    if (event->button() == Qt::LeftButton && pressed >= 0 &&
        segmentAt(event->position().toPoint()) == pressed)
        selectedSegment(pressed);
}

void CLColorPicker::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        // Shift opens the colour dialog instead of the swatches.
        selectedSegment(event->modifiers() & Qt::ShiftModifier ? 1 : 0);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CLColorPicker::enterEvent(QEnterEvent* event) {
    mouseInside = true;
    update();
    QWidget::enterEvent(event);
}

void CLColorPicker::leaveEvent(QEvent* event) {
    mouseInside = false;
    update();
    QWidget::leaveEvent(event);
}

void CLColorPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintSwatchSegment(painter, QRectF(1, 1, segment0Width - 1, controlHeight - 3));
    paintPanelSegment(painter, QRectF(segment0Width + 2, 1, segment1Width, controlHeight - 3));
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(
            QRectF(0.5, 0.5, segment0Width + segment1Width + 2, controlHeight - 1), 4, 4);
    }
}

void CLColorPicker::paintSwatchSegment(QPainter& painter, const QRectF& f) {
    // Rounded on the left, square on the right where the other part joins.
    const QRectF r(f.x() - 1 + 0.5, f.y() - 0.5 + 0.5, f.width() + 2, f.height());
    QPainterPath path;
    const qreal radius = 3;
    path.moveTo(r.right(), r.top());
    path.lineTo(r.left() + radius, r.top());
    path.arcTo(QRectF(r.left(), r.top(), 2 * radius, 2 * radius), 90, 90);
    path.lineTo(r.left(), r.bottom() - radius);
    path.arcTo(QRectF(r.left(), r.bottom() - 2 * radius, 2 * radius, 2 * radius), 180, 90);
    path.lineTo(r.right(), r.bottom());
    path.closeSubpath();

    if (color.alphaF() >= 1.0f) {
        painter.fillPath(path, color);
    } else {
        // Half blended with black by the transparency, half as it is.
        QColor solid = color;
        const float a = color.alphaF();
        solid.setRgbF(color.redF() * a, color.greenF() * a, color.blueF() * a, 1.0f);
        QPainterPath upper;
        upper.moveTo(r.topLeft());
        upper.lineTo(r.topRight());
        upper.lineTo(r.bottomLeft());
        upper.closeSubpath();
        painter.fillPath(path.intersected(upper), solid);
        painter.fillPath(path.subtracted(upper), color);
    }
    const QColor outline =
        isDark(palette()) ? palette().color(QPalette::Mid) : QColor(173, 173, 173);
    painter.setPen(QPen(outline, 0.75));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);

    const bool pressed = pressedSegment == 0 && segmentAt(mapFromGlobal(QCursor::pos())) == 0;
    if (mouseInside || pressed) {
        QColor disc(0x77, 0x77, 0x77);
        disc.setAlpha(pressed ? 0xbb : 0x77);
        painter.setPen(Qt::NoPen);
        painter.setBrush(disc);
        painter.drawEllipse(QRectF(f.x() + 27, f.center().y() - 6.5, 13, 13));
        painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const qreal cy = f.center().y();
        const QPointF chevron[] = {
            {f.x() + 30.25, cy - 1.5}, {f.x() + 33.5, cy + 2}, {f.x() + 36.75, cy - 1.5}};
        painter.drawPolyline(chevron, 3);
    }
}

void CLColorPicker::paintPanelSegment(QPainter& painter, const QRectF& f) {
    const QRectF r = f.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(r, 3, 3);
    const bool pressed = pressedSegment == 1 && segmentAt(mapFromGlobal(QCursor::pos())) == 1;
    QColor fill = palette().color(QPalette::Button);
    if (higlightedSegment == 1 || pressed)
        fill = palette().color(QPalette::Highlight);
    painter.fillPath(path, fill);
    painter.setPen(
        QPen(isDark(palette()) ? palette().color(QPalette::Mid) : QColor(173, 173, 173), 0.75));
    painter.drawPath(path);
    // The picture, centred.
    static const QIcon picture(QStringLiteral(":/colorpicker.svg"));
    const QSizeF side(12, 12);
    const QRectF place(f.center() - QPointF(side.width() / 2, side.height() / 2), side);
    picture.paint(&painter, place.toRect());
}
