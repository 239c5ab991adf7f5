#include "app/AppDelegate.h"
#include "app/ClsDraw.h"
#include "app/InfoViewController.h"
#include "app/InfoViewPanel.h"
#include "app/InfoWindowController.h"
#include "app/OVThumbView.h"
#include "core/Settings.h"
#include "info/InfoSummary.h"
#include "info/PanelPlacement.h"
#include "menus/RTSpinKitView.h"
#include "support/ExifBuilder.h"
#include "support/TestImages.h"
#include "support/ZipBuilder.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

bool drawn(const QImage& shot, int x, int y) {
    return qAlpha(shot.pixel(x, y)) > 0;
}

QImage filled(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

class InfoPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings().clear();
        Settings().setHideWelcomeScreen(1);
        ASSERT_TRUE(dir.isValid());
        camera = dir.filePath(QStringLiteral("camera.jpg"));
        // A JPEG whose EXIF names the camera: IFD0 with Make and Model.
        ASSERT_TRUE(TestImages::write(
            camera, ExifBuilder()
                        .text(0x010F, "Velmora")
                        .text(0x0110, "Ovisto Test Cam")
                        .intoJpeg(TestImages::encode(filled(120, 80, Qt::black), "JPEG", 90))));
    }
    void TearDown() override { QSettings().clear(); }

    // Waits for the newest request's details (or no details) to be shown.
    static bool shown(InfoViewController& panel) {
        return QTest::qWaitFor(
            [&] {
                return panel.contentState() != InfoViewController::ContentState::Loading &&
                       !panel.requests().isRunning();
            },
            10000);
    }

    QTemporaryDir dir;
    QString camera;
};

} // namespace

// Which requests run is InfoRequests' rule; the panel asks only once shown, shows a spinner
// while it works, then the details.
TEST_F(InfoPanelTest, AFileShowsItsDetailsAndTheHistogramSelectorStoredIsTheUsers) {
    InfoViewController panel;
    panel.setURL(dir.filePath(QStringLiteral("missing.jpg")));
    panel.setURL(camera);
    QTest::qWait(50);
    EXPECT_FALSE(panel.requests().isRunning()) << "a hidden panel computes nothing";
    QSignalSpy results(&panel, &InfoViewController::detailsShown);
    panel.viewWillAppear(); // the selector restored, as the panel's window does
    panel.setPanelVisible(true);
    EXPECT_EQ(panel.contentState(), InfoViewController::ContentState::Loading);
    EXPECT_TRUE(panel.spinner->isAnimating());
    ASSERT_TRUE(shown(panel));
    EXPECT_EQ(results.count(), 1) << "only the newest was computed";
    ASSERT_EQ(panel.contentState(), InfoViewController::ContentState::Details);
    EXPECT_FALSE(panel.spinner->isAnimating());
    EXPECT_TRUE(panel.treeText().contains(QStringLiteral("Model\tOvisto Test Cam")))
        << panel.treeText().toStdString();
    EXPECT_EQ(panel.labelFormat->text(), QStringLiteral("JPEG image"));
    EXPECT_EQ(panel.labelSize->text(), QStringLiteral("%1 bytes").arg(QFileInfo(camera).size()));
    EXPECT_EQ(panel.thumbView->cgImage().size(), QSize(120, 80)) << "smaller than 128: as it is";
    ASSERT_EQ(panel.histogramView->arrPoints().size(), 256);
    EXPECT_GT(panel.histogramView->arrPoints()[0].y, 0.0) << "a black image";

    // Groups open unless the user folded them; folded, one stays so for the next images.
    QStandardItemModel* model = panel.treeModel();
    QModelIndex group;
    for (int row = 0; row < model->rowCount() && !group.isValid(); ++row) {
        if (model->hasChildren(model->index(row, 0)))
            group = model->index(row, 0);
    }
    ASSERT_TRUE(group.isValid()) << panel.treeText().toStdString();
    const QString name = group.data().toString();
    EXPECT_TRUE(panel.treeView->isExpanded(group));
    panel.treeView->collapse(group);
    panel.setURL(QString());
    // The viewer's (here: white) copy of the black file is counted instead of a decode.
    panel.setURL(camera, filled(3000, 2000, Qt::white));
    ASSERT_TRUE(shown(panel));
    const QList<QStandardItem*> again = model->findItems(name);
    ASSERT_EQ(again.size(), 1);
    EXPECT_FALSE(panel.treeView->isExpanded(again[0]->index()));
    EXPECT_DOUBLE_EQ(panel.histogramView->arrPoints()[255].y, 3200.0);
    EXPECT_EQ(panel.thumbView->cgImage().size(), QSize(128, 85));

    // The histogram selector is stored when the user changes it only.
    auto graphsShown = [&](bool luminance) {
        EXPECT_EQ(panel.histogramView->isVisibleTo(&panel), luminance);
        for (ClsDraw* colour : {panel.histogramViewR, panel.histogramViewG, panel.histogramViewB})
            EXPECT_EQ(colour->isVisibleTo(&panel), !luminance);
    };
    EXPECT_FALSE(QSettings().contains(QLatin1String(Settings::HistogramType)))
        << "restoring and showing images write nothing";
    graphsShown(true);
    panel.histogramSelector->setCurrentIndex(1);
    emit panel.histogramSelector->activated(1);
    EXPECT_EQ(Settings().histogramType(), 1);
    graphsShown(false);
    // Any index above 0 picks the colour graphs; restoring it and showing the next image leave
    // the stored value as the user's.
    for (int stored : {0, 5}) {
        Settings().setValue(Settings::HistogramType, stored);
        panel.viewWillAppear();
        EXPECT_EQ(panel.histogramSelector->currentIndex(), stored ? 1 : 0);
        graphsShown(stored == 0);
    }
    panel.setDATA(TestImages::encode(filled(10, 10, Qt::red), "PNG"));
    ASSERT_TRUE(shown(panel));
    EXPECT_EQ(Settings().histogramType(), 5);
}

