#include "viewer/ViewerDocument.h"

#include "platform/FileName.h"
#include "platform/ImageSource.h"
#include "platform/WorkerPools.h"
#include "viewer/ArchiveDocument.h"
#include "viewer/FolderWatch.h"
#include "viewer/LaunchDecode.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <sys/stat.h>

ViewerDocument::ViewerDocument(QObject* parent)
    : QObject(parent), imageLoader(new ImageLoader(this)), readAhead(new Prefetcher(this)),
      folderWatch(new FolderWatch(this)), lookups(this, WorkerPools::lookups()) {
    connect(imageLoader, &ImageLoader::loaded, this, &ViewerDocument::itemLoaded);
    connect(folderWatch, &FolderWatch::listed, this, &ViewerDocument::folderListed);
    // GIO reports new applications to the thread that first asked: this one.
    Workspace::watchApplications();
}

ViewerDocument::~ViewerDocument() = default;

void ViewerDocument::setState(State next) {
    if (next == loadState)
        return;
    loadState = next;
    emit stateChanged(next);
}

void ViewerDocument::resetItem() {
    source.reset();
    frames = 0;
    shown = QImage();
    overviewShown = false;
    previewFullSize = QSize();
    apps.reset();
}

void ViewerDocument::cancelLoading() {
    ++openSerial;
    imageLoader->cancel();
    lookups.cancelAll();
    if (loadState == State::Loading || loadState == State::FirstLook)
        setState(State::Idle);
}

void ViewerDocument::stopWatching() {
    folderWatch->stop();
}

void ViewerDocument::startWithFile(const QString& path) {
    started = true;
    data = false;
    folderWatch->stop();
    // A new list: what was decoded ahead belongs to the old one.
    readAhead->clear();
    struct stat status {};
    const bool exists = ::stat(FileName::encode(path).constData(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode)) {
        zip = false;
        // The scan may ask for a grant in a nested event loop.
        const QPointer<ViewerDocument> alive(this);
        auto list = ImageCollection::scanFolder(path);
        if (!alive)
            return;
        collection.setList(std::move(list));
        collection.setFileNumber(0);
        if (collection.count() == 0) {
            failList(ViewerMessage::NoImagesInFolder, QFileInfo(path).absoluteFilePath());
            return;
        }
        folderWatch->watch(ImageCollection::folderOf(path));
        openImage(collection.entries().first());
        return;
    }
    if (ArchiveDocument::isArchive(path)) {
        // Listing an archive reads it on this thread: a FIFO or a device
        // named like one would never answer.
        if (exists && !S_ISREG(status.st_mode)) {
            zip = true;
            collection.clear();
            failList(ViewerMessage::ArchiveCannotOpen, path);
            return;
        }
        startWithArchive(path);
        return;
    }
    zip = false;
    const QPointer<ViewerDocument> alive(this);
    auto list = ImageCollection::scanFolder(path);
    if (!alive)
        return;
    collection.setList(std::move(list));
    if (collection.hasList()) {
        collection.selectEntry(path);
        folderWatch->watch(ImageCollection::folderOf(path));
    }
    openImage(path);
}

void ViewerDocument::startWithArchive(const QString& path) {
    zip = true;
    zipWrapper = std::make_shared<ArchiveDocument>(path);
    const bool opened = zipWrapper->outcome() == ArchiveDocument::Outcome::Opened;
    collection.setList(opened ? std::optional<QStringList>(zipWrapper->imageFiles()) : std::nullopt);
    collection.setFileNumber(0);
    if (!opened) {
        failList(zipWrapper->outcome() == ArchiveDocument::Outcome::CannotOpen
                     ? ViewerMessage::ArchiveCannotOpen
                     : ViewerMessage::NoImagesInArchive,
                 path);
        return;
    }
    openImage(collection.entries().first());
}

