#include "viewer/InterfaceHider.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class InterfaceHiderTest : public ::testing::Test {
  protected:
    void SetUp() override { hider.setManualTimer(true); }
    InterfaceHider hider;
    QSignalSpy shown{&hider, &InterfaceHider::showInterface};
    QSignalSpy hidden{&hider, &InterfaceHider::hideInterface};
};

TEST_F(InterfaceHiderTest, AMoveShowsTheChromeAndTheDelayThenHidesIt) {
    hider.mouseMoved(false, false);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(hider.isTimerPending());
    hider.timerFired();
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_FALSE(hider.isTimerPending());
    // Only the last move's delay counts, and a stale firing hides nothing.
    hider.mouseMoved(false, false);
    hider.cancel();
    hider.timerFired();
    EXPECT_EQ(hidden.count(), 1);
}

TEST_F(InterfaceHiderTest, RestingOnTheChromeNeverStartsTheDelay) {
    hider.mouseMoved(false, false);
    // Onto the toolbar: the delay started before is dropped too.
    hider.mouseMoved(true, false);
    EXPECT_FALSE(hider.isTimerPending());
    EXPECT_EQ(shown.count(), 2);
    hider.timerFired();
    EXPECT_EQ(hidden.count(), 0);
}

TEST_F(InterfaceHiderTest, WithAToolOnAMoveNeitherShowsNorSchedules) {
    hider.mouseMoved(false, true);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_FALSE(hider.isTimerPending());
    hider.toolEngaged();
    EXPECT_EQ(hidden.count(), 1);
}

TEST_F(InterfaceHiderTest, OnlyARealLeaveHidesAtOnce) {
    hider.mouseMoved(false, false);
    // Onto the header, a sibling of the content, or into an open menu.
    hider.mouseLeft(true, false);
    hider.mouseLeft(false, true);
    EXPECT_EQ(hidden.count(), 0);
    EXPECT_TRUE(hider.isTimerPending());
    hider.mouseLeft(false, false);
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_FALSE(hider.isTimerPending());
}

TEST_F(InterfaceHiderTest, ClosingTheWindowCancelsThePendingHide) {
    InterfaceHider timed; // a real timer this time
    QSignalSpy timedHidden(&timed, &InterfaceHider::hideInterface);
    timed.mouseMoved(false, false);
    EXPECT_TRUE(timed.isTimerPending());
    timed.cancel();
    EXPECT_FALSE(timed.isTimerPending());
    EXPECT_EQ(timedHidden.count(), 0);
}

TEST(InterfaceChrome, TheHeaderNeverShowsInFullScreenAndTheToolbarOnlyOnceStarted) {
    EXPECT_FALSE(InterfaceHider::shownChrome(true, true).header);
    EXPECT_TRUE(InterfaceHider::shownChrome(true, true).toolbar);
    EXPECT_TRUE(InterfaceHider::shownChrome(false, false).header);
    EXPECT_FALSE(InterfaceHider::shownChrome(false, false).toolbar);
    EXPECT_FALSE(InterfaceHider::hidesCursor(true)) << "the hand and zoom tools show their cursor";
    EXPECT_TRUE(InterfaceHider::hidesCursor(false));
}

} // namespace
