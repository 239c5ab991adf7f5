#include "viewer/ViewController.h"

#include "core/NotificationCenter.h"
#include "core/Settings.h"
#include "geometry/ViewerGeometry.h"
#include "menus/RTSpinKitView.h"
#include "platform/ImageSource.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/ArchiveDocument.h"
#include "viewer/DNSImageView.h"
#include "viewer/FrameStream.h"
#include "viewer/PlayerSlider.h"
#include "viewer/Slideshow.h"
#include "viewer/ImageLoader.h"
#include "viewer/MainToolbar.h"
#include "viewer/MessageColors.h"
#include "viewer/MessageView.h"
#include "viewer/Prefetcher.h"
#include "viewer/ScaledImageCache.h"
#include "viewer/ViewerCommands.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QNativeGestureEvent>
#include <QWheelEvent>
#include <QWindow>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace {

QCursor cursorFrom(const char* name) {
    const QIcon icon(QStringLiteral(":/%1.svg").arg(QString::fromLatin1(name)));
    return QCursor(icon.pixmap(QSize(32, 32)), 6, 6);
}

} // namespace

ViewController::ViewController(QWidget* parent) : QWidget(parent) {
    viewDidLoad();
}

ViewController::~ViewController() = default;

void ViewController::viewDidLoad() {
    setObjectName(QStringLiteral("ViewController"));
    setAcceptDrops(true);
    setMinimumSize(200, 200);

    const Settings settings;
    zoomMode = settings.zoomingMode();
    slideshowDelay = settings.slideshowDelay();
    backgroundMode = settings.backgroundMode();
    NotificationCenter::defaultCenter().addObserver(QString::fromLatin1(NotificationCenter::UpdateUI),
                                                    this, [this] { updateUI(); });

    cursorZoomIn = cursorFrom("cursor-zoom-in");
    cursorZoomOut = cursorFrom("cursor-zoom-out");

    coloredView = new QWidget(this);
    coloredView->setAutoFillBackground(true);
    QPalette black = coloredView->palette();
    black.setColor(QPalette::Window, Qt::black);
    coloredView->setPalette(black);
    coloredView->hide();

    aniImageView = new DNSImageView(this);
    aniImageView->hide();
    renderer = new DNSImageView(this);
    geometry = new ViewerGeometry(this, renderer);
    connect(geometry, &ViewerGeometry::updateMainMenuRequested, this,
            &ViewController::updateMainMenuRequested);
    connect(geometry, &ViewerGeometry::toolsChanged, this, &ViewController::updateCursor);
    setMouseTracking(true);
    messageView = new MessageView(this);

    loaderView = new QWidget(this);
    loaderView->setAttribute(Qt::WA_TransparentForMouseEvents);
    loaderView->resize(40, 40);
    spinner = new RTSpinKitView(1, loaderView);
    spinner->setGeometry(0, 0, 40, 40);
    spinner->setColor(QColor(255, 255, 255, 191));
    spinner->stopAnimating();
    loaderView->hide();

    prefetcher = new Prefetcher(this);
    frameTasks = std::make_unique<BackgroundTask>(this);
    player = new AnimationPlayer(this);
    connect(player, &AnimationPlayer::frameShown, this, &ViewController::showAnimationFrame);
    slideshow = new Slideshow(this);
    connect(slideshow, &Slideshow::tick, this, &ViewController::showNextImage);
    mainToolbar = new MainToolbar(this);
    connect(player, &AnimationPlayer::playingChanged, this, [this](bool playing) {
        mainToolbar->setButtonPicture(mainToolbar->actionPlayStopGif,
                                      playing ? QStringLiteral("pause-Template")
                                              : QStringLiteral("play-Template"));
    });
    connect(slideshow, &Slideshow::runningChanged, this, [this](bool running) {
        mainToolbar->setButtonPicture(mainToolbar->actionPlay, Slideshow::toolbarPicture(running));
        emit slideshowRunningChanged(running);
    });
    connect(mainToolbar, &MainToolbar::heightChanged, this, [this] {
        resizeEvent(nullptr);
    });
    connect(mainToolbar->actionNext, &QToolButton::clicked, this, &ViewController::nextImage);
    connect(mainToolbar->actionPrevious, &QToolButton::clicked, this, &ViewController::previousImage);
    connect(mainToolbar->actionZoomIn, &QToolButton::clicked, this, &ViewController::zoomIn);
    connect(mainToolbar->actionPlay, &QToolButton::clicked, this, &ViewController::playSlideshow);
    connect(mainToolbar->actionPlayStopGif, &QToolButton::clicked, this, &ViewController::playStopGif);
    connect(mainToolbar->frameSlider, &QSlider::valueChanged, this, [this] {
        // After the current event, as the slider's own handling finishes first.
        QTimer::singleShot(0, this, &ViewController::sizeSliderValueChanged);
    });
    connect(mainToolbar->actionZoomOut, &QToolButton::clicked, this, &ViewController::zoomOut);
    setSteppingEnabled(false);

    viewerCommands = new ViewerCommands(this);
    showMessage(ViewerMessage::EmptyWindow);
    themeChanged();
}

