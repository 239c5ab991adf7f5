#include "app/AppDelegate.h"
#include "app/ClsDraw.h"
#include "app/InfoViewController.h"
#include "app/InfoViewPanel.h"
#include "app/InfoWindowController.h"
#include "app/OVThumbView.h"
#include "support/ZipBuilder.h"
#include "core/Settings.h"
#include "menus/RTSpinKitView.h"
#include "support/ExifBuilder.h"
#include "support/TestImages.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
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

// A JPEG whose EXIF names the camera: IFD0 with Make and Model.
QByteArray jpegWithCamera(const QImage& image, const QByteArray& make, const QByteArray& model) {
    return ExifBuilder().text(0x010F, make).text(0x0110, model).intoJpeg(TestImages::encode(image, "JPEG", 90));
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
        ASSERT_TRUE(TestImages::write(
            camera, jpegWithCamera(filled(120, 80, Qt::black), "Velmora", "Ovisto Test Cam")));
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

TEST_F(InfoPanelTest, AFileShowsItsFormatSizeThumbnailHistogramAndCamera) {
    InfoViewController panel;
    panel.setPanelVisible(true);
    panel.setURL(camera);
    EXPECT_EQ(panel.contentState(), InfoViewController::ContentState::Loading);
    EXPECT_TRUE(panel.spinner->isAnimating());
    ASSERT_TRUE(shown(panel));
    ASSERT_EQ(panel.contentState(), InfoViewController::ContentState::Details);
    EXPECT_FALSE(panel.spinner->isAnimating());
    EXPECT_TRUE(panel.treeText().contains(QStringLiteral("Model\tOvisto Test Cam")))
        << panel.treeText().toStdString();
    EXPECT_EQ(panel.labelFormat->text(), QStringLiteral("JPEG image"));
    EXPECT_EQ(panel.labelSize->text(), QStringLiteral("%1 bytes").arg(QFileInfo(camera).size()));
    EXPECT_EQ(panel.thumbView->cgImage().size(), QSize(120, 80)) << "smaller than 128: as it is";
    ASSERT_EQ(panel.histogramView->arrPoints().size(), 256);
    EXPECT_GT(panel.histogramView->arrPoints()[0].y, 0.0) << "a black image";

    // The same file again: nothing reloads.
    panel.setURL(camera);
    EXPECT_EQ(panel.contentState(), InfoViewController::ContentState::Details);
}

TEST_F(InfoPanelTest, GroupsOpenUnlessTheUserFoldedThem) {
    InfoViewController panel;
    panel.setPanelVisible(true);
    panel.setURL(camera);
    ASSERT_TRUE(shown(panel));
    QStandardItemModel* model = panel.treeModel();
    QModelIndex group;
    for (int row = 0; row < model->rowCount() && !group.isValid(); ++row) {
        if (model->hasChildren(model->index(row, 0)))
            group = model->index(row, 0);
    }
    ASSERT_TRUE(group.isValid()) << panel.treeText().toStdString();
    const QString name = group.data().toString();
    EXPECT_TRUE(panel.treeView->isExpanded(group)) << "the camera's model at a glance";

    // Folded by the user: it stays folded for the next images.
    panel.treeView->collapse(group);
    panel.setURL(QString());
    panel.setURL(camera);
    ASSERT_TRUE(shown(panel));
    const QList<QStandardItem*> again = model->findItems(name);
    ASSERT_EQ(again.size(), 1);
    EXPECT_FALSE(panel.treeView->isExpanded(again[0]->index()));
}

TEST_F(InfoPanelTest, TheViewersImageIsCountedInsteadOfADecode) {
    InfoViewController panel;
    panel.setPanelVisible(true);
    // The viewer hands over its (here: white) copy of the black file.
    panel.setURL(camera, filled(3000, 2000, Qt::white));
    ASSERT_TRUE(shown(panel));
    EXPECT_DOUBLE_EQ(panel.histogramView->arrPoints()[255].y, 3200.0);
    EXPECT_EQ(panel.thumbView->cgImage().size(), QSize(128, 85));
}

TEST_F(InfoPanelTest, NoneAndFailuresShowNoDetailsAndTheSizeNeverLingers) {
    InfoViewController panel;
    panel.setPanelVisible(true);
    panel.setURL(camera);
    ASSERT_TRUE(shown(panel));
    const QString text = dir.filePath(QStringLiteral("notes.jpg"));
    ASSERT_TRUE(TestImages::write(text, "just text"));
    panel.setURL(text);
    ASSERT_TRUE(shown(panel));
    EXPECT_EQ(panel.contentState(), InfoViewController::ContentState::Empty);
    EXPECT_TRUE(panel.treeText().isEmpty());
    EXPECT_FALSE(panel.labelNoDetails->isHidden());

    // A, none, A shows A again.
    panel.setURL(camera);
    ASSERT_TRUE(shown(panel));
    panel.setURL(QString());
    EXPECT_EQ(panel.contentState(), InfoViewController::ContentState::Empty);
    panel.setURL(camera);
    ASSERT_TRUE(shown(panel));
    EXPECT_EQ(panel.contentState(), InfoViewController::ContentState::Details);

    // Bytes have their own size, never the file's before them.
    const QByteArray png = TestImages::encode(filled(10, 10, Qt::red), "PNG");
    panel.setDATA(png);
    ASSERT_TRUE(shown(panel));
    EXPECT_EQ(panel.labelSize->text(), QStringLiteral("%1 bytes").arg(png.size()));
    EXPECT_EQ(panel.labelFormat->text(), QStringLiteral("PNG image"));
}

TEST_F(InfoPanelTest, AHiddenPanelComputesOnlyWhenShown) {
    InfoViewController panel;
    panel.setURL(dir.filePath(QStringLiteral("missing.jpg")));
    panel.setURL(camera);
    QTest::qWait(50);
    EXPECT_FALSE(panel.requests().isRunning());
    EXPECT_TRUE(panel.requests().hasWaiting());
    QSignalSpy results(&panel, &InfoViewController::detailsShown);
    panel.setPanelVisible(true);
    ASSERT_TRUE(shown(panel));
    ASSERT_EQ(results.count(), 1) << "only the newest was computed";
    EXPECT_EQ(panel.contentState(), InfoViewController::ContentState::Details);
}

TEST_F(InfoPanelTest, TheSelectorIsStoredWhenTheUserChangesItOnly) {
    InfoViewController panel;
    panel.setPanelVisible(true);
    panel.viewWillAppear();
    panel.setURL(camera);
    ASSERT_TRUE(shown(panel));
    EXPECT_FALSE(QSettings().contains(QLatin1String(Settings::HistogramType)))
        << "restoring and showing an image write nothing";
    EXPECT_TRUE(panel.histogramView->isVisibleTo(&panel));
    EXPECT_FALSE(panel.histogramViewR->isVisibleTo(&panel));

    panel.histogramSelector->setCurrentIndex(1);
    emit panel.histogramSelector->activated(1);
    EXPECT_EQ(Settings().histogramType(), 1);
    EXPECT_FALSE(panel.histogramView->isVisibleTo(&panel));
    EXPECT_TRUE(panel.histogramViewG->isVisibleTo(&panel));

    Settings().setValue(Settings::HistogramType, 0);
    panel.viewWillAppear();
    EXPECT_EQ(panel.histogramSelector->currentIndex(), 0);
    EXPECT_TRUE(panel.histogramView->isVisibleTo(&panel));

    // Any index above 0 picks the colour graphs; restoring it and showing
    // the next image leave the stored value as the user's.
    Settings().setValue(Settings::HistogramType, 5);
    panel.viewWillAppear();
    EXPECT_EQ(panel.histogramSelector->currentIndex(), 1);
    EXPECT_TRUE(panel.histogramViewB->isVisibleTo(&panel));
    panel.setDATA(TestImages::encode(filled(10, 10, Qt::red), "PNG"));
    ASSERT_TRUE(shown(panel));
    EXPECT_EQ(Settings().histogramType(), 5);
}

TEST_F(InfoPanelTest, PanelPlacementIsStoredOnlyWhenTheUserMovesIt) {
    InfoWindowController controller;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    controller.showWindow(nullptr);
    InfoViewPanel* panel = controller.window();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), QRect(area.right() + 1 - 240 - 24, area.top() + 24, 240, 400));
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    // The window system echoing the placement back is not a move by the user.
    controller.saveWindowPos();
    QTest::qWait(20);
    EXPECT_FALSE(QSettings().contains(QLatin1String(Settings::InfoPanelX)))
        << "the default placement is not stored";

    QSignalSpy closed(&controller, &InfoWindowController::panelClosed);
    panel->setGeometry(QRect(area.left() + 30, area.top() + 40, 240, 520));
    controller.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(Settings().infoPanelH(), 520.0);
    controller.showWindow(nullptr);
    EXPECT_EQ(panel->geometry(), QRect(area.left() + 30, area.top() + 40, 240, 520));
    controller.close();

    Settings().setValue(Settings::InfoPanelH, 399.0);
    controller.showWindow(nullptr);
    EXPECT_EQ(panel->geometry().size(), QSize(240, 400));
    EXPECT_EQ(panel->geometry().topLeft(), QPoint(area.right() + 1 - 240 - 24, area.top() + 24));
}

