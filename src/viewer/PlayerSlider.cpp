#include "viewer/PlayerSlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
constexpr double knobWidth = 3.0;
constexpr double knobHeight = 15.0;
constexpr double barHeight = 3.0;
} // namespace

PlayerSlider::PlayerSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("frameSlider"));
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(int(knobHeight) + 4);
    setTickPosition(QSlider::NoTicks);
}

int PlayerSlider::knobCentre(int v) const {
    const double usable = width() - knobWidth;
    const double span = std::max(1, maximum() - minimum());
    return int(std::lround(knobWidth / 2 + usable * (v - minimum()) / span));
}

int PlayerSlider::valueAt(double x) const {
    const double usable = std::max(1.0, width() - knobWidth);
    const double t = std::clamp((x - knobWidth / 2) / usable, 0.0, 1.0);
    return minimum() + int(std::lround(t * (maximum() - minimum())));
}

void PlayerSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setSliderDown(true);
        setValue(valueAt(event->position().x()));
        triggerAction(QAbstractSlider::SliderMove);
        event->accept();
    }
}

void PlayerSlider::mouseMoveEvent(QMouseEvent* event) {
    if (isSliderDown()) {
        setValue(valueAt(event->position().x()));
        event->accept();
    }
}

void PlayerSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double mid = height() / 2.0;
    const double knob = knobCentre(value());
    QPainterPath bar;
    bar.addRoundedRect(QRectF(0, mid - barHeight / 2, width(), barHeight), 1.5, 1.5);
    painter.save();
    painter.setClipRect(QRectF(0, 0, knob, height()));
    painter.fillPath(bar, QColor(255, 255, 255, 128));
    painter.setClipRect(QRectF(knob, 0, width() - knob, height()));
    painter.fillPath(bar, QColor(255, 255, 255, 51));
    painter.restore();
    const QRectF knobRect(knob - knobWidth / 2, mid - knobHeight / 2, knobWidth, knobHeight);
    // A soft shadow half a point below, then the knob.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 60));
    painter.drawRoundedRect(knobRect.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5), 1, 1);
    painter.setBrush(isSliderDown() ? QColor(Qt::white) : QColor(255, 255, 255, 204));
    painter.setPen(QPen(palette().color(QPalette::Shadow), 0.4));
    painter.drawRoundedRect(knobRect, 1, 1);
}