bool ViewController::isFileLoaded() const {
    return renderer->hasContents();
}

ViewerState ViewController::viewerState() const {
    ViewerState s;
    s.isStarted = isStarted;
    s.isZip = isZip;
    s.isData = isData;
    s.openedURL = openedURL;
    s.imageData = imageData;
    s.framesCount = framesCount;
    s.currentFrame = currentFrame;
    s.imageWidth = imageWidth;
    s.imageHeight = imageHeight;
    s.zoomMode = zoomMode;
    s.isFullscreen = isFullscreen;
    s.isFileLoaded = isFileLoaded();
    s.canZoomIn = canZoomIn();
    s.canZoomOut = canZoomOut();
    s.hasSelection = hasSelection();
    s.hasFrames = hasFrames();
    s.isDirectory = isDirectory();
    s.inZooming = geometry->inZooming;
    s.inDragging = geometry->inDragging;
    s.inSelecting = inSelecting;
    s.appUrls = appUrls;
    return s;
}

QImage ViewController::getCurrentImage() const {
    return renderer->image();
}

const ViewerMessage* ViewController::shownMessage() const {
    return messageView->isHidden() ? nullptr : &messageView->message();
}

void ViewController::setSteppingEnabled(bool enabled) {
    for (QToolButton* button :
         {mainToolbar->actionNext, mainToolbar->actionPrevious, mainToolbar->actionPlay})
        button->setEnabled(enabled);
}

void ViewController::showMessage(ViewerMessage::Situation situation) {
    if (situation != ViewerMessage::EmptyWindow)
        state = LoadState::Failed;
    messageView->showMessage(ViewerMessage::forSituation(situation));
    messageView->raise();
}

