#include "app/ClsDraw.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

bool drawn(const QImage& shot, int x, int y) {
    return qAlpha(shot.pixel(x, y)) > 0;
}

} // namespace

// The panel is narrower than the 256 bins: every bin must land inside the
// view, one unit per percent upwards from the bottom edge.
TEST(ClsDrawTest, TheBinsSpreadOverTheViewsWidthAndRiseFromTheBottom) {
    ClsDraw graph;
    graph.resize(224, 100);
    graph.graphColor = Qt::white;
    QList<ClsDrawPoint> points(256);
    points[0].y = 50.0;
    points[255].y = 50.0;
    graph.drawGraphForArray(points);
    for (qsizetype i = 0; i < points.size(); ++i)
        ASSERT_EQ(graph.arrPoints()[i].x, double(i));

    const QImage shot = graph.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(224, 100));
    EXPECT_TRUE(drawn(shot, 223, 75)) << "the last bin at the right edge";
    EXPECT_TRUE(drawn(shot, 0, 75)) << "the first bin at the left edge";
    EXPECT_FALSE(drawn(shot, 223, 30)) << "50 percent is half the height";
    EXPECT_FALSE(drawn(shot, 112, 75)) << "empty bins draw nothing";
}
