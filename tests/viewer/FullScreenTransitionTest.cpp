#include "viewer/FullScreenTransition.h"

#include <QSignalSpy>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

using Phase = FullScreenTransition::Phase;

// Each script is a run of what the window reports, as the steps it gives: E
// full screen at the windowed size, I at a size in between, S at the screen's
// size; e windowed at the screen's size, w at the windowed size; T the wait
// timing out; R a toggle pressed (recorded as "act" when it may act at once).
TEST(FullScreenTransition, StepsComeOnceTheStateAndTheSizeAgree) {
    const struct {
        const char* script;
        const char* steps;
        Phase phase;
    } cases[] = {
        {"E", "willEnter", Phase::Entering},
        {"EI", "willEnter", Phase::Entering}, // a window manager that animates
        {"EIS", "willEnter contentSize didEnter", Phase::FullScreen},
        {"EISS", "willEnter contentSize didEnter", Phase::FullScreen}, // a late size
        {"S", "willEnter contentSize didEnter", Phase::FullScreen},
        // Leaving lasts until the size is back, so that the restore resize is
        // not taken for the user's live resize.
        {"ESe", "willEnter contentSize didEnter willExit", Phase::Leaving},
        {"ESew", "willEnter contentSize didEnter willExit didExit", Phase::Windowed},
        // Without a window manager the wait times out; with nothing under way
        // a timeout does nothing.
        {"ET", "willEnter contentSize didEnter", Phase::FullScreen},
        {"ETwTT", "willEnter contentSize didEnter willExit didExit", Phase::Windowed},
        // A toggle during a transition waits for its end; two cancel out.
        {"R", "act", Phase::Windowed},
        {"ERS", "willEnter contentSize didEnter toggleNow", Phase::FullScreen},
        {"ESeRRw", "willEnter contentSize didEnter willExit didExit", Phase::Windowed},
        // Refused while entering: the entering ends, then it leaves, with no
        // toggle of its own afterwards.
        {"ERw", "willEnter contentSize didEnter willExit", Phase::Leaving},
        {"ERww", "willEnter contentSize didEnter willExit didExit", Phase::Windowed},
    };
    const QSize screen(1440, 900), windowed(800, 600);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        FullScreenTransition machine;
        machine.setManualTimeout(true);
        QStringList steps;
        auto record = [&steps](const char* name) {
            return [&steps, name] { steps << QString::fromLatin1(name); };
        };
        QObject::connect(&machine, &FullScreenTransition::willEnter, record("willEnter"));
        QObject::connect(&machine, &FullScreenTransition::contentSize, record("contentSize"));
        QObject::connect(&machine, &FullScreenTransition::didEnter, record("didEnter"));
        QObject::connect(&machine, &FullScreenTransition::willExit, record("willExit"));
        QObject::connect(&machine, &FullScreenTransition::didExit, record("didExit"));
        QObject::connect(&machine, &FullScreenTransition::toggleNow, record("toggleNow"));
        for (const char* e = c.script; *e; ++e) {
            switch (*e) {
            case 'E': machine.windowChanged(true, windowed, screen); break;
            case 'I': machine.windowChanged(true, QSize(1200, 800), screen); break;
            case 'S': machine.windowChanged(true, screen, screen); break;
            case 'e': machine.windowChanged(false, screen, screen); break;
            case 'w': machine.windowChanged(false, windowed, screen); break;
            case 'T': machine.timeoutElapsed(); break;
            case 'R':
                if (machine.toggleRequested())
                    steps << QStringLiteral("act");
                break;
            }
        }
        EXPECT_EQ(steps.join(QLatin1Char(' ')).toStdString(), c.steps);
        EXPECT_EQ(machine.phase(), c.phase);
        EXPECT_TRUE(c.script[0] != 'E' || c.phase != Phase::FullScreen ||
                    machine.windowedSize() == windowed);
    }
}

} // namespace
