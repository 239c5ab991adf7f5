#include "viewer/SelectionHelperView.h"

#include "selection/SelectionInfoBox.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

SelectionHelperView::SelectionHelperView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("selectionHelperView"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    selectionXY = new QLabel(this);
    selectionWH = new QLabel(this);
    selectionXY->setObjectName(QStringLiteral("selectionXY"));
    selectionWH->setObjectName(QStringLiteral("selectionWH"));
    QFont font = selectionXY->font();
    font.setPointSizeF(11);
    for (QLabel* label : {selectionXY, selectionWH}) {
        label->setFont(font);
        label->setAlignment(Qt::AlignCenter);
        QPalette white = label->palette();
        white.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(white);
    }
    hide();
}

double SelectionHelperView::setTexts(const QString& position, const QString& size) {
    selectionXY->setText(position);
    selectionWH->setText(size);
    return SelectionInfoBox::boxWidth(selectionXY->sizeHint().width(),
                                      selectionWH->sizeHint().width());
}

QString SelectionHelperView::positionText() const {
    return selectionXY->text();
}

QString SelectionHelperView::sizeText() const {
    return selectionWH->text();
}

void SelectionHelperView::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    selectionXY->setGeometry(0, 1, width(), half - 1);
    selectionWH->setGeometry(0, half, width(), height() - half - 1);
}

void SelectionHelperView::paintEvent(QPaintEvent*) {
    // A dark translucent panel stands in for the blurred material.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()), SelectionInfoBox::cornerRadius,
                         SelectionInfoBox::cornerRadius);
    painter.fillPath(panel, QColor(30, 30, 30, 210));
}