void ViewController::setTitle(const QString& title) {
    mainToolbar->labelFileName->setText(title);
    if (window() != this)
        window()->setWindowTitle(title);
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

void ViewController::smartZoom() {
    geometry->smartZoom();
}

void ViewController::processWindow(bool show) {
    geometry->processWindow(show, zoomMode);
}

void ViewController::prepearAni() {
    aniImageView->setImage(renderer->image());
    aniImageView->setImageRect(renderer->imageRect());
    aniImageView->setNearestFilter(renderer->nearestFilter());
}

void ViewController::resetForNewItem() {
    isStarted = true;
    appUrls.reset();
    player->clear();
    ++animationGeneration;
    geometry->resetForNewDocument();
}

void ViewController::startWithFile(const QString& path) {
    updateUI();
    resetForNewItem();
    // A new list: what was decoded ahead belongs to the old one.
    prefetcher->clear();
    setSteppingEnabled(false);
    messageView->hide();
    mainToolbar->setToolbarHeight(MainToolbar::stillHeight);

    const QFileInfo info(path);
    if (info.isDir()) {
        isZip = false;
        scanFolder(path);
        collection.setFileNumber(0);
        if (collection.count() >= 2)
            setSteppingEnabled(true);
        if (collection.count() == 0) {
            showListMessage(ViewerMessage::NoImagesInFolder, info.absoluteFilePath());
            return;
        }
        openImage(collection.entries().first());
        return;
    }
    if (ArchiveDocument::isArchive(path)) {
        startWithArchive(path);
        return;
    }
    isZip = false;
    scanFolder(path);
    if (collection.hasList()) {
        collection.selectEntry(path);
        if (collection.count() >= 2)
            setSteppingEnabled(true);
    }
    openImage(path);
}

void ViewController::showListMessage(ViewerMessage::Situation situation, const QString& document) {
    // Whatever was shown before belongs to another list: nothing of it stays
    // on screen under the message.
    if (loader)
        loader->cancel();
    prefetcher->clear();
    stopLoading();
    renderer->setImage(QImage());
    sourceImageRef.reset();
    framesCount = 0;
    setTitle(ImageCollection::lastPathComponent(document));
    showMessage(situation);
    emit updateDetailsPanel(QString());
    emit updateMainMenuRequested();
}

void ViewController::startWithArchive(const QString& path) {
    isZip = true;
    zipWrapper = std::make_shared<ArchiveDocument>(path);
    collection.setList(zipWrapper->outcome() == ArchiveDocument::Outcome::Opened
                           ? std::optional<QStringList>(zipWrapper->imageFiles())
                           : std::nullopt);
    collection.setFileNumber(0);
    if (zipWrapper->outcome() != ArchiveDocument::Outcome::Opened) {
        showListMessage(zipWrapper->outcome() == ArchiveDocument::Outcome::CannotOpen
                            ? ViewerMessage::ArchiveCannotOpen
                            : ViewerMessage::NoImagesInArchive,
                        path);
        return;
    }
    if (collection.count() >= 2)
        setSteppingEnabled(true);
    openImage(collection.entries().first());
}

std::function<std::optional<QByteArray>()> ViewController::readerFor(const QString& path) const {
    if (isZip && zipWrapper) {
        // An entry names nothing on disk: it is read from the archive or not at all.
        return [archive = zipWrapper, path]() { return archive->imageDataForEntry(path); };
    }
    if (ArchiveDocument::isSketch(path))
        return [path]() { return ArchiveDocument::sketchPreviewAtPath(path); };
    return {};
}

void ViewController::startWithData(const QByteArray& bytes) {
    resetForNewItem();
    setSteppingEnabled(false);
    messageView->hide();
    imageData = bytes;
    isZip = false;
    isData = true;
    collection.clear();
    setTitle(tr("Clipboard"));
    sourceImageRef.reset();
    mainToolbar->setToolbarHeight(MainToolbar::stillHeight);
    startLoading();
    loadingPath.clear();
    prefetcher->clear();
    imageLoader()->loadData(bytes);
    emit updateMainMenuRequested();
}

void ViewController::scanFolder(const QString& path) {
    collection.setList(ImageCollection::scanFolder(path));
}

void ViewController::showNextImage() {
    if (auto entry = collection.stepForward())
        openImage(*entry);
}

void ViewController::showPreviousImage() {
    if (auto entry = collection.stepBackward())
        openImage(*entry);
}

void ViewController::nextImage() {
    stopSlideshow();
    showNextImage();
}

void ViewController::previousImage() {
    stopSlideshow();
    showPreviousImage();
}

void ViewController::playSlideshow() {
    slideshow->playSlideshow(slideshowDelay);
}

void ViewController::stopSlideshow() {
    slideshow->stopSlideshow();
}

bool ViewController::isSlideshowRunning() const {
    return slideshow->isRunning();
}

void ViewController::playStopGif() {
    if (!player->hasFrames())
        return;
    if (player->isPlaying())
        player->stop();
    else
        player->play();
}

void ViewController::prevFrame() {
    player->stop();
    showPreviousImageFrame();
}

void ViewController::nextFrame() {
    player->stop();
    showNextImageFrame();
}

void ViewController::showPreviousImageFrame() {
    if (currentFrame > 0)
        loadImageFrame(currentFrame - 1);
}

void ViewController::showNextImageFrame() {
    if (currentFrame < framesCount - 1)
        loadImageFrame(currentFrame + 1);
}

void ViewController::sizeSliderValueChanged() {
    player->stop();
    const int index = mainToolbar->frameSlider->value();
    if (index == currentFrame)
        return;
    if (player->hasFrames())
        player->loadFrame(index);
    else
        loadImageFrame(index);
}

void ViewController::setFrameControls(int index) {
    const QSignalBlocker quiet(mainToolbar->frameSlider);
    mainToolbar->frameSlider->setValue(index);
    mainToolbar->labelFrames->setText(QString::asprintf("%i/%i", index + 1, framesCount));
}

void ViewController::showAnimationFrame(int index, const QImage& image) {
    // Playback swaps the picture only: no refit, the selection stays.
    currentFrame = index;
    setFrameControls(index);
    renderer->setImage(image);
    emit updateFrameItemsRequested();
}

void ViewController::startAnimation(const LoadedItem& item) {
    const QString extension = ImageCollection::pathExtension(item.path).toLower();
    const bool gif = extension == QLatin1String("gif") && framesCount >= 2;
    const bool png = extension == QLatin1String("png") && framesCount > 1;
    mainToolbar->imageFrames->setVisible(!(gif || png));
    mainToolbar->actionPlayStopGif->setVisible(gif || png);
    if (!(gif || png))
        return;
    const auto kind = gif ? AnimationPlayer::Kind::Gif : AnimationPlayer::Kind::Png;
    const QString path = item.path;
    const QByteArray bytes = imageData;
    const bool fromBytes = isData || isZip;
    auto make = [path, bytes, fromBytes]() {
        return fromBytes ? ImageSource::createWithData(bytes) : ImageSource::createWithURL(path);
    };
    mainToolbar->setButtonPicture(mainToolbar->actionPlayStopGif, QStringLiteral("pause-Template"));
    if (!AnimationPlayer::fitsBudget(framesCount, item.image.size(), AnimationPlayer::defaultBudget())) {
        // Too large to keep every frame: decode a few ahead while playing.
        player->setStream(kind, new FrameStream(make, framesCount), framesCount);
        player->play();
        return;
    }
    // Frame 0 is on screen already; the rest are decoded off the main thread.
    const quint64 generation = animationGeneration;
    const int count = framesCount;
    frameTasks->run(
        [make, count, kind]() {
            std::pair<QList<QImage>, QList<int>> frames;
            auto source = make();
            for (int i = 0; source && i < count; ++i) {
                // Properties first: decoders read animations forward only.
                const int delay = AnimationPlayer::delayValue(source.get(), i, kind);
                const QImage frame = source->imageAtIndex(i);
                if (frame.isNull())
                    continue; // a broken frame leaves a gap
                frames.first.append(frame);
                frames.second.append(delay);
            }
            return frames;
        },
        [this, generation, kind](std::pair<QList<QImage>, QList<int>> frames) {
            if (generation != animationGeneration || frames.first.isEmpty())
                return;
            player->setFrames(kind, frames.first, frames.second);
            player->play();
        });
}

void ViewController::getInfo() {
    emit getInfoRequested();
}

void ViewController::openImage(const QString& path) {
    isStarted = true;
    // Coming back to the image being left draws it from its copy at once.
    prefetcher->setScreenCopy(openedURL, renderer->image(), renderer->cache()->exactCopy());
    player->clear();
    ++animationGeneration;
    geometry->resetForNewDocument();
    openedURL = path;
    appUrls.reset();
    if (!isZip)
        appUrls = Workspace::applicationsForFile(path);
    const quint64 serial = ++openSerial;
    if (auto ready = prefetcher->cached(path)) {
        // Decoded ahead: shown now, with no spinner and no trip through the
        // event loop.
        loadStep(path, &*ready);
        return;
    }
    startLoading();
    // The spinner gets on screen before the decode is even asked for. Of
    // several steps posted before they run, only the last matters.
    QTimer::singleShot(0, this, [this, path, serial] {
        if (serial == openSerial)
            loadStep(path);
    });
}

void ViewController::startLoading() {
    state = LoadState::Loading;
    loaderView->show();
    loaderView->raise();
    spinner->startAnimating();
}

void ViewController::stopLoading() {
    spinner->stopAnimating();
    loaderView->hide();
}

ImageLoader* ViewController::imageLoader() {
    if (!loader) {
        loader = new ImageLoader(this);
        connect(loader, &ImageLoader::loaded, this, &ViewController::itemLoaded);
    }
    return loader;
}

QSize ViewController::previewBound() const {
    const QScreen* screen = window()->screen();
    if (!screen)
        return QSize();
    return screen->size() * screen->devicePixelRatio();
}

void ViewController::loadStep(const QString& path, const LoadedItem* ready) {
    setTitle(ImageCollection::lastPathComponent(path));
    sourceImageRef.reset();
    loadingPath = path;
    previewFullSize = QSize();
    std::optional<LoadedItem> cached;
    if (!ready && (cached = prefetcher->cached(path)))
        ready = &*cached;
    if (ready) {
        // Decoded ahead: nothing to wait for, and nothing in flight may win.
        imageLoader()->cancel();
        itemLoaded(*ready);
        return;
    }
    if (auto read = readerFor(path))
        imageLoader()->loadFromReader(path, read);
    else
        imageLoader()->loadFile(path, previewBound());
}

void ViewController::itemLoaded(const LoadedItem& item) {
    if (item.preview) {
        // A first look while the full decode runs: sized as the full image.
        previewFullSize = item.fullSize;
        showFrame(0, item.image, item.fullSize, true);
        stopLoading();
        return;
    }
    sourceImageRef = item.source;
    if (isZip)
        imageData = item.data;
    // Clipboard images show their first frame only: no frame count.
    framesCount = item.source && !isData ? item.framesCount : 0;
    mainToolbar->setToolbarHeight(framesCount >= 2 ? MainToolbar::framesHeight
                                                   : MainToolbar::stillHeight);
    if (!isZip && !isData)
        emit updateDetailsPanel(item.path);
    // Replacing a preview of the same size keeps the geometry the user sees.
    const bool refit = item.image.isNull() || item.image.size() != previewFullSize;
    previewFullSize = QSize();
    if (framesCount >= 2) {
        const QSignalBlocker quiet(mainToolbar->frameSlider);
        mainToolbar->frameSlider->setRange(0, framesCount - 1);
    }
    showFrame(0, item.image, item.image.size(), refit, item.screenCopy);
    stopLoading();
    startAnimation(item);
    emit updateMainMenuRequested();
    // Kept for stepping back to it: it shares its pixels with the display.
    if (!isData && collection.count() >= 2)
        prefetcher->keep(item.path, item, isZip && zipWrapper ? zipWrapper->path() : QString());
    // Reading ahead waits until this image is on screen, so that it does not
    // take a core from the first paint.
    QTimer::singleShot(prefetchDelayMs, this, [this, serial = openSerial] {
        if (serial == openSerial)
            prefetchNeighbours();
    });
}

void ViewController::prefetchNeighbours() {
    const qsizetype count = collection.count();
    if (count < 2 || isData)
        return;
    const qsizetype n = qsizetype(collection.fileNumber());
    const QStringList& list = collection.entries();
    const QStringList neighbours = {list.at((n + 1) % count), list.at((n - 1 + count) % count)};
    prefetcher->setDrawnSize(geometry->drawnSizeForNewImage(zoomMode, devicePixelRatioF()));
    if (isZip && zipWrapper) {
        auto archive = zipWrapper;
        prefetcher->prefetch(collection.currentEntry(), neighbours,
                             [archive](const QString& entry) {
                                 return ImageLoader::loadRead(entry, [&] {
                                     return archive->imageDataForEntry(entry);
                                 });
                             },
                             archive->path());
        return;
    }
    // Sketch documents are read through their archive, not decoded ahead.
    QStringList files;
    for (const QString& path : neighbours) {
        if (!ArchiveDocument::isSketch(path))
            files.append(path);
    }
    prefetcher->prefetch(collection.currentEntry(), files);
}

void ViewController::loadImageFrame(int index) {
    QImage image;
    if (sourceImageRef)
        image = ImageLoader::decodeFrame(*sourceImageRef, index);
    showFrame(index, image, image.size(), true);
}

void ViewController::showFrame(int index, const QImage& image, const QSize& pixelSize, bool refit,
                               const QImage& screenCopy) {
    imageChanged = true;
    mainToolbar->labelImageResolution->clear();
    setFrameControls(index);
    currentFrame = index;
    showImage(image, pixelSize, refit, screenCopy);
}

void ViewController::postFrameLoad(const QImage& image) {
    showImage(image, image.size(), true);
}

void ViewController::showImage(const QImage& image, const QSize& pixelSize, bool refit,
                               const QImage& screenCopy) {
    if (!image.isNull()) {
        if (isZip || isData)
            emit updateDetailsPanelWithData(image);
        double scale = devicePixelRatioF();
        if (!(scale > 0))
            scale = 1.0;
        // Always the full image's size, also while a reduced preview is shown.
        imageWidth = pixelSize.width() / scale;
        imageHeight = pixelSize.height() / scale;
        geometry->setImageSize(imageWidth, imageHeight);
        mainToolbar->labelImageResolution->setText(
            QString::asprintf("%ipx × %ipx", pixelSize.width(), pixelSize.height()));
        renderer->setImage(image, screenCopy);
        renderer->show();
        messageView->hide();
        state = previewFullSize.isValid() ? LoadState::Loading : LoadState::Shown;
        if (refit)
            processWindow(true);
    } else {
        imageWidth = imageHeight = 400;
        geometry->setImageSize(imageWidth, imageHeight);
        renderer->setImage(QImage());
        showMessage(ViewerMessage::CannotDecode);
        emit updateDetailsPanel(QString());
    }
    emit updateMainMenuRequested();
}

void ViewController::updateUI() {
    const Settings settings;
    slideshowDelay = settings.slideshowDelay();
    backgroundMode = settings.backgroundMode();
    if (isFullscreen) {
        coloredView->setVisible(backgroundMode == 1 || backgroundMode == 2);
        QPalette palette = coloredView->palette();
        palette.setColor(QPalette::Window,
                         backgroundMode == 1 ? settings.backgroundColor() : QColor(Qt::black));
        coloredView->setPalette(palette);
    }
    themeChanged();
}

void ViewController::themeChanged() {
    const auto appearance = MessageColors::appearanceForWindowColor(palette().color(QPalette::Window));
    messageView->setTextColor(MessageColors::textColor(
        appearance, isFullscreen, backgroundMode, coloredView->palette().color(QPalette::Window)));
}

void ViewController::viewWillDisappear() {
    stopSlideshow();
    player->clear();
    ++animationGeneration;
    if (loader)
        loader->cancel();
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
    geometry->viewResized();
}

bool ViewController::event(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            geometry->magnifyWithEvent(gesture->value());
            return true;
        }
        if (gesture->gestureType() == Qt::SmartZoomNativeGesture) {
            smartZoom();
            return true;
        }
    }
    return QWidget::event(event);
}

