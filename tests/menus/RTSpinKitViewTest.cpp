#include "menus/RTSpinKitView.h"
#include "menus/LayerClock.h"
#include "menus/RTSpinKitPlaneAnimation.h"

#include <QImage>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

// ---- LayerClock ------------------------------------------------------------

TEST(LayerClock, PausedTimeStaysFrozenAndResumesFromTheSamePhase) {
    double media = 10.0;
    LayerClock clock([&media] { return media; });
    EXPECT_DOUBLE_EQ(clock.localTime(), 10.0);

    media = 10.25;
    clock.pause();
    EXPECT_TRUE(clock.isPaused());
    media = 50.0;
    EXPECT_DOUBLE_EQ(clock.localTime(), 10.25);
    clock.pause(); // pausing again keeps the frozen time
    EXPECT_DOUBLE_EQ(clock.localTime(), 10.25);

    clock.resume();
    EXPECT_FALSE(clock.isPaused());
    EXPECT_DOUBLE_EQ(clock.localTime(), 10.25);
    media = 50.5;
    EXPECT_DOUBLE_EQ(clock.localTime(), 10.75);
    EXPECT_DOUBLE_EQ(clock.timeOffset(), 0.0);
    EXPECT_DOUBLE_EQ(clock.beginTime(), 39.75);
}

// ---- RTSpinKitPlaneAnimation -----------------------------------------------

// Where the square's corners land, in layer coordinates: lower-left,
// lower-right, upper-right, upper-left of the untransformed square.
QPolygonF corners(const RTSpinKitPlaneAnimation& plane, double time) {
    const QRectF bounds = plane.squareBounds();
    const QTransform t = plane.squareTransformAt(time);
    return {t.map(bounds.topLeft()), t.map(bounds.topRight()), t.map(bounds.bottomRight()),
            t.map(bounds.bottomLeft())};
}

void expectNear(const QPointF& actual, const QPointF& expected, double tolerance = 0.2) {
    EXPECT_NEAR(actual.x(), expected.x(), tolerance)
        << "x of (" << expected.x() << ", " << expected.y() << ")";
    EXPECT_NEAR(actual.y(), expected.y(), tolerance)
        << "y of (" << expected.x() << ", " << expected.y() << ")";
}

// The 33-point square, inset 2 points, turns about the vertical axis, then about the horizontal
// one, each turn eased in, and ends half turned in its plane.
TEST(RTSpinKitPlaneAnimation, TheSquareTurnsThroughItsPeriodAndRepeats) {
    RTSpinKitPlaneAnimation plane(QSizeF(37, 37));
    EXPECT_EQ(plane.squareFrame(), QRectF(2, 2, 33, 33));
    EXPECT_FLOAT_EQ(plane.transformAt(0.0)(3, 2), float(1.0 / 120));
    struct Case {
        double time;
        QPointF lowerLeft, lowerRight;
    };
    const Case cases[] = {
        {0.0, {2, 2}, {35, 2}},          // flat
        {0.6, {35, 2}, {2, 2}},          // mirrored about the vertical axis
        {1.2 - 1e-6, {35, 35}, {2, 35}}, // half turned in its plane
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        const QPolygonF at = corners(plane, c.time);
        expectNear(at[0], c.lowerLeft);
        expectNear(at[1], c.lowerRight);
        expectNear(at[2], {37 - c.lowerLeft.x(), 37 - c.lowerLeft.y()});
    }
    // Midway through each turn the square is edge-on (it turns about a point behind it).
    const QRectF aboutY = corners(plane, 0.3).boundingRect();
    EXPECT_LT(aboutY.width(), 0.2);
    EXPECT_NEAR(aboutY.center().x(), 18.5, 0.6);
    EXPECT_GT(aboutY.height(), 32.0);
    const QRectF aboutX = corners(plane, 0.9).boundingRect();
    EXPECT_LT(aboutX.height(), 0.2);
    EXPECT_NEAR(aboutX.center().y(), 18.5, 0.6);
    EXPECT_GT(aboutX.width(), 32.0);
    // Eased: a quarter into the first turn linear timing would leave about 23 points of width.
    const double width = corners(plane, 0.15).boundingRect().width();
    EXPECT_GT(width, 28.0);
    EXPECT_LT(width, 33.0);

    for (int i = 0; i < 4; ++i) {
        expectNear(corners(plane, 1.2)[i], corners(plane, 0.0)[i], 1e-3);
        expectNear(corners(plane, 12.6)[i], corners(plane, 0.6)[i], 1e-3);
    }
    for (double time : {-0.6, std::numeric_limits<double>::quiet_NaN()})
        for (const QPointF& p : corners(plane, time))
            EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y())) << time;
}

