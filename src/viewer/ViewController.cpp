#include "viewer/ViewController.h"

#include "core/NotificationCenter.h"
#include "core/Settings.h"
#include "geometry/ViewerGeometry.h"
#include "menus/RTSpinKitView.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/DNSImageView.h"
#include "viewer/FramePlayback.h"
#include "viewer/GridMode.h"
#include "viewer/ItemDisplay.h"
#include "viewer/MainToolbar.h"
#include "viewer/MessageColors.h"
#include "viewer/MessageView.h"
#include "viewer/ScaledImageCache.h"
#include "viewer/Slideshow.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerFullScreen.h"
#include "viewer/ViewerInput.h"
#include "viewer/ViewerOutput.h"
#include "viewer/ViewerSelection.h"
#include "viewer/ViewerTransforms.h"
#include "viewer/WidgetViewWindow.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>

ViewController::ViewController(QWidget* parent) : QWidget(parent) {
    viewDidLoad();
}

ViewController::~ViewController() = default;

void ViewController::viewDidLoad() {
    setObjectName(QStringLiteral("ViewController"));
    setMinimumSize(200, 200);

    const Settings settings;
    zoomMode = settings.zoomingMode();
    slideshowDelay = settings.slideshowDelay();
    backgroundMode = settings.backgroundMode();
    NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(NotificationCenter::UpdateUI), this, [this] { updateUI(); });

    buildViews();
    wireGeometryAndInput();
    doc = new ViewerDocument(this);
    wireDocument();
    playback = new FramePlayback(this);
    slideshow = new Slideshow(this);
    mainToolbar = new MainToolbar(this);
    mainToolbar->connectTo(this);
    wirePlayback();
    mainToolbar->setSteppingEnabled(false);

    viewerTransforms = new ViewerTransforms(this);
    connect(viewerTransforms, &ViewerTransforms::runningChanged, this,
            &ViewController::updateMainMenuRequested);
    viewerOutput = new ViewerOutput(this);
    viewerCommands = new ViewerCommands(this);
    // Over everything else while it shows.
    gridMode = new GridMode(this);
    connect(gridMode, &GridMode::shownChanged, this, &ViewController::updateMainMenuRequested);
    display->showMessage(ViewerMessage::EmptyWindow);
    themeChanged();
}

void ViewController::buildViews() {
    coloredView = new QWidget(this);
    coloredView->setAutoFillBackground(true);
    QPalette black = coloredView->palette();
    black.setColor(QPalette::Window, Qt::black);
    coloredView->setPalette(black);
    coloredView->hide();

    aniImageView = new DNSImageView(this);
    aniImageView->hide();
    renderer = new DNSImageView(this);
    geometry = new ViewerGeometry(std::make_unique<WidgetViewWindow>(this), renderer, this);
    viewerInput = new ViewerInput(this, geometry);
    // Over the image, under the messages and the toolbar made later.
    viewerSelection = new ViewerSelection(this, geometry);
    viewerInput->setSelection(viewerSelection);
    fullScreenSteps = new ViewerFullScreen(
        {this, geometry, viewerSelection, renderer, aniImageView, coloredView});
    messageView = new MessageView(this);
    display = new ItemDisplay(this, messageView);

    loaderView = new QWidget(this);
    loaderView->setAttribute(Qt::WA_TransparentForMouseEvents);
    loaderView->resize(40, 40);
    spinner = new RTSpinKitView(1, loaderView);
    spinner->setGeometry(0, 0, 40, 40);
    spinner->setColor(QColor(255, 255, 255, 191));
    spinner->stopAnimating();
    loaderView->hide();
}

void ViewController::wireGeometryAndInput() {
    connect(geometry, &ViewerGeometry::updateMainMenuRequested, this,
            &ViewController::updateMainMenuRequested);
    connect(geometry, &ViewerGeometry::selectableAreaChanged, viewerSelection,
            &ViewerSelection::updateSelectableArea);
    connect(viewerSelection, &ViewerSelection::changed, this,
            &ViewController::updateMainMenuRequested);
    connect(viewerInput, &ViewerInput::actualSizeRequested, this, &ViewController::setActualSize);
    connect(viewerInput, &ViewerInput::firstImageRequested, this,
            [this] { doc->showFirstImage(); });
    connect(viewerInput, &ViewerInput::lastImageRequested, this, [this] { doc->showLastImage(); });
    connect(viewerInput, &ViewerInput::stepRequested, this,
            [this](int by) { by > 0 ? showNextImage() : showPreviousImage(); });
    connect(viewerInput, &ViewerInput::filesDropped, this, &ViewController::filesDropped);
    connect(viewerInput, &ViewerInput::toggleFullScreenRequested, fullScreenSteps,
            &ViewerFullScreen::toggleFullScreen);
}