// The viewer's item reaches the panel: a file, a step onto a damaged one, an archive entry's
// own bytes (not a re-encoded copy) and a clipboard image's.
TEST_F(InfoPanelTest, GetInfoFollowsTheViewersItem) {
    ASSERT_TRUE(
        TestImages::write(dir.filePath(QStringLiteral("damaged.jpg")), TestImages::damagedJpeg()));
    AppDelegate delegate;
    delegate.application({camera});
    delegate.applicationDidFinishLaunching();
    ASSERT_EQ(delegate.viewerWindows().size(), 1);
    ViewController* vc = delegate.viewerWindows()[0]->vc();
    auto loaded = [vc] { return vc->isFileLoaded() && !vc->isLoading(); };
    ASSERT_TRUE(QTest::qWaitFor(loaded, 10000));
    vc->getInfo();
    ASSERT_TRUE(delegate.panelVisible);
    InfoViewController* panel = delegate.infoController->contentViewController();
    ASSERT_TRUE(delegate.infoController->isVisible());
    ASSERT_TRUE(shown(*panel));
    EXPECT_TRUE(panel->treeText().contains(QStringLiteral("Ovisto Test Cam")));
    auto showsSize = [&](qsizetype bytes) {
        const QString size = QStringLiteral("%1 bytes").arg(bytes);
        return QTest::qWaitFor([&] { return panel->labelSize->text() == size; }, 10000) &&
               shown(*panel);
    };

    vc->showNextImage();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return panel->contentState() == InfoViewController::ContentState::Empty; }, 10000));
    EXPECT_TRUE(panel->treeText().isEmpty());
    EXPECT_FALSE(panel->labelNoDetails->isHidden());

    ZipBuilder zip;
    const QByteArray png = TestImages::encode(filled(40, 30, Qt::blue), "PNG");
    zip.add("shot.png", png);
    const QString archive = dir.filePath(QStringLiteral("shots.zip"));
    ASSERT_TRUE(zip.writeTo(archive));
    QSignalSpy sent(vc, &ViewController::updateDetailsPanelWithData);
    vc->startWithFile(archive);
    ASSERT_TRUE(QTest::qWaitFor(loaded, 10000));
    ASSERT_TRUE(showsSize(png.size()));
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent[0][0].toByteArray(), png) << "the loading path sends the entry's bytes";
    EXPECT_EQ(panel->labelFormat->text(), QStringLiteral("PNG image"));

    // The window coming to the front sends the same bytes: nothing reloads.
    const quint64 serial = panel->requests().latest();
    delegate.viewerWindows()[0]->windowDidBecomeKey();
    QTest::qWait(20);
    EXPECT_EQ(panel->requests().latest(), serial);

    const QByteArray clip = TestImages::encode(filled(30, 20, Qt::green), "PNG");
    vc->startWithData(clip);
    ASSERT_TRUE(showsSize(clip.size()));
    EXPECT_EQ(panel->thumbView->cgImage().size(), QSize(30, 20));
}

