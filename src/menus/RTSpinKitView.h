#pragma once

#include "menus/LayerClock.h"

#include <QColor>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

class QVariantAnimation;
class RTSpinKitPlaneAnimation;

// The small busy indicator shown while images load, transform or are examined.
// Styles are chosen by number; only style 1, the square turning in
// perspective, is drawn. Every other number gives an empty view that still
// answers its size.
class RTSpinKitView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool hidesWhenStopped READ hidesWhenStopped WRITE setHidesWhenStopped)

  public:
    static constexpr qreal defaultSpinnerSize = 37.0;
    static constexpr int colorChangeMilliseconds = 500;

    explicit RTSpinKitView(int style, QWidget* parent = nullptr);
    RTSpinKitView(int style, const QColor& color, QWidget* parent = nullptr);
    RTSpinKitView(int style, const QColor& color, qreal spinnerSize, QWidget* parent = nullptr);
    ~RTSpinKitView() override;

    int animationStyle() const { return styleNumber; }
    using QWidget::setStyle;
    void setStyle(int style);

    qreal spinnerSize() const { return side; }
    void setSpinnerSize(qreal spinnerSize);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return !stopped; }

    bool hidesWhenStopped() const { return hides; }
    void setHidesWhenStopped(bool hidesWhenStopped) { hides = hidesWhenStopped; }

    QColor color() const { return shapeColor; }
    void setColor(const QColor& color) { setColor(color, false); }
    // Animated, the shapes fade from the old colour to the new one.
    void setColor(const QColor& color, bool animated);
    // The colour the shapes are painted in now; differs from color() while fading.
    QColor paintedColor() const { return painted; }

    QSizeF sizeThatFits(const QSizeF& size) const;
    QSize sizeHint() const override;

    // Seconds the animation has run on the layer's clock; stands still while stopped.
    double animationTime() const { return clock.localTime() - animationStart; }
    // Replaces the clock's media time (tests drive it by hand); the animation
    // starts over from its beginning on the new clock.
    void setMediaTimeSource(LayerClock::MediaTimeSource source);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void applyAnimation();
    void stopColorChange();
    void updateFrameTimer();

    int styleNumber;
    QColor shapeColor;
    QColor painted;
    qreal side; // the spinner size
    bool hides = true;
    bool stopped = false;

    LayerClock clock;
    double animationStart = 0.0; // layer time at which the animation was built
    std::unique_ptr<RTSpinKitPlaneAnimation> plane;
    QTimer frameTimer; // a child of the view, named "frameTimer"
    QPointer<QVariantAnimation> colorChange;
};