// ---- RTSpinKitView -----------------------------------------------------------

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

TEST(RTSpinKitView, StopFreezesTheAnimationAndStartResumesIt) {
    double media = 100.0;
    RTSpinKitView view(1);
    EXPECT_TRUE(view.isAnimating()) << "a new spinner runs";
    view.setMediaTimeSource([&media] { return media; });
    media = 100.4;
    view.startAnimating(); // already running: nothing changes
    EXPECT_NEAR(view.animationTime(), 0.4, 1e-9);

    view.stopAnimating();
    media = 105.0;
    view.stopAnimating(); // already stopped: nothing changes
    EXPECT_FALSE(view.isAnimating());
    EXPECT_NEAR(view.animationTime(), 0.4, 1e-9);

    view.startAnimating();
    EXPECT_TRUE(view.isAnimating());
    media = 105.25;
    EXPECT_NEAR(view.animationTime(), 0.65, 1e-9);
}

TEST(RTSpinKitView, StoppedSpinnerHidesAndDrawsNoFrames) {
    QWidget parent;
    auto* view = new RTSpinKitView(1, &parent);
    auto* frames = view->findChild<QTimer*>(QStringLiteral("frameTimer"));
    ASSERT_NE(frames, nullptr);
    EXPECT_FALSE(frames->isActive()); // not on screen yet

    parent.show();
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(frames->isActive());

    view->stopAnimating();
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(frames->isActive());
    view->startAnimating();
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(frames->isActive());

    parent.hide();
    EXPECT_FALSE(frames->isActive());
    parent.show();

    view->setHidesWhenStopped(false);
    view->stopAnimating();
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(frames->isActive());
}

TEST(RTSpinKitView, ColourChangesAtOnceOrFadesOverHalfASecond) {
    RTSpinKitView view(1, QColor(Qt::red));
    view.setColor(QColor(Qt::green));
    EXPECT_EQ(view.color(), QColor(Qt::green));
    EXPECT_EQ(view.paintedColor(), QColor(Qt::green));
    EXPECT_EQ(view.findChild<QVariantAnimation*>(QStringLiteral("change-color")), nullptr);

    view.setColor(QColor(Qt::blue), true);
    EXPECT_EQ(view.color(), QColor(Qt::blue));
    EXPECT_EQ(view.paintedColor(), QColor(Qt::green));
    auto* fade = view.findChild<QVariantAnimation*>(QStringLiteral("change-color"));
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(fade->duration(), 500);
    fade->setCurrentTime(250);
    EXPECT_GT(view.paintedColor().blue(), 0);
    EXPECT_GT(view.paintedColor().green(), 0);
    fade->setCurrentTime(500);
    EXPECT_EQ(view.paintedColor(), QColor(Qt::blue));
}

TEST(RTSpinKitView, PaintsTheSquareInItsColourFromTheLowerLeft) {
    // As the viewer uses it: a 40-point view, white at three quarters.
    RTSpinKitView view(1);
    view.setMediaTimeSource([] { return 0.0; });
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
}

TEST(RTSpinKitView, OtherStylesAreEmptyButKeepTheirSize) {
    for (int style : {0, 2, 15, 16, -3}) {
        RTSpinKitView view(style, QColor(Qt::black), 50.0);
        view.setMediaTimeSource([] { return 0.0; });
        EXPECT_EQ(view.sizeHint(), QSize(50, 50)) << style;
        view.setColor(QColor(Qt::red), true);
        EXPECT_EQ(paintedPixels(render(view)), 0) << style;
    }
    RTSpinKitView view(3);
    view.setMediaTimeSource([] { return 0.0; });
    view.setStyle(1);
    EXPECT_GT(paintedPixels(render(view)), 900);
}

TEST(RTSpinKitView, NewSpinnerSizeRenewsTheSizeAndLayout) {
    RTSpinKitView view(1, QColor(Qt::black));
    view.setMediaTimeSource([] { return 0.0; });
    view.setSpinnerSize(60);
    EXPECT_EQ(view.sizeHint(), QSize(60, 60));
    view.resize(60, 60);
    EXPECT_GT(qAlpha(render(view).pixel(56, 56)), 0);

    for (qreal bad : {-5.0, std::numeric_limits<double>::quiet_NaN()}) {
        view.setSpinnerSize(bad);
        EXPECT_EQ(view.sizeHint(), QSize(0, 0));
    }
}

} // namespace
