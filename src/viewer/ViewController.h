#pragma once

#include "core/ViewerState.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ViewerMessage.h"

#include <QByteArray>
#include <QImage>
#include <QWidget>

class DNSImageView;
class ViewerGeometry;
class ViewerInput;
class AnimationPlayer;
class FramePlayback;
class Slideshow;
class MainToolbar;
class MessageView;
class ItemDisplay;
class RTSpinKitView;
class ViewerCommands;
class ViewerSelection;
class ViewerTransforms;
class ViewerFullScreen;
class ViewerOutput;
class GridMode;

// The content of one viewer window: what it shows, the list it steps
// through, and the loading of each item. It builds the window's parts and
// coordinates them; the list, the decoding, the placing of each item, the
// geometry, the transforms, the output, the menus' state and the drawing
// live in their own classes, which callers reach through the accessors.
class ViewController : public QWidget {
    Q_OBJECT
  public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    // Entry points of the application's routing.
    void startWithFile(const QString& path);
    void startWithData(const QByteArray& bytes);

    void showNextImage();
    void showPreviousImage();
    void updateUI();
    void themeChanged();
    void viewWillDisappear();

    // Zoom modes; the engine that applies them to the geometry comes with the
    // zoom work, these keep the mode and the check marks right.
    void setFitToScreen() { setZoomMode(0); }
    void setStretchToFit() { setZoomMode(1); }
    void setFillScreen() { setZoomMode(2); }
    void setActualSize() { setZoomMode(3); }
    void zoomIn();
    void zoomOut();
    void processWindow(bool show);
    // Full screen through the window manager, with its steps and backdrop.
    ViewerFullScreen* fullScreen() const { return fullScreenSteps; }
    // Animations and multi-image files: playing and stepping through frames.
    AnimationPlayer* animation() const;
    FramePlayback* framePlayback() const { return playback; }
    ViewerDocument* document() const { return doc; }
    // The slideshow.
    void playSlideshow();
    Slideshow* slideshowTimer() const { return slideshow; }

    // State read by the menus, the routing and the window controller.
    int framesCount() const;
    int currentFrame() const;
    double imageWidth = 0;
    double imageHeight = 0;
    bool imageChanged = false;
    int zoomMode = 0;
    int backgroundMode = 0;
    int slideshowDelay = 10;
    bool isFullscreen = false;

    bool canZoomIn() const;
    bool canZoomOut() const;
    bool isFileLoaded() const;
    bool hasFrames() const { return framesCount() > 1; }
    bool hasSelection() const;
    QImage getCurrentImage() const;
    // The shown item's frame 0 for the information panel; null when nothing
    // is shown.
    QImage detailsImage() const;
    // Where the current item is: asked for, first look, on screen, or
    // replaced by a message.
    using LoadState = ViewerDocument::State;
    LoadState loadState() const;
    // Until the item is on screen in full (a first look is still loading).
    bool isLoading() const;
    const ViewerMessage* shownMessage() const;
    ItemDisplay* itemDisplay() const { return display; }

    MainToolbar* toolbar() const { return mainToolbar; }
    RTSpinKitView* loadingSpinner() const { return spinner; }
    DNSImageView* imageView() const { return renderer; }
    ViewerGeometry* viewGeometry() const { return geometry; }
    // The context menu and the state of the viewer's own commands.
    ViewerCommands* commands() const { return viewerCommands; }
    // What the window controller, the menus and the application read.
    ViewerState viewerState() const;
    // Mouse, wheel, gestures, drops and the tool modes.
    ViewerInput* input() const { return viewerInput; }
    ViewerSelection* selection() const { return viewerSelection; }

    // The selection commands.
    void selectAll();
    void deselect();
    void selectionTool();

    // Turns and flips of the shown image.
    ViewerTransforms* transforms() const { return viewerTransforms; }
    bool isTransforming() const;
    // The full image is on screen: what reads or changes its pixels may run.
    bool isImageShown() const;
    // The spinner over the view, for work the user waits for.
    void startLoading();
    void stopLoading();

    // Copy, export and print.
    ViewerOutput* output() const { return viewerOutput; }

    // The list as a grid of thumbnails in place of the image, and back.
    void showAllImages();
    bool isGridShown() const;

  public slots:
    // The viewer's own actions: they stop a running slideshow first.
    void nextImage();
    void previousImage();
    void getInfo();

  signals:
    // Ask the window controller to refresh every command surface.
    void updateMainMenuRequested();
    // Only the frame position changed (an animation playing): the frame items suffice.
    void updateFrameItemsRequested();
    // What the information panel should describe: a file (empty for none) or image bytes.
    void updateDetailsPanel(const QString& path, const QImage& shown = QImage());
    void updateDetailsPanelWithData(const QByteArray& bytes, const QImage& shown = QImage());
    void getInfoRequested();
    void slideshowRunningChanged(bool running);
    void filesDropped(const QStringList& paths);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void viewDidLoad();
    // The child views, then the wiring of each concern.
    void buildViews();
    void wireGeometryAndInput();
    void wireDocument();
    void wirePlayback();
    void setZoomMode(int mode);
    QSize previewBound() const;

    ViewerDocument* doc = nullptr;
    FramePlayback* playback = nullptr;
    Slideshow* slideshow = nullptr;

    QWidget* coloredView = nullptr;
    DNSImageView* renderer = nullptr;
    DNSImageView* aniImageView = nullptr;
    ViewerGeometry* geometry = nullptr;
    ViewerInput* viewerInput = nullptr;
    ViewerSelection* viewerSelection = nullptr;
    MessageView* messageView = nullptr;
    ItemDisplay* display = nullptr;
    QWidget* loaderView = nullptr;
    RTSpinKitView* spinner = nullptr;
    MainToolbar* mainToolbar = nullptr;
    ViewerCommands* viewerCommands = nullptr;
    ViewerTransforms* viewerTransforms = nullptr;
    ViewerFullScreen* fullScreenSteps = nullptr;
    ViewerOutput* viewerOutput = nullptr;
    GridMode* gridMode = nullptr;
};