TEST_F(InfoPanelTest, GetInfoDescribesTheViewersItemAndAnArchiveEntrysOwnBytes) {
    AppDelegate delegate;
    delegate.application({camera});
    delegate.applicationDidFinishLaunching();
    ASSERT_EQ(delegate.viewerWindows().size(), 1);
    ViewController* vc = delegate.viewerWindows()[0]->vc();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->isFileLoaded() && !vc->isLoading(); }, 10000));
    vc->getInfo();
    ASSERT_TRUE(delegate.panelVisible);
    InfoViewController* panel = delegate.infoController->contentViewController();
    ASSERT_TRUE(delegate.infoController->isVisible());
    ASSERT_TRUE(shown(*panel));
    EXPECT_TRUE(panel->treeText().contains(QStringLiteral("Ovisto Test Cam")));

    // An archive entry loaded while the panel shows: its own PNG bytes, not
    // a re-encoded copy.
    ZipBuilder zip;
    const QByteArray png = TestImages::encode(filled(40, 30, Qt::blue), "PNG");
    zip.add("shot.png", png);
    const QString archive = dir.filePath(QStringLiteral("shots.zip"));
    ASSERT_TRUE(zip.writeTo(archive));
    QSignalSpy sent(vc, &ViewController::updateDetailsPanelWithData);
    vc->startWithFile(archive);
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->isFileLoaded() && !vc->isLoading(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return panel->labelSize->text() !=
                   QStringLiteral("%1 bytes").arg(QFileInfo(camera).size());
        },
        10000));
    ASSERT_TRUE(shown(*panel));
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent[0][0].toByteArray(), png) << "the loading path sends the entry's bytes";
    EXPECT_EQ(panel->labelFormat->text(), QStringLiteral("PNG image"));
    EXPECT_EQ(panel->labelSize->text(), QStringLiteral("%1 bytes").arg(png.size()));

    // The window coming to the front sends the same bytes: nothing reloads.
    const quint64 serial = panel->requests().latest();
    delegate.viewerWindows()[0]->windowDidBecomeKey();
    QTest::qWait(20);
    EXPECT_EQ(panel->requests().latest(), serial);
    EXPECT_EQ(panel->contentState(), InfoViewController::ContentState::Details);

    vc->getInfo();
    EXPECT_FALSE(delegate.panelVisible);
    EXPECT_FALSE(Settings().panelVisible());
}

