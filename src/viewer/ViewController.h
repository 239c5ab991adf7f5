#pragma once

#include "platform/Workspace.h"
#include "viewer/BackgroundTask.h"
#include "viewer/ImageCollection.h"
#include "viewer/ViewerMessage.h"

#include <QAction>
#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <functional>
#include <optional>

class DNSImageView;
class ViewerGeometry;
class ViewerInput;
class AnimationPlayer;
class ArchiveDocument;
class ImageLoader;
class Slideshow;
class Prefetcher;
class ImageSource;
class MainToolbar;
class MessageView;
class QMenu;
class RTSpinKitView;
struct LoadedItem;

// The content of one viewer window: what it shows, the list it steps
// through, and the loading of each item. It coordinates; the list, the
// decoding, the menus' state and the drawing live in their own classes.
class ViewController : public QWidget {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    // Entry points of the application's routing.
    void startWithFile(const QString& path);
    void startWithData(const QByteArray& bytes);

    void scanFolder(const QString& path);
    void showNextImage();
    void showPreviousImage();
    void showFirstImage();
    void showLastImage();
    void openImage(const QString& path);
    void loadImageFrame(int index);
    void postFrameLoad(const QImage& image);
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
    void smartZoom();
    void processWindow(bool show);
    // Animations and multi-image files.
    void playStopGif();
    void prevFrame();
    void nextFrame();
    void showPreviousImageFrame();
    void showNextImageFrame();
    void sizeSliderValueChanged();
    AnimationPlayer* animation() const { return player; }
    // The slideshow.
    void playSlideshow();
    void stopSlideshow();
    bool isSlideshowRunning() const;
    Slideshow* slideshowTimer() const { return slideshow; }
    // Copies the shown image and its placement into the transition view, for
    // the cross-fade between images in full screen.
    void prepearAni();
    DNSImageView* transitionView() const { return aniImageView; }

    // State read by the menus, the routing and the window controller.
    bool isStarted = false;
    bool isZip = false;
    bool isData = false;
    QString openedURL;
    // The open archive while its entries are listed (kept until the next one).
    std::shared_ptr<ArchiveDocument> zipWrapper;
    QByteArray imageData;
    int framesCount = 0;
    int currentFrame = 0;
    double imageWidth = 0;
    double imageHeight = 0;
    bool imageChanged = false;
    int zoomMode = 0;
    // After the step has been painted and what it dropped has been freed.
    static constexpr int prefetchDelayMs = BackgroundTask::releaseDelayMs + 20;
    int backgroundMode = 0;
    int slideshowDelay = 10;
    bool isFullscreen = false;
    std::optional<QList<ApplicationInfo>> appUrls;

    bool canZoomIn() const;
    bool canZoomOut() const;
    bool isFileLoaded() const;
    bool isDirectory() const { return collection.isDirectory(); }
    bool hasFrames() const { return framesCount > 1; }
    bool hasSelection() const { return false; }
    QImage getCurrentImage() const;
    // Where the current item is: asked for, on screen, or replaced by a message.
    enum class LoadState { Idle, Loading, Shown, Failed };
    LoadState loadState() const { return state; }
    bool isLoading() const { return state == LoadState::Loading; }
    const ImageCollection& imageFiles() const { return collection; }
    Prefetcher* imagePrefetcher() const { return prefetcher; }
    quint64 fileNumber() const { return collection.fileNumber(); }
    const ViewerMessage* shownMessage() const;

    MainToolbar* toolbar() const { return mainToolbar; }
    RTSpinKitView* loadingSpinner() const { return spinner; }
    DNSImageView* imageView() const { return renderer; }
    ViewerGeometry* viewGeometry() const { return geometry; }
    ViewerInput* input() const { return viewerInput; }
    // The viewer's own (context) menu items, by their object names.
    QAction* menuItem(const QString& name) const;
    QMenu* contextMenu() const { return viewerMenu; }
    QMenu* openWithMenu() const { return menuEditIn; }
    QList<QAction*> menuItems() const;

public slots:
    // The viewer's own actions: they stop a running slideshow first.
    void nextImage();
    void previousImage();
    void getInfo();

signals:
    // Ask the window controller to refresh every command surface.
    void updateMainMenuRequested();
    // What the information panel should describe: a file (empty for none) or image bytes.
    void updateDetailsPanel(const QString& path);
    void updateDetailsPanelWithData(const QImage& image);
    void getInfoRequested();
    void slideshowRunningChanged(bool running);
    void filesDropped(const QStringList& paths);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void viewDidLoad();
    void buildViewerMenu();
    // `ready` is the item decoded ahead, when the caller has looked already.
    void loadStep(const QString& path, const LoadedItem* ready = nullptr);
    void itemLoaded(const LoadedItem& item);
    void resetForNewItem();
    void setSteppingEnabled(bool enabled);
    void showMessage(ViewerMessage::Situation situation);
    // A folder or archive that gives no list to show: its message instead.
    void showListMessage(ViewerMessage::Situation situation, const QString& document);
    void setTitle(const QString& title);
    void setZoomMode(int mode);
    void startLoading();
    void stopLoading();
    void showFrame(int index, const QImage& image, const QSize& pixelSize, bool refit,
                   const QImage& screenCopy = QImage());
    void showImage(const QImage& image, const QSize& pixelSize, bool refit,
                   const QImage& screenCopy = QImage());
    void prefetchNeighbours();
    void startAnimation(const LoadedItem& item);
    void startWithArchive(const QString& path);
    // How the bytes of an item that is not a plain file are read.
    std::function<std::optional<QByteArray>()> readerFor(const QString& path) const;
    void showAnimationFrame(int index, const QImage& image);
    void setFrameControls(int index);
    QSize previewBound() const;
    ImageLoader* imageLoader();

    ImageCollection collection;
    LoadState state = LoadState::Idle;
    quint64 openSerial = 0;
    ImageLoader* loader = nullptr;
    Prefetcher* prefetcher = nullptr;
    AnimationPlayer* player = nullptr;
    Slideshow* slideshow = nullptr;
    // Frame lists are built on a worker; a newer item makes older lists stale.
    quint64 animationGeneration = 0;
    std::unique_ptr<BackgroundTask> frameTasks;
    // The full size of the image a reduced preview stands in for; empty when none.
    QSize previewFullSize;
    std::shared_ptr<ImageSource> sourceImageRef;
    QString loadingPath;

    QWidget* coloredView = nullptr;
    DNSImageView* renderer = nullptr;
    DNSImageView* aniImageView = nullptr;
    ViewerGeometry* geometry = nullptr;
    ViewerInput* viewerInput = nullptr;
    MessageView* messageView = nullptr;
    QWidget* loaderView = nullptr;
    RTSpinKitView* spinner = nullptr;
    MainToolbar* mainToolbar = nullptr;
    QMenu* viewerMenu = nullptr;
    QMenu* menuEditIn = nullptr;
    QHash<QString, QAction*> viewerItems;
};