void ViewController::wheelEvent(QWheelEvent* event) {
    // Touchpads report pixels; a mouse wheel reports angles, 120 per notch.
    QPointF delta = event->pixelDelta();
    if (delta.isNull())
        delta = QPointF(event->angleDelta()) / 120.0 * 60.0;
    geometry->scrollWheel(delta);
    event->accept();
}

Qt::Edges ViewController::resizeEdgesAt(const QPoint& p) const {
    constexpr int grip = 6;
    Qt::Edges edges;
    if (window()->isFullScreen() || window()->isMaximized())
        return edges;
    if (p.x() < grip)
        edges |= Qt::LeftEdge;
    if (p.x() >= width() - grip)
        edges |= Qt::RightEdge;
    if (p.y() < grip)
        edges |= Qt::TopEdge;
    if (p.y() >= height() - grip)
        edges |= Qt::BottomEdge;
    return edges;
}

void ViewController::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const Qt::Edges edges = resizeEdgesAt(event->position().toPoint());
    if (edges && window()->windowHandle()) {
        window()->windowHandle()->startSystemResize(edges);
        return;
    }
    if (geometry->inZooming) {
        geometry->zoomWithMouse(true, geometry->zoomOut);
        return;
    }
    if (geometry->inDragging) {
        dragging = true;
        lastDragPoint = event->position();
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    // The image background moves the window, as a title bar would.
    if (window()->windowHandle())
        window()->windowHandle()->startSystemMove();
}

