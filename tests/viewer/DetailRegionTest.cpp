#include "viewer/DetailRegion.h"
#include "platform/ImageSource.h"
#include "support/ViewerWindowTest.h"
#include "viewer/DNSImageView.h"
#include "viewer/ImageLoader.h"
#include "viewer/ViewerSelection.h"

#include <QImageReader>
#include <QMessageBox>

// The sharp parts of an image too large to decode whole: which part the view
// asks for, where it lies in the stored image, and that the window draws it.

using Request = DetailRegion::Request;

TEST(DetailRegion, AsksForThePartInViewWithAWideMarginAtTheDensityOnScreen) {
    const QSize full(6000, 4000), overview(1500, 1000);
    const QRectF view(0, 0, 1500, 1000);
    struct Case {
        const char* what;
        QRectF placement;
        double dpr;
        std::optional<Request> expected;
        qint64 maxPixels = 1 << 30;
    } cases[] = {
        {"fitted: the overview is enough", {0, 0, 1500, 1000}, 1, std::nullopt},
        {"fitted on a double-density screen",
         {0, 0, 1500, 1000},
         2,
         Request{{0, 0, 6000, 4000}, 2, {0, 0, 6000, 4000}}},
        {"actual size in the middle",
         {-2250, -1500, 6000, 4000},
         1,
         Request{{750, 1000, 4500, 2000}, 1, {2250, 1500, 1500, 1000}}},
        {"a third: the half is the coarsest enough",
         {0, 0, 2000, 1333.3},
         1,
         Request{{0, 0, 6000, 4000}, 2, {0, 0, 4500, 3000}}},
        {"out of view", {1600, 0, 6000, 4000}, 1, std::nullopt},
        {"no margin within a small budget",
         {-2250, -1500, 6000, 4000},
         1,
         Request{{2250, 1500, 1500, 1000}, 1, {2250, 1500, 1500, 1000}},
         2'000'000},
        {"nothing where even the part in view is over it",
         {-2250, -1500, 6000, 4000},
         1,
         std::nullopt,
         1'000'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto request =
            DetailRegion::forView(full, overview, c.placement, view, c.dpr, c.maxPixels);
        ASSERT_EQ(request.has_value(), c.expected.has_value());
        if (request) {
            EXPECT_EQ(*request, *c.expected)
                << request->area.x() << "," << request->area.y() << " " << request->area.width()
                << "x" << request->area.height();
        }
    }
    // A pan of a screen's width either way needs no new part; two do.
    const Request have{{750, 1000, 4500, 2000}, 1, {2250, 1500, 1500, 1000}};
    EXPECT_TRUE(DetailRegion::covers(have, {{}, 1, {3750, 1500, 1500, 1000}}));
    EXPECT_TRUE(DetailRegion::covers(have, {{}, 1, {750, 1250, 1500, 1000}}));
    EXPECT_FALSE(DetailRegion::covers(have, {{}, 1, {5250, 1500, 1500, 1000}}));
    EXPECT_FALSE(DetailRegion::covers(have, {{}, 2, {2250, 1500, 1500, 1000}}));
}

TEST(DetailRegion, StoredAreasOfTurnedImagesFallOnTheReducedGrid) {
    const QSize stored(4000, 6000);
    const QRect area(1501, 1003, 2998, 1994);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const ImageTransform upright = DetailRegion::forOrientation(orientation);
        const QSize size = upright.mapSize(stored);
        const QRect inside = area.intersected(QRect(QPoint(), size));
        EXPECT_EQ(DetailRegion::uprightArea(DetailRegion::storedArea(inside, stored, upright, 1),
                                            stored, upright),
                  inside);
        const QRect grid = DetailRegion::storedArea(inside, stored, upright, 4);
        EXPECT_EQ(grid.x() % 4 + grid.y() % 4, 0);
        EXPECT_TRUE(DetailRegion::uprightArea(grid, stored, upright).contains(inside));
    }
    // Turned clockwise, the stored image's rows are the upright one's columns.
    EXPECT_EQ(DetailRegion::storedArea({1500, 1000, 3000, 2000}, stored,
                                       DetailRegion::forOrientation(6), 4),
              QRect(1000, 1500, 2000, 3000));
}

class HugeImageWindow : public ViewerWindowTest {
  protected:
    void TearDown() override {
        QImageReader::setAllocationLimit(limit);
        ViewerWindowTest::TearDown();
    }
    int limit = QImageReader::allocationLimit();
};

TEST_F(HugeImageWindow, ShowsTheOverviewUprightAndDrawsTheFullDecodesPixelsOverItAtActualSize) {
    // Red across, green down: a part in the wrong place or turned the wrong way shows.
    QImage picture(1296, 816, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 255 / 1295, y * 255 / 815, 128));
    ASSERT_TRUE(TestImages::write(path("huge.jpg"), TestImages::jpegWithOrientation(picture, 6)));
    const QImage upright =
        ImageLoader::decodeFrame(*ImageSource::createWithURL(path("huge.jpg")), 0);
    ASSERT_EQ(upright.size(), QSize(816, 1296));
    QImageReader::setAllocationLimit(3); // under which it is too large to decode whole
    ASSERT_TRUE(shown());
    ASSERT_TRUE(open(path("huge.jpg")));
    EXPECT_EQ(resolution(), QStringLiteral("816px × 1296px"));
    EXPECT_LT(vc->imageView()->image().width(), 816);
    // Its full pixels do not fit: a copy of all of it and a turn are refused.
    vc->selection()->selectAll();
    EXPECT_FALSE(vc->output()->copySelectionToClipboard());
    vc->transforms()->rotate90();
    for (const char* alert : {"CopyTooLargeAlert", "TransformTooLargeAlert"})
        EXPECT_TRUE(window->findChild<QMessageBox*>(alert)) << alert;
    vc->selection()->deselect();
    vc->setActualSize();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !vc->imageView()->detail().isNull(); }, 10000));
    const QRect area = vc->imageView()->detailRect();
    EXPECT_EQ(vc->imageView()->detail().convertToFormat(QImage::Format_RGB32),
              upright.copy(area).convertToFormat(QImage::Format_RGB32));
}