TEST_F(InfoPanelTest, ThePanelFollowsStepsFailuresAndClipboardImages) {
    ASSERT_TRUE(
        TestImages::write(dir.filePath(QStringLiteral("damaged.jpg")), TestImages::damagedJpeg()));
    AppDelegate delegate;
    delegate.application({camera});
    delegate.applicationDidFinishLaunching();
    ViewController* vc = delegate.viewerWindows()[0]->vc();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->isFileLoaded() && !vc->isLoading(); }, 10000));
    delegate.showDetailsPanel();
    InfoViewController* panel = delegate.infoController->contentViewController();
    ASSERT_TRUE(shown(*panel));
    EXPECT_TRUE(panel->treeText().contains(QStringLiteral("Ovisto Test Cam")));

    // A step onto a file that cannot be decoded: no details, nothing left over.
    vc->showNextImage();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return panel->contentState() == InfoViewController::ContentState::Empty; }, 10000));
    EXPECT_TRUE(panel->treeText().isEmpty());

    // A clipboard image: its own bytes.
    const QByteArray png = TestImages::encode(filled(30, 20, Qt::green), "PNG");
    vc->startWithData(png);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return panel->contentState() == InfoViewController::ContentState::Details; }, 10000));
    ASSERT_TRUE(shown(*panel));
    EXPECT_EQ(panel->labelSize->text(), QStringLiteral("%1 bytes").arg(png.size()));
    EXPECT_EQ(panel->thumbView->cgImage().size(), QSize(30, 20));
}

TEST_F(InfoPanelTest, HidingWaitsUntilTheActiveWindowHasSettled) {
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.showDetailsPanel();
    ASSERT_TRUE(delegate.infoController->isVisible());
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
}
