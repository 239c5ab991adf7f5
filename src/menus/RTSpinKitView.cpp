#include "menus/RTSpinKitView.h"

#include "menus/RTSpinKitPlaneAnimation.h"

#include <QPainter>
#include <QVariantAnimation>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr int frameMilliseconds = 16; // about 60 frames a second

// Sizes become widget geometry, so keep them finite and within what a widget can be.
qreal saneSize(qreal side) {
    if (!std::isfinite(side) || side < 0)
        return 0;
    return std::min<qreal>(side, QWIDGETSIZE_MAX);
}
} // namespace

RTSpinKitView::RTSpinKitView(int style, QWidget* parent)
    : RTSpinKitView(style, QColor(Qt::gray), parent) {}

RTSpinKitView::RTSpinKitView(int style, const QColor& color, QWidget* parent)
    : RTSpinKitView(style, color, defaultSpinnerSize, parent) {}

RTSpinKitView::RTSpinKitView(int style, const QColor& color, qreal spinnerSize, QWidget* parent)
    : QWidget(parent), styleNumber(style), shapeColor(color), painted(color),
      side(saneSize(spinnerSize)), frameTimer(this) {
    setGeometry(0, 0, qCeil(side), qCeil(side));
    frameTimer.setInterval(frameMilliseconds);
    frameTimer.setObjectName(QStringLiteral("frameTimer"));
    connect(&frameTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    applyAnimation();
}

RTSpinKitView::~RTSpinKitView() = default;

void RTSpinKitView::setStyle(int style) {
    styleNumber = style;
    applyAnimation();
}

void RTSpinKitView::setSpinnerSize(qreal spinnerSize) {
    side = saneSize(spinnerSize);
    applyAnimation();
    updateGeometry();
}

// Builds the animation afresh. Only style 1 has shapes; the other styles of
// the family are never shown, so they are left empty.
void RTSpinKitView::applyAnimation() {
    stopColorChange();
    painted = shapeColor;
    plane.reset();
    if (styleNumber == 1)
        plane = std::make_unique<RTSpinKitPlaneAnimation>(QSizeF(side, side));
    animationStart = clock.localTime();
    updateFrameTimer();
    update();
}

void RTSpinKitView::startAnimating() {
    if (!stopped)
        return;
    show();
    stopped = false;
    clock.resume();
    updateFrameTimer();
}

void RTSpinKitView::stopAnimating() {
    if (stopped)
        return;
    if (hides)
        hide();
    stopped = true;
    clock.pause();
    updateFrameTimer();
    update(); // a view left visible shows the frozen frame
}

void RTSpinKitView::setColor(const QColor& color, bool animated) {
    const QColor old = shapeColor;
    shapeColor = color;
    stopColorChange();
    painted = color;
    // Only shapes fade; an empty style has nothing to animate.
    if (animated && plane) {
        auto* animation = new QVariantAnimation(this);
        animation->setObjectName(QStringLiteral("change-color"));
        animation->setDuration(colorChangeMilliseconds);
        animation->setStartValue(old);
        animation->setEndValue(color);
        connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
            painted = value.value<QColor>();
            update();
        });
        colorChange = animation;
        painted = old;
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    }
    update();
}

void RTSpinKitView::stopColorChange() {
    delete colorChange.data();
}

QSizeF RTSpinKitView::sizeThatFits(const QSizeF&) const {
    return QSizeF(side, side);
}

QSize RTSpinKitView::sizeHint() const {
    return QSize(qCeil(side), qCeil(side));
}

void RTSpinKitView::setMediaTimeSource(LayerClock::MediaTimeSource source) {
    clock = LayerClock(std::move(source));
    if (stopped)
        clock.pause();
    animationStart = clock.localTime();
    update();
}

void RTSpinKitView::paintEvent(QPaintEvent*) {
    if (!plane)
        return;
    // The animation lays its square out from the lower-left corner, y upwards.
    const QTransform toWidget(1, 0, 0, -1, 0, height());
    const QTransform transform = plane->squareTransformAt(animationTime()) * toWidget;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(painted);
    painter.drawPolygon(transform.map(QPolygonF(plane->squareBounds())));
}

void RTSpinKitView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateFrameTimer();
}

void RTSpinKitView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    frameTimer.stop();
}

// Frames are only worth drawing while the square moves and can be seen.
void RTSpinKitView::updateFrameTimer() {
    if (plane && !stopped && isVisible())
        frameTimer.start();
    else
        frameTimer.stop();
}
