#pragma once

#include <QIcon>
#include <QWidget>

class PlayerSlider;
class QLabel;
class QToolButton;
class ViewController;

// The translucent toolbar at the foot of the viewer: stepping, slideshow,
// zoom and full-screen buttons around the file name and resolution labels.
class MainToolbar : public QWidget {
    Q_OBJECT
public:
    static constexpr int stillHeight = 54;
    static constexpr int framesHeight = 80;
    static constexpr int preferredWidth = 460;
    static constexpr double cornerRadius = 8.0;

    explicit MainToolbar(QWidget* parent = nullptr);

    // A toolbar picture with a dimmed variant for disabled buttons.
    static QIcon templateIcon(const QString& picture);

    void setToolbarHeight(int height);
    int toolbarHeight() const { return heightConstant; }

    QToolButton* actionPrevious = nullptr;
    QToolButton* actionNext = nullptr;
    QToolButton* actionPlay = nullptr;
    QToolButton* actionZoomOut = nullptr;
    QToolButton* actionZoomIn = nullptr;
    QToolButton* actionFullscreen = nullptr;
    QLabel* labelFileName = nullptr;
    QLabel* labelImageResolution = nullptr;
    // Where the item sits in its list and the zoom, beside the resolution.
    QLabel* labelPosition = nullptr;
    // The frames row, shown at the taller height.
    PlayerSlider* frameSlider = nullptr;
    QLabel* labelFrames = nullptr;
    QToolButton* actionPlayStopGif = nullptr;
    QLabel* imageFrames = nullptr;
    QWidget* framesRow = nullptr;

    void setButtonPicture(QToolButton* button, const QString& picture);

    // The buttons and the frame slider act on the viewer; its playback,
    // slideshow and full screen show on them.
    void connectTo(ViewController* viewer);

    // What the toolbar shows of the item on screen.
    void setSteppingEnabled(bool enabled);
    // The previous item's frames must not show through while the next loads.
    void resetForNewItem();
    // The frames row for an item of `count` frames; none below two.
    void setFrameCount(int count);
    void setFramePosition(int index, int count);
    // The play button replaces the frame count for an animation.
    void setAnimated(bool animated);
    // Cleared by an empty size.
    // `partial`: only part of the image decoded (a truncated file).
    void setResolution(const QSize& pixels, bool partial = false);
    void setPosition(const QString& text);
    void setGifPlaying(bool playing);
    void setSlideshowRunning(bool running);
    void setFullScreenShown(bool inFullScreen);

  signals:
    void heightChanged(int height);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QToolButton* makeButton(const char* name, const char* picture, const QString& tip);

    int heightConstant = stillHeight;
};
