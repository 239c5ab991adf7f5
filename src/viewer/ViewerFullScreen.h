#pragma once

#include "viewer/BackgroundTask.h"
#include "viewer/FullScreenTransition.h"

#include <QObject>
#include <QPointer>
#include <QRectF>

class BlurBackdropView;
class DNSImageView;
class QVariantAnimation;
class QWidget;
class ViewController;
class ViewerGeometry;
class ViewerSelection;

// Full screen for one viewer: asks the window for it, runs the will/did
// steps as the window's real state and size arrive, shows the backdrop the
// settings ask for, cross-fades between images in full screen and, on the
// way back, returns the image to where it was.
class ViewerFullScreen : public QObject {
    Q_OBJECT
  public:
    static constexpr float returnSeconds = 0.1f;
    static constexpr float crossFadeSeconds = 0.25f;
    static constexpr float snapshotDelaySeconds = 0.3f;

    struct Parts {
        ViewController* viewer = nullptr;
        ViewerGeometry* geometry = nullptr;
        ViewerSelection* selection = nullptr;
        DNSImageView* renderer = nullptr;
        DNSImageView* aniImageView = nullptr;
        QWidget* coloredView = nullptr;
    };
    explicit ViewerFullScreen(const Parts& parts);

    const FullScreenTransition& transition() const { return machine; }
    FullScreenTransition& transition() { return machine; }
    QRectF preFullscreenImageFrame() const { return preFrame; }
    BlurBackdropView* blurEffectImage() const { return blurView; }

    void toggleFullScreen();
    // The content view changed size; also places the backdrop.
    void viewResized();
    // The settings changed: the backdrop follows while in full screen.
    void applyBackdrop();
    // A new image was fitted (processWindow): in full screen, the cross-fade
    // and a backdrop for it.
    void imageFitted(bool firstFrame);

    // The steps, in the order the window brings them.
    void windowWillEnterFullScreen();
    void windowTransitions();
    void windowDidEnterFullScreen();
    void windowWillExitFullScreen();
    void windowDidExitFullScreen();

  signals:
    // The full-screen buttons show leave (true) or enter (false).
    void fullScreenPictureChanged(bool inFullScreen);
    // Entered or left: the chrome's rules follow.
    void fullScreenChanged(bool fullScreen);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Copies the shown image and its placement into the transition view, for
    // the cross-fade between images in full screen.
    void prepearAni();
    void reportWindow();
    void centreImage(double width, double height);
    void zoomByMode();
    void placeBackdrop();
    void requestBlur();
    void endLiveResize();
    QSize screenSize() const;

    Parts p;
    FullScreenTransition machine;
    QRectF preFrame;
    BlurBackdropView* blurView = nullptr;
    QVariantAnimation* returnAnimation = nullptr;
    QVariantAnimation* crossFade = nullptr;
    QPointer<QWidget> watchedWindow;
    quint64 blurGeneration = 0;
    bool restoreMaximized = false;
    BackgroundTask tasks{this};
};
