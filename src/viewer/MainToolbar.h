#pragma once

#include <QIcon>
#include <QWidget>

class PlayerSlider;
class QLabel;
class QToolButton;

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
    // The frames row, shown at the taller height.
    PlayerSlider* frameSlider = nullptr;
    QLabel* labelFrames = nullptr;
    QToolButton* actionPlayStopGif = nullptr;
    QLabel* imageFrames = nullptr;
    QWidget* framesRow = nullptr;

    void setButtonPicture(QToolButton* button, const QString& picture);

signals:
    void heightChanged(int height);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QToolButton* makeButton(const char* name, const char* picture, const QString& tip);

    int heightConstant = stillHeight;
};