void ViewController::mouseMoveEvent(QMouseEvent* event) {
    if (dragging) {
        const QPointF step = event->position() - lastDragPoint;
        lastDragPoint = event->position();
        // The view is y-down, the geometry y-up.
        geometry->dragBy(QPointF(step.x(), -step.y()));
        return;
    }
    if (event->buttons() == Qt::NoButton) {
        const Qt::Edges edges = resizeEdgesAt(event->position().toPoint());
        if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
            setCursor(Qt::SizeFDiagCursor);
        else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
            setCursor(Qt::SizeBDiagCursor);
        else if (edges & (Qt::LeftEdge | Qt::RightEdge))
            setCursor(Qt::SizeHorCursor);
        else if (edges)
            setCursor(Qt::SizeVerCursor);
        else
            updateCursor();
    }
}

void ViewController::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging && event->button() == Qt::LeftButton) {
        dragging = false;
        updateCursor();
    }
}

void ViewController::updateCursor() {
    if (geometry->inZooming)
        setCursor(geometry->zoomOut ? cursorZoomOut : cursorZoomIn);
    else if (geometry->inDragging)
        setCursor(dragging ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
    else
        unsetCursor();
}

void ViewController::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ThemeChange ||
        event->type() == QEvent::ApplicationPaletteChange)
        themeChanged();
    QWidget::changeEvent(event);
}

void ViewController::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void ViewController::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        emit filesDropped(paths);
    }
}