void ViewController::wireDocument() {
    doc->setPreviewBound([this] { return previewBound(); });
    doc->setDrawnSize(
        [this] { return geometry->drawnSizeForNewImage(zoomMode, devicePixelRatioF()); });
    doc->setScreenCopySource([this] {
        return ViewerDocument::ScreenCopy{renderer->image(), renderer->cache()->exactCopy()};
    });
    connect(doc, &ViewerDocument::loadStarted, display, &ItemDisplay::loadStarted);
    connect(doc, &ViewerDocument::firstLookReady, display, &ItemDisplay::firstLookReady);
    connect(doc, &ViewerDocument::itemReady, display, &ItemDisplay::itemReady);
    connect(doc, &ViewerDocument::listFailed, display, &ItemDisplay::showListMessage);
    connect(display, &ItemDisplay::updateMainMenuRequested, this,
            &ViewController::updateMainMenuRequested);
    connect(display, &ItemDisplay::updateFrameItemsRequested, this,
            &ViewController::updateFrameItemsRequested);
    connect(display, &ItemDisplay::updateDetailsPanel, this, &ViewController::updateDetailsPanel);
    connect(display, &ItemDisplay::updateDetailsPanelWithData, this,
            &ViewController::updateDetailsPanelWithData);
    connect(doc, &ViewerDocument::applicationsChanged, this,
            &ViewController::updateMainMenuRequested);
    connect(doc, &ViewerDocument::listChanged, this, [this] {
        const bool stepping = doc->imageFiles().isDirectory();
        mainToolbar->setSteppingEnabled(stepping);
        if (!stepping)
            slideshow->stopSlideshow();
        display->updatePosition();
        if (gridMode)
            gridMode->listChanged();
        emit updateMainMenuRequested();
    });
}

void ViewController::wirePlayback() {
    connect(playback, &FramePlayback::frameShown, display, &ItemDisplay::frameShown);
    connect(playback, &FramePlayback::playingChanged, this,
            &ViewController::updateFrameItemsRequested);
    connect(slideshow, &Slideshow::tick, this, &ViewController::showNextImage);
    connect(slideshow, &Slideshow::runningChanged, this, &ViewController::slideshowRunningChanged);
    connect(mainToolbar, &MainToolbar::heightChanged, this, [this] { resizeEvent(nullptr); });
}

int ViewController::framesCount() const {
    return doc->framesCount();
}

int ViewController::currentFrame() const {
    return playback->currentFrame();
}

ViewController::LoadState ViewController::loadState() const {
    return doc->state();
}

bool ViewController::isLoading() const {
    return doc->state() == LoadState::Loading || doc->state() == LoadState::FirstLook;
}

AnimationPlayer* ViewController::animation() const {
    return playback->player();
}

bool ViewController::isFileLoaded() const {
    return renderer->hasContents();
}

ViewerState ViewController::viewerState() const {
    ViewerState s;
    s.isStarted = doc->isStarted();
    s.isZip = doc->isZip();
    s.isData = doc->isData();
    s.openedURL = doc->openedURL();
    s.imageData = doc->imageData();
    s.framesCount = doc->framesCount();
    s.currentFrame = playback->currentFrame();
    s.imageWidth = imageWidth;
    s.imageHeight = imageHeight;
    s.zoomMode = zoomMode;
    s.isFullscreen = isFullscreen;
    s.isFileLoaded = isFileLoaded();
    s.isImageShown = isImageShown();
    s.isTransforming = isTransforming();
    s.canZoomIn = canZoomIn();
    s.canZoomOut = canZoomOut();
    s.hasSelection = hasSelection();
    s.hasFrames = hasFrames();
    s.isPlaying = playback->isPlaying();
    s.isDirectory = doc->imageFiles().isDirectory();
    s.hasList = doc->imageFiles().count() > 0 && !doc->isData();
    s.isGridShown = isGridShown();
    s.inZooming = viewerInput->tools().inZooming();
    s.inDragging = viewerInput->tools().inDragging();
    s.inSelecting = viewerInput->tools().inSelecting();
    s.appUrls = doc->applications();
    return s;
}

bool ViewController::hasSelection() const {
    return viewerSelection->hasSelection();
}

void ViewController::selectAll() {
    if (isFileLoaded() && !isTransforming())
        viewerSelection->selectAll();
}

void ViewController::deselect() {
    viewerSelection->deselect();
    emit updateMainMenuRequested();
}

void ViewController::selectionTool() {
    if (isTransforming())
        return;
    viewerInput->canBeSelected(!viewerInput->tools().inSelecting());
}

QImage ViewController::detailsImage() const {
    // The image itself, not a reduced copy: averaged pixels would count as
    // colours the image does not hold, and the histogram samples only what it counts.
    return doc->image();
}

