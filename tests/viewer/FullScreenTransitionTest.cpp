#include "viewer/FullScreenTransition.h"

#include <QSignalSpy>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

const QSize screen(1440, 900);
const QSize windowed(800, 600);

// Records the steps in the order they come.
class FullScreenTransitionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        machine.setManualTimeout(true);
        auto record = [this](const char* name) {
            return [this, name] { steps << QString::fromLatin1(name); };
        };
        QObject::connect(&machine, &FullScreenTransition::willEnter, record("willEnter"));
        QObject::connect(&machine, &FullScreenTransition::contentSize, record("contentSize"));
        QObject::connect(&machine, &FullScreenTransition::didEnter, record("didEnter"));
        QObject::connect(&machine, &FullScreenTransition::willExit, record("willExit"));
        QObject::connect(&machine, &FullScreenTransition::didExit, record("didExit"));
        QObject::connect(&machine, &FullScreenTransition::toggleNow, record("toggleNow"));
    }
    void enterFully() {
        machine.windowChanged(true, windowed, screen);
        machine.windowChanged(true, screen, screen);
        steps.clear();
    }

    FullScreenTransition machine;
    QStringList steps;
};

TEST_F(FullScreenTransitionTest, DidEnterWaitsForTheStateAndTheFullSize) {
    // The state flag changes at once, the size comes later.
    machine.windowChanged(true, windowed, screen);
    EXPECT_EQ(steps, QStringList{"willEnter"});
    EXPECT_TRUE(machine.isFullscreen());
    EXPECT_TRUE(machine.inFullScreenTransition());
    // An intermediate size of a window manager that animates is not the end.
    machine.windowChanged(true, QSize(1200, 800), screen);
    EXPECT_EQ(steps, QStringList{"willEnter"});
    machine.windowChanged(true, screen, screen);
    EXPECT_EQ(steps, (QStringList{"willEnter", "contentSize", "didEnter"}));
    EXPECT_EQ(machine.phase(), FullScreenTransition::Phase::FullScreen);
    EXPECT_FALSE(machine.inFullScreenTransition());
    EXPECT_EQ(machine.windowedSize(), windowed);
    // A size arriving late changes nothing.
    machine.windowChanged(true, screen, screen);
    EXPECT_EQ(steps.size(), 3);
}

TEST_F(FullScreenTransitionTest, LeavingIsATransitionUntilTheWindowHasItsSizeBack) {
    enterFully();
    machine.windowChanged(false, screen, screen);
    EXPECT_EQ(steps, QStringList{"willExit"});
    EXPECT_FALSE(machine.isFullscreen());
    // So that the window manager's restore resize is not taken for the
    // user's live resize.
    EXPECT_TRUE(machine.inFullScreenTransition());
    machine.windowChanged(false, windowed, screen);
    EXPECT_EQ(steps, (QStringList{"willExit", "didExit"}));
    EXPECT_EQ(machine.phase(), FullScreenTransition::Phase::Windowed);
    EXPECT_FALSE(machine.inFullScreenTransition());
}

TEST_F(FullScreenTransitionTest, WithoutAWindowManagerTheWaitTimesOut) {
    machine.windowChanged(true, windowed, screen);
    machine.timeoutElapsed();
    EXPECT_EQ(steps, (QStringList{"willEnter", "contentSize", "didEnter"}));
    machine.windowChanged(false, windowed, screen);
    machine.timeoutElapsed();
    EXPECT_EQ(steps.mid(3), (QStringList{"willExit", "didExit"}));
    // A timeout with nothing under way does nothing.
    machine.timeoutElapsed();
    EXPECT_EQ(steps.size(), 5);
}

TEST_F(FullScreenTransitionTest, AWindowAlreadyTheScreenSizeEntersAtOnce) {
    machine.windowChanged(true, screen, screen);
    EXPECT_EQ(steps, (QStringList{"willEnter", "contentSize", "didEnter"}));
}

TEST_F(FullScreenTransitionTest, ATogglePressedDuringATransitionWaitsForItsEnd) {
    EXPECT_TRUE(machine.toggleRequested()) << "windowed: act now";
    machine.windowChanged(true, windowed, screen);
    EXPECT_FALSE(machine.toggleRequested());
    EXPECT_EQ(steps, QStringList{"willEnter"});
    machine.windowChanged(true, screen, screen);
    EXPECT_EQ(steps.last(), QStringLiteral("toggleNow"));
    // Two presses during a transition cancel out.
    steps.clear();
    machine.windowChanged(false, screen, screen);
    EXPECT_FALSE(machine.toggleRequested());
    EXPECT_FALSE(machine.toggleRequested());
    machine.windowChanged(false, windowed, screen);
    EXPECT_EQ(steps, (QStringList{"willExit", "didExit"}));
}

TEST_F(FullScreenTransitionTest, FullScreenRefusedWhileEnteringEndsTheEnteringThenLeaves) {
    machine.windowChanged(true, windowed, screen);
    machine.toggleRequested();
    machine.windowChanged(false, windowed, screen);
    EXPECT_EQ(steps, (QStringList{"willEnter", "contentSize", "didEnter", "willExit"}))
        << "no toggle of its own afterwards";
    machine.windowChanged(false, windowed, screen);
    EXPECT_EQ(steps.last(), QStringLiteral("didExit"));
}

} // namespace
