#pragma once

#include <QObject>
#include <QSize>
#include <QTimer>

// The full-screen steps of one window, driven by what the window reports.
// The window's state flag changes as soon as full screen is asked for; the
// size the window manager gives arrives later, or never without a window
// manager. A did-step runs once both the state and the size are there, or
// when the wait times out.
class FullScreenTransition : public QObject {
    Q_OBJECT
  public:
    enum class Phase { Windowed, Entering, FullScreen, Leaving };
    // Long enough for a window manager that animates, short enough that a
    // display without one does not leave the viewer waiting visibly.
    static constexpr int settleTimeoutMs = 1500;

    explicit FullScreenTransition(QObject* parent = nullptr);

    Phase phase() const { return current; }
    // From the start of entering to the start of leaving.
    bool isFullscreen() const { return current == Phase::Entering || current == Phase::FullScreen; }
    // Entering or leaving: the window's size changes are not the user's.
    bool inFullScreenTransition() const {
        return current == Phase::Entering || current == Phase::Leaving;
    }
    // The window's size when entering began: what leaving waits for.
    QSize windowedSize() const { return restoreSize; }

    // The user asked to toggle. True when the caller should change the
    // window's state now; during a transition the toggle waits for its end
    // and comes back through toggleNow().
    bool toggleRequested();
    // What the window reports: its full-screen flag, its size and the size
    // of its screen.
    void windowChanged(bool fullScreen, const QSize& size, const QSize& screenSize);
    // The wait for the window manager ran out; the timer calls it.
    void timeoutElapsed();
    // The timer off, for tests that run out the wait themselves.
    void setManualTimeout(bool manual) { manualTimeout = manual; }

  signals:
    void willEnter();
    // The full-screen content size is known (asked before did-enter).
    void contentSize();
    void didEnter();
    void willExit();
    void didExit();
    // A toggle asked for during a transition, due now.
    void toggleNow();

  private:
    void startWait();
    void finishEntering();
    void finishLeaving();
    void afterStep();

    Phase current = Phase::Windowed;
    QSize restoreSize;
    QSize fullSize;
    QTimer timer;
    bool manualTimeout = false;
    bool pendingToggle = false;
};