TEST_F(InfoPanelTest, HidingWaitsUntilTheActiveWindowHasSettled) {
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.showDetailsPanel();
    ASSERT_TRUE(delegate.infoController->isVisible());
    delegate.infoController->saveWindowPos(); // the window system echoing our placement back
    EXPECT_FALSE(QSettings().contains(QLatin1String(Settings::InfoPanelX)))
        << "no move by the user";
    delegate.infoController->window()->setGeometry(QRect(30, 40, 240, 520)); // the user's
    EXPECT_TRUE(QTest::qWaitFor([] { return Settings().infoPanelH() == 520.0; }));
    QSignalSpy closed(delegate.infoController.data(), &InfoWindowController::panelClosed);
    // Between two viewers there is a moment with none in front: the check
    // must not hide the panel there and then.
    delegate.checkToHideInfo();
    EXPECT_TRUE(delegate.infoController->isVisible());
    EXPECT_EQ(closed.count(), 0);

    // No viewer in front once things settle: hidden, and the wish kept.
    for (OrvaneWindowController* viewer : delegate.viewerWindows())
        viewer->window()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delegate.infoController->isVisible(); }, 5000));
    EXPECT_TRUE(delegate.panelVisible);
    EXPECT_TRUE(Settings().panelVisible());
    EXPECT_EQ(closed.count(), 1) << "the panel's own close is heard";
}

// The summary above the tree, and a width the user gives the panel comes back, within the
// screen's share.
TEST_F(InfoPanelTest, TheSummaryShowsAndAWidenedPanelStaysWide) {
    InfoWindowController info;
    info.showWindow(nullptr);
    InfoViewController* panel = info.contentViewController();
    panel->setURL(camera);
    ASSERT_TRUE(shown(*panel));
    EXPECT_EQ(panel->summaryLines(),
              QStringList({"camera.jpg", QFileInfo(camera).absolutePath(),
                           "120 × 80 (0.0 MP) · " + InfoSummary::fileSize(QFileInfo(camera).size()),
                           "Velmora Ovisto Test Cam"}));
    EXPECT_TRUE(panel->summary->isVisibleTo(panel));
    EXPECT_EQ(info.window()->width(), int(PanelPlacement::width)) << "the default width";

    info.window()->setGeometry(QRect(30, 40, 360, 520)); // the user drags the inner edge
    EXPECT_TRUE(QTest::qWaitFor([] { return Settings().infoPanelW() == 360.0; }));
    info.close();
    info.showWindow(nullptr);
    EXPECT_EQ(info.window()->width(), 360);
    info.close();
    Settings().setValue(Settings::InfoPanelW, 1e5);
    info.showWindow(nullptr);
    EXPECT_EQ(info.window()->width(), info.window()->maximumWidth());
    EXPECT_LT(info.window()->width(), info.window()->screen()->availableGeometry().width());
}

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
