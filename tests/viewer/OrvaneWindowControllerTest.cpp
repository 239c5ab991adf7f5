#include "viewer/OrvaneWindowController.h"
#include "core/ViewerState.h"
#include "support/TestImages.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerHost.h"

#include <QAction>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts what the window asks of the application.
class CountingHost : public ViewerHost {
  public:
    QMenu* mainMenu() const override { return nullptr; }
    QAction* menuItem(MenuItem) const override { return nullptr; }
    QMenu* menuEditIn() const override { return nullptr; }
    QList<QAction*> shortcutActions() const override { return {}; }
    void disableMenus() override {}
    bool updateDetailsPanel(const QString&, const QImage&) override { return false; }
    bool updateDetailsPanelWithData(const QByteArray&, const QImage&) override { return false; }
    void checkToShowInfo() override { ++showInfoChecks; }
    void checkToHideInfo() override {}
    void getInfoFor(const ViewerState&, const QImage&) override {}
    void openFiles(const QStringList&) override {}
    void windowClosed(OrvaneWindowController*) override {}

    int showInfoChecks = 0;
};

TEST(OrvaneWindowController, AnAnimationFrameRefreshesOnlyTheFrameItems) {
    // Every frame used to refresh all commands, and with them the
    // information panel, which stored its visibility each time.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString gif = dir.filePath(QStringLiteral("spin.gif"));
    const QImage frame = TestImages::asymmetric(20, 10);
    ASSERT_TRUE(TestImages::write(
        gif, TestImages::animatedGif({frame, frame.mirrored(true, false), frame.mirrored()},
                                     {0, 0, 0})));
    CountingHost host;
    auto* controller = new OrvaneWindowController(&host);
    std::unique_ptr<OrvaneWindow> window(controller->window());
    ViewController* vc = controller->vc();
    vc->startWithFile(gif);
    AnimationPlayer* player = vc->animation();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->isPlaying() && player->hasFrames(); }, 10000));
    // Steps by hand from here on.
    player->stop();
    player->setManualTicks(true);
    player->play();

    const int checksBefore = host.showInfoChecks;
    QSignalSpy fullRefreshes(vc, &ViewController::updateMainMenuRequested);
    QSignalSpy frameRefreshes(vc, &ViewController::updateFrameItemsRequested);
    for (int i = 0; i < 3 && vc->viewerState().currentFrame != 2; ++i)
        player->step();
    ASSERT_EQ(vc->viewerState().currentFrame, 2);
    EXPECT_GE(frameRefreshes.count(), 1);
    EXPECT_EQ(fullRefreshes.count(), 0);
    EXPECT_EQ(host.showInfoChecks, checksBefore);
}

} // namespace
