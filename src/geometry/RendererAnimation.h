#pragma once

#include <QObject>
#include <QRectF>
#include <QTimer>

// Moves the image rectangle, and the window frame when asked, from a start
// to a target in ten equal steps on one-shot timers (0.001 s, then 0.005 s
// apart), landing exactly on the targets at a final tick. The steps are
// kept in single precision, as the frames they move are display values.
class RendererAnimation : public QObject {
    Q_OBJECT
public:
    static constexpr int steps = 10;
    static constexpr float firstInterval = 0.001f;
    static constexpr float stepInterval = 0.005f;

    struct StepRecord {
        int step = steps;
        float diffX = 0, diffY = 0, diffW = 0, diffH = 0;
        float wdiffX = 0, wdiffY = 0, wdiffW = 0, wdiffH = 0;
        bool movesWindow() const { return wdiffX != 0 || wdiffY != 0 || wdiffW != 0 || wdiffH != 0; }
    };

    explicit RendererAnimation(QObject* parent = nullptr);

    // Starts over from `from` (the image rectangle) and `windowFrom`; equal
    // window frames leave the window alone.
    void animateRendererFrom(const QRectF& from, const QRectF& to, const QRectF& windowFrom,
                             const QRectF& windowTo);
    // One tick; the timers call it, and tests may too.
    void updateRendererFrame();
    void stop();
    // Ends a running animation on its targets at once: the image always,
    // the window only when `withWindow` (a window that is changing to or
    // from full screen is the window manager's to place).
    void finishNow(bool withWindow);

    bool isRunning() const { return running; }
    const StepRecord& record() const { return current; }
    // The image rectangle as the steps have moved it so far.
    const QRectF& imageInViewPort() const { return viewport; }
    const QRectF& animationWindowFrame() const { return windowFrame; }
    // Timers off, for tests that tick by hand.
    void setManualTicks(bool manual) { manualTicks = manual; }

signals:
    // Where the renderer goes now (layout values), and the window if it moves.
    void imageFrameChanged(const QRectF& imageFrame);
    void windowFrameChanged(const QRectF& windowFrame);
    void finished();

private:
    void schedule(float seconds);

    QTimer timer;
    StepRecord current;
    QRectF viewport;
    QRectF windowFrame;
    QRectF targetAnimationWindowFrame;
    QRectF targetAnimationImageFrame;
    bool running = false;
    bool manualTicks = false;
};
