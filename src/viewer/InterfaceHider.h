#pragma once

#include <QObject>
#include <QTimer>

// When the viewer's chrome (toolbar, header, title-bar buttons) goes away and
// comes back: every mouse move shows it and, unless the pointer rests on the
// chrome or a tool is held, hides it again 3 seconds later; leaving the
// window hides it at once. The widgets do the showing and the fading.
class InterfaceHider : public QObject {
    Q_OBJECT
  public:
    static constexpr int hideDelayMs = 3000;
    // Single precision, as the fade's duration is a display value.
    static constexpr float fadeSeconds = 0.4f;

    // What shows of the chrome while it is shown.
    struct Chrome {
        bool toolbar = false;
        bool header = false;
    };
    static Chrome shownChrome(bool isStarted, bool fullScreen) { return {isStarted, !fullScreen}; }
    // The cursor hides with the chrome, unless the hand or zoom tool shows
    // its own.
    static bool hidesCursor(bool handOrZoomTool) { return !handOrZoomTool; }

    explicit InterfaceHider(QObject* parent = nullptr);

    // The pointer moved; `overChrome` when it is on the toolbar or the
    // header, `toolActive` while the zoom, hand or selection tool is on.
    void mouseMoved(bool overChrome, bool toolActive);
    // The window saw the pointer leave. A leave while the pointer is still
    // inside (onto a child such as the header) or a popup is open is none.
    void mouseLeft(bool pointerStillInside, bool popupOpen);
    // A held tool went on (Z, Space): the chrome goes at once.
    void toolEngaged();
    // The window closes: nothing may fire after it.
    void cancel();
    bool isTimerPending() const { return timer.isActive() || manualPending; }
    // The delay ran out; the timer calls it.
    void timerFired();
    void setManualTimer(bool manual) { manualTimer = manual; }

  signals:
    void showInterface();
    void hideInterface();

  private:
    QTimer timer;
    bool manualTimer = false;
    bool manualPending = false;
};
