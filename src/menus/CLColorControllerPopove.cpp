#include "menus/CLColorControllerPopove.h"

#include "menus/ColorPalette.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

CLColorSwatchButton::CLColorSwatchButton(const QColor& color, bool marked, QWidget* parent)
    : QAbstractButton(parent), swatch(color), marked(marked) {
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(color.name(QColor::HexRgb).toUpper());
    setToolTip(accessibleName());
}

void CLColorSwatchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF area = QRectF(rect());
    painter.fillRect(area, swatch);
    QPen pen;
    if (marked) {
        pen = QPen(Qt::white, 3);
    } else {
        QColor edge(Qt::black);
        edge.setAlphaF(0.2f);
        pen = QPen(edge, 1);
    }
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = pen.widthF() / 2;
    painter.drawRect(area.adjusted(inset, inset, -inset, -inset));
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(area.adjusted(1.5, 1.5, -1.5, -1.5));
    }
}

void CLColorSwatchButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // A button would move the focus to the next widget in the tab chain.
        event->ignore();
        return;
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

CLColorControllerPopove::CLColorControllerPopove(const QColor& selectedColor, Selector selector,
                                                 QWidget* parent)
    : QWidget(parent, Qt::Popup), selected(selectedColor), selector(std::move(selector)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("SelectColorPopover"));
    setFixedSize(ColorPalette::popoverSize());
    CLColorSwatchButton* first = nullptr;
    for (const ColorPalette::Swatch& swatch : ColorPalette::swatches()) {
        const bool marked = swatch.color == selected;
        CLColorSwatchButton* button = buttonWithColor(
            swatch.color, ColorPalette::frame(swatch.column, swatch.row, marked), marked);
        if (!first || marked)
            first = button;
    }
    // The marked swatch is drawn over its neighbours' edges.
    for (CLColorSwatchButton* button : swatches) {
        if (button->isMarked())
            button->raise();
    }
    if (first)
        first->setFocus();
}

CLColorSwatchButton* CLColorControllerPopove::buttonWithColor(const QColor& color,
                                                              const QRect& frame, bool marked) {
    auto* button = new CLColorSwatchButton(color, marked, this);
    button->setGeometry(frame);
    connect(button, &QAbstractButton::clicked, this, [this, button] { selectColor(button); });
    swatches.append(button);
    return button;
}

void CLColorControllerPopove::selectColor(CLColorSwatchButton* button) {
    if (selector)
        selector(button->color());
}

void CLColorControllerPopove::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.fillPath(outline, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawPath(outline);
}

void CLColorControllerPopove::keyPressEvent(QKeyEvent* event) {
    // The arrows move through the grid; Space or Return choose (the button's own keys).
    const qsizetype at = swatches.indexOf(qobject_cast<CLColorSwatchButton*>(focusWidget()));
    if (at < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    int column = int(at) / ColorPalette::rows, row = int(at) % ColorPalette::rows;
    switch (event->key()) {
    case Qt::Key_Left:
        column = std::max(0, column - 1);
        break;
    case Qt::Key_Right:
        column = std::min(ColorPalette::columns - 1, column + 1);
        break;
    case Qt::Key_Up:
        row = std::max(0, row - 1);
        break;
    case Qt::Key_Down:
        row = std::min(ColorPalette::rows - 1, row + 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        selectColor(swatches.at(at));
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    swatches.at(column * ColorPalette::rows + row)->setFocus();
}
