#include "viewer/InterfaceHider.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Each script is a run of events: m a move over the view, c a move over the
// chrome, t a move with a tool on, T a tool engaged, f the delay firing, x a
// cancel, and the leaves: h onto the header (a sibling of the content), p into
// an open menu, L a real leave.
TEST(InterfaceHider, ShowsOnAMoveAndHidesAfterTheDelayOrARealLeave) {
    const struct {
        const char* script;
        int shown, hidden;
        bool pending;
    } cases[] = {
        {"m", 1, 0, true},     {"mf", 1, 1, false},
        {"mfmxf", 2, 1, false}, // only the last move's delay counts; a stale firing hides nothing
        {"mcf", 2, 0, false},   // resting on the chrome drops the delay started before
        {"t", 0, 0, false},     {"tT", 0, 1, false},
        {"mhp", 1, 0, true},    {"mhpL", 1, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        InterfaceHider hider;
        hider.setManualTimer(true);
        QSignalSpy shown(&hider, &InterfaceHider::showInterface);
        QSignalSpy hidden(&hider, &InterfaceHider::hideInterface);
        for (const char* e = c.script; *e; ++e) {
            switch (*e) {
            case 'm': hider.mouseMoved(false, false); break;
            case 'c': hider.mouseMoved(true, false); break;
            case 't': hider.mouseMoved(false, true); break;
            case 'T': hider.toolEngaged(); break;
            case 'f': hider.timerFired(); break;
            case 'x': hider.cancel(); break;
            case 'h': hider.mouseLeft(true, false); break;
            case 'p': hider.mouseLeft(false, true); break;
            case 'L': hider.mouseLeft(false, false); break;
            }
        }
        EXPECT_EQ(shown.count(), c.shown);
        EXPECT_EQ(hidden.count(), c.hidden);
        EXPECT_EQ(hider.isTimerPending(), c.pending);
    }
    // With a real timer, closing the window cancels the pending hide.
    InterfaceHider timed;
    timed.mouseMoved(false, false);
    EXPECT_TRUE(timed.isTimerPending());
    timed.cancel();
    EXPECT_FALSE(timed.isTimerPending());
    // The toolbar shows only once something is opened (the header in full
    // screen and the cursor with a tool on are the chrome test's).
    EXPECT_TRUE(InterfaceHider::shownChrome(true, true).toolbar);
    EXPECT_FALSE(InterfaceHider::shownChrome(false, false).toolbar);
}

} // namespace