void ViewerDocument::failList(ViewerMessage::Situation situation, const QString& document) {
    // Whatever was shown before belongs to another list.
    cancelLoading();
    readAhead->clear();
    resetItem();
    setState(State::Failed);
    emit listFailed(situation, document);
}

void ViewerDocument::startWithData(const QByteArray& clipboard) {
    started = true;
    bytes = clipboard;
    zip = false;
    data = true;
    folderWatch->stop();
    collection.clear();
    opened.clear();
    ++openSerial;
    lookups.cancelAll();
    readAhead->clear();
    resetItem();
    setState(State::Loading);
    emit loadStarted(QString(), true);
    imageLoader->loadData(clipboard);
}

void ViewerDocument::showNextImage() {
    if (auto entry = collection.stepForward())
        openImage(*entry);
}

void ViewerDocument::showPreviousImage() {
    if (auto entry = collection.stepBackward())
        openImage(*entry);
}

void ViewerDocument::showFirstImage() {
    if (auto entry = collection.stepToFirst())
        openImage(*entry);
}

void ViewerDocument::showImageAt(qsizetype index) {
    if (auto entry = collection.stepTo(index))
        openImage(*entry);
}

void ViewerDocument::showLastImage() {
    if (auto entry = collection.stepToLast())
        openImage(*entry);
}

void ViewerDocument::openImage(const QString& path) {
    started = true;
    if (screenCopy && !opened.isEmpty()) {
        // Coming back to the image being left draws it from its copy at once.
        const ScreenCopy leaving = screenCopy();
        readAhead->setScreenCopy(opened, leaving.image, leaving.copy, container());
    }
    opened = path;
    // Nothing of the previous item may show through while this one loads.
    resetItem();
    lookups.cancelAll();
    const quint64 serial = ++openSerial;
    if (!data)
        readAhead->retain(path, neighbourEntries(), container());
    const std::optional<LoadedItem> ready = readAhead->cached(path, container());
    setState(State::Loading);
    emit loadStarted(path, !ready);
    if (ready) {
        // Decoded ahead: shown now, with no trip through the event loop.
        loadStep(path, &*ready);
        return;
    }
    // The spinner gets on screen before the decode is even asked for. Of
    // several steps posted before they run, only the last matters.
    QTimer::singleShot(0, this, [this, path, serial] {
        if (serial == openSerial)
            loadStep(path, nullptr);
    });
}

QString ViewerDocument::container() const {
    return zip && zipWrapper ? zipWrapper->path() : QString();
}

ImageLoader::Reader ViewerDocument::readerFor(const QString& path) const {
    if (zip && zipWrapper) {
        // An entry names nothing on disk: it is read from the archive or not at all.
        return [archive = zipWrapper, path]() { return archive->imageDataForEntry(path); };
    }
    if (ArchiveDocument::isSketch(path))
        return [path]() { return ArchiveDocument::sketchPreviewAtPath(path); };
    return {};
}

void ViewerDocument::loadStep(const QString& path, const LoadedItem* ready) {
    std::optional<LoadedItem> cached;
    if (!ready && (cached = readAhead->cached(path, container())))
        ready = &*cached;
    if (ready) {
        // Decoded ahead: nothing to wait for, and nothing in flight may win.
        imageLoader->cancel();
        itemLoaded(*ready);
        return;
    }
    if (auto read = readerFor(path)) {
        imageLoader->loadFromReader(path, read);
    } else {
        // Steps coming faster than a first look can be decoded (a held arrow
        // key) would only have the first look compete with the full image
        // for a core: the image the user stops on comes sharp sooner without.
        const bool rapid = sinceLastStep.isValid() && sinceLastStep.elapsed() < rapidStepMs;
        const QSize bound = previewBound && !rapid ? previewBound() : QSize();
        ImageLoader::DrawnSize drawn = drawnSize ? drawnSize() : ImageLoader::DrawnSize();
        if (auto early = LaunchDecode::take(path))
            imageLoader->adopt(std::move(early), bound, std::move(drawn));
        else
            imageLoader->loadFile(path, bound, std::move(drawn));
    }
    sinceLastStep.start();
}