QImage ViewController::getCurrentImage() const {
    return renderer->image();
}

const ViewerMessage* ViewController::shownMessage() const {
    return display->shownMessage();
}

void ViewController::setZoomMode(int mode) {
    zoomMode = mode;
    geometry->zoomImageWithEvent(ZoomEngine::requestForMode(mode));
    emit updateMainMenuRequested();
}

bool ViewController::canZoomIn() const {
    return geometry->zoom.canZoomIn;
}

bool ViewController::canZoomOut() const {
    return geometry->zoom.canZoomOut;
}

void ViewController::zoomIn() {
    geometry->zoomWithMouse(false, false);
}

void ViewController::zoomOut() {
    geometry->zoomWithMouse(false, true);
}

void ViewController::processWindow(bool show) {
    // The grid keeps the window it grew; the image is fitted on its return.
    if (isGridShown())
        return;
    geometry->processWindow(show, zoomMode);
    fullScreenSteps->imageFitted(currentFrame() == 0);
}

void ViewController::startWithFile(const QString& path) {
    updateUI();
    mainToolbar->setSteppingEnabled(false);
    display->hideMessage();
    // The folder scan may ask for a grant in a nested event loop.
    const QPointer<ViewController> alive(this);
    doc->startWithFile(path);
    if (!alive)
        return;
    mainToolbar->setSteppingEnabled(doc->imageFiles().isDirectory());
}

void ViewController::startWithData(const QByteArray& bytes) {
    mainToolbar->setSteppingEnabled(false);
    display->hideMessage();
    doc->startWithData(bytes);
    emit updateMainMenuRequested();
}

void ViewController::showNextImage() {
    doc->showNextImage();
}

void ViewController::showPreviousImage() {
    doc->showPreviousImage();
}

void ViewController::nextImage() {
    slideshow->stopSlideshow();
    showNextImage();
}

void ViewController::previousImage() {
    slideshow->stopSlideshow();
    showPreviousImage();
}

void ViewController::playSlideshow() {
    slideshow->playSlideshow(slideshowDelay);
}

void ViewController::getInfo() {
    emit getInfoRequested();
}

void ViewController::startLoading() {
    loaderView->show();
    loaderView->raise();
    spinner->startAnimating();
}

void ViewController::stopLoading() {
    spinner->stopAnimating();
    loaderView->hide();
}

QSize ViewController::previewBound() const {
    const QScreen* screen = window()->screen();
    if (!screen)
        return QSize();
    return screen->size() * screen->devicePixelRatio();
}

void ViewController::updateUI() {
    const Settings settings;
    slideshowDelay = settings.slideshowDelay();
    backgroundMode = settings.backgroundMode();
    if (isFullscreen)
        fullScreenSteps->applyBackdrop();
    themeChanged();
}

void ViewController::themeChanged() {
    const auto appearance =
        MessageColors::appearanceForWindowColor(palette().color(QPalette::Window));
    messageView->setTextColor(MessageColors::textColor(
        appearance, isFullscreen, backgroundMode, coloredView->palette().color(QPalette::Window)));
}

void ViewController::viewWillDisappear() {
    slideshow->stopSlideshow();
    playback->clear();
    doc->cancelLoading();
    doc->stopWatching();
    stopLoading();
}

void ViewController::resizeEvent(QResizeEvent*) {
    const QRect all = rect();
    coloredView->setGeometry(all);
    renderer->setGeometry(all);
    aniImageView->setGeometry(all);
    messageView->setGeometry(all.adjusted(20, 20, -20, -20 - MainToolbar::framesHeight));
    loaderView->move((width() - loaderView->width()) / 2, (height() - loaderView->height()) / 2);
    const int toolbarWidth = std::min(MainToolbar::preferredWidth, width() - 24);
    mainToolbar->setGeometry((width() - toolbarWidth) / 2,
                             height() - mainToolbar->toolbarHeight() - 12, toolbarWidth,
                             mainToolbar->toolbarHeight());
    gridMode->setGeometry(all);
    geometry->viewResized();
    fullScreenSteps->viewResized();
    // The same content rectangle lies elsewhere in a view of another height.
    viewerSelection->updateSelectableArea();
}

void ViewController::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ThemeChange ||
        event->type() == QEvent::ApplicationPaletteChange)
        themeChanged();
    QWidget::changeEvent(event);
}

void ViewController::showAllImages() {
    gridMode->toggle();
}

bool ViewController::isGridShown() const {
    return gridMode && gridMode->isShown();
}

bool ViewController::isImageShown() const {
    return doc->state() == LoadState::Shown && isFileLoaded();
}

bool ViewController::isTransforming() const {
    return viewerTransforms->isTransforming();
}
