#include "menus/RTSpinKitView.h"
#include "menus/RTSpinKitPlaneAnimation.h"

#include <QImage>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

// Where the square's corners land, in layer coordinates: lower-left, lower-right, upper-right,
// upper-left of the untransformed square.
QPolygonF corners(const RTSpinKitPlaneAnimation& plane, double time) {
    const QRectF b = plane.squareBounds();
    const QTransform t = plane.squareTransformAt(time);
    return {t.map(b.topLeft()), t.map(b.topRight()), t.map(b.bottomRight()), t.map(b.bottomLeft())};
}

void expectNear(const QPointF& actual, const QPointF& expected, double tolerance = 0.2) {
    EXPECT_NEAR(actual.x(), expected.x(), tolerance) << "x of " << expected.x();
    EXPECT_NEAR(actual.y(), expected.y(), tolerance) << "y of " << expected.y();
}

// The 33-point square, inset 2 points, turns about the vertical axis, then about the horizontal
// one, each turn eased in, and ends half turned in its plane.
TEST(RTSpinKitPlaneAnimation, TheSquareTurnsThroughItsPeriodAndRepeats) {
    const RTSpinKitPlaneAnimation plane(QSizeF(37, 37));
    const struct {
        double time;
        QPointF lowerLeft, lowerRight;
    } cases[] = {
        {0.0, {2, 2}, {35, 2}},          // flat
        {0.6, {35, 2}, {2, 2}},          // mirrored about the vertical axis
        {1.2 - 1e-6, {35, 35}, {2, 35}}, // half turned in its plane
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        const QPolygonF at = corners(plane, c.time);
        expectNear(at[0], c.lowerLeft);
        expectNear(at[1], c.lowerRight);
        expectNear(at[2], {37 - c.lowerLeft.x(), 37 - c.lowerLeft.y()});
    }
    // Midway through each turn the square is edge-on (it turns about a point behind it).
    for (const auto& [time, aboutY] : {std::pair{0.3, true}, std::pair{0.9, false}}) {
        const QRectF r = corners(plane, time).boundingRect();
        EXPECT_LT(aboutY ? r.width() : r.height(), 0.2) << time;
        EXPECT_NEAR(aboutY ? r.center().x() : r.center().y(), 18.5, 0.6) << time;
        EXPECT_GT(aboutY ? r.height() : r.width(), 32.0) << time;
    }
    // Eased: a quarter into the first turn linear timing would leave about 23 points of width.
    const double width = corners(plane, 0.15).boundingRect().width();
    EXPECT_GT(width, 28.0);
    EXPECT_LT(width, 33.0);
    for (int i = 0; i < 4; ++i) {
        expectNear(corners(plane, 1.2)[i], corners(plane, 0.0)[i], 1e-3);
        expectNear(corners(plane, 12.6)[i], corners(plane, 0.6)[i], 1e-3);
    }
    for (double time : {-0.6, nan})
        for (const QPointF& p : corners(plane, time))
            EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y())) << time;
}

QImage render(RTSpinKitView& view) {
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

int paintedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

TEST(RTSpinKitView, StopFreezesTheAnimationHidesItAndStartResumesIt) {
    double media = 100.0;
    QWidget parent;
    auto* view = new RTSpinKitView(1, &parent);
    view->setMediaTimeSource([&media] { return media; });
    auto* frames = view->findChild<QTimer*>(QStringLiteral("frameTimer"));
    ASSERT_NE(frames, nullptr);
    EXPECT_TRUE(view->isAnimating()) << "a new spinner runs";
    EXPECT_FALSE(frames->isActive()) << "not on screen yet";
    parent.show();
    media = 100.4;
    view->startAnimating(); // already running: nothing changes
    EXPECT_NEAR(view->animationTime(), 0.4, 1e-9);
    // Each step: running, visible, drawing frames.
    auto expectState = [&](bool running, bool visible, bool drawing) {
        EXPECT_EQ(view->isAnimating(), running);
        EXPECT_EQ(view->isVisible(), visible);
        EXPECT_EQ(frames->isActive(), drawing);
    };
    expectState(true, true, true);
    view->stopAnimating();
    media = 105.0;
    view->stopAnimating(); // already stopped: nothing changes
    expectState(false, false, false);
    EXPECT_NEAR(view->animationTime(), 0.4, 1e-9);
    view->startAnimating();
    expectState(true, true, true);
    media = 105.25;
    EXPECT_NEAR(view->animationTime(), 0.65, 1e-9);
    parent.hide();
    EXPECT_FALSE(frames->isActive());
    parent.show();
    view->setHidesWhenStopped(false);
    view->stopAnimating();
    expectState(false, true, false);
}

TEST(RTSpinKitView, PaintsTheSquareFromTheLowerLeftAtAnySizeInAFadingColourAndOtherStylesNothing) {
    // As the viewer uses it: a 40-point view, white at three quarters.
    RTSpinKitView view(3);
    view.setMediaTimeSource([] { return 0.0; });
    view.setStyle(1);
    view.setGeometry(0, 0, 40, 40);
    view.setColor(QColor(255, 255, 255, 191));
    const QImage image = render(view);
    const QColor centre = image.pixelColor(18, 21);
    EXPECT_EQ(centre.rgb(), qRgb(255, 255, 255));
    EXPECT_NEAR(centre.alpha(), 191, 2);
    // The 33-point square keeps its place 2 points from the lower-left corner.
    EXPECT_GT(qAlpha(image.pixel(3, 37)), 0);
    EXPECT_EQ(qAlpha(image.pixel(3, 3)), 0);
    EXPECT_EQ(qAlpha(image.pixel(38, 20)), 0);
    // A colour changes at once, or fades over half a second.
    EXPECT_EQ(view.findChild<QVariantAnimation*>(QStringLiteral("change-color")), nullptr);
    view.setColor(QColor(Qt::blue), true);
    EXPECT_EQ(view.color(), QColor(Qt::blue));
    EXPECT_EQ(view.paintedColor(), QColor(255, 255, 255, 191));
    auto* fade = view.findChild<QVariantAnimation*>(QStringLiteral("change-color"));
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(fade->duration(), 500);
    fade->setCurrentTime(250);
    EXPECT_TRUE(view.paintedColor().blue() > 0 && view.paintedColor().green() > 0);
    fade->setCurrentTime(500);
    EXPECT_EQ(view.paintedColor(), QColor(Qt::blue));

    for (int style : {0, 2, 15, 16, -3}) {
        RTSpinKitView other(style, QColor(Qt::black), 50.0);
        other.setMediaTimeSource([] { return 0.0; });
        EXPECT_EQ(other.sizeHint(), QSize(50, 50)) << style;
        other.setColor(QColor(Qt::red), true);
        EXPECT_EQ(paintedPixels(render(other)), 0) << style;
    }
    // A new spinner size renews the size and the layout.
    view.setSpinnerSize(60);
    EXPECT_EQ(view.sizeHint(), QSize(60, 60));
    view.resize(60, 60);
    EXPECT_GT(qAlpha(render(view).pixel(56, 56)), 0);
    for (qreal bad : {-5.0, nan}) {
        view.setSpinnerSize(bad);
        EXPECT_EQ(view.sizeHint(), QSize(0, 0));
    }
}

} // namespace