void ViewerDocument::lookUpApplications(const QString& path) {
    // Telling a file's type reads its first bytes: never on this thread.
    const quint64 serial = openSerial;
    lookups.run([path]() { return Workspace::applicationsForFile(path); },
                [this, serial](QList<ApplicationInfo> found) {
                    if (serial == openSerial)
                        setApplications(std::move(found));
                });
}

void ViewerDocument::setApplications(QList<ApplicationInfo> found) {
    apps = std::move(found);
    emit applicationsChanged();
}

void ViewerDocument::itemLoaded(const LoadedItem& item) {
    if (item.preview) {
        // A first look while the full decode runs: sized as the full image.
        previewFullSize = item.fullSize;
        setState(State::FirstLook);
        emit firstLookReady(item.image, item.fullSize, item.screenCopy);
        return;
    }
    source = item.source;
    if (zip)
        bytes = item.data;
    // Clipboard images show their first frame only: no frame count.
    frames = item.source && !data ? item.framesCount : 0;
    shown = item.image;
    overviewShown = item.overview;
    if (item.applications && !zip && !data) {
        lookups.cancelAll();
        apps = item.applications;
    } else if (!zip && !data) {
        // Only now: the look-up reads the desktop's application lists,
        // which would take a core from the decode the user is waiting for.
        lookUpApplications(item.path);
    }
    // Replacing a first look of the same size keeps the geometry the user sees.
    const bool refit = item.image.isNull() ||
                       (item.overview ? item.fullSize : item.image.size()) != previewFullSize;
    previewFullSize = QSize();
    setState(item.image.isNull() ? State::Failed : State::Shown);
    emit itemReady(item, refit);
    if (item.image.isNull() || data)
        return;
    // Kept for stepping back to it: it shares its pixels with the display.
    if (collection.count() >= 2)
        readAhead->keep(item.path, item, container());
    // Reading ahead waits until this image is on screen, so that it does not
    // take a core from the first paint.
    QTimer::singleShot(prefetchDelayMs, this, [this, serial = openSerial] {
        if (serial == openSerial)
            prefetchNeighbours();
    });
}

QStringList ViewerDocument::neighbourEntries() const {
    return collection.neighbours();
}

void ViewerDocument::folderListed(const QStringList& images) {
    if (zip || data)
        return;
    const bool changed = collection.relist(images);
    // What was decoded ahead for entries that left, or for files replaced
    // under the same name, must not be shown in place of what is there now.
    if (changed)
        readAhead->retain(collection.currentEntry(), neighbourEntries());
    readAhead->dropChanged();
    if (changed)
        emit listChanged();
    if (loadState == State::Shown)
        prefetchNeighbours();
}

void ViewerDocument::prefetchNeighbours() {
    if (!collection.isDirectory() || data)
        return;
    const QStringList neighbours = neighbourEntries();
    if (drawnSize)
        readAhead->setDrawnSize(drawnSize());
    if (zip && zipWrapper) {
        auto archive = zipWrapper;
        readAhead->prefetch(collection.currentEntry(), neighbours,
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
    readAhead->prefetch(collection.currentEntry(), files);
}

QImage ViewerDocument::decodeFrame(int index) const {
    if (!source || index < 0 || index >= std::max(frames, 1))
        return QImage();
    return ImageLoader::decodeFrame(*source, index);
}

std::function<std::unique_ptr<ImageSource>()> ViewerDocument::sourceMaker() const {
    const QString path = opened;
    const QByteArray content = bytes;
    const bool fromBytes = data || zip;
    return [path, content, fromBytes]() {
        return fromBytes ? ImageSource::createWithData(content, ImageCollection::pathExtension(path))
                         : ImageSource::createWithURL(path);
    };
}
