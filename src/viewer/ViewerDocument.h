#pragma once

#include "platform/Workspace.h"
#include "viewer/BackgroundTask.h"
#include "viewer/ImageCollection.h"
#include "viewer/ImageLoader.h"
#include "viewer/Prefetcher.h"
#include "viewer/ViewerMessage.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class ArchiveDocument;
class FolderWatch;
class ImageSource;

// What one viewer window shows, without any widget: the list it steps
// through (a folder, an archive or bytes from the clipboard), the current
// item, and the loading of that item as a small state machine.
//
//   Idle -> Loading -> (FirstLook ->) Shown
//                   \-> Failed
//
// Every open of an item starts at Loading and drops whatever the previous
// item left (its decoder, its frame count, its first look). Each load has a
// serial; a newer open cancels what an older one still has queued or
// running, so the item the user stopped on is the one decoded first. The
// window controller applies what the signals report.
class ViewerDocument : public QObject {
    Q_OBJECT
  public:
    enum class State { Idle, Loading, FirstLook, Shown, Failed };

    explicit ViewerDocument(QObject* parent = nullptr);
    ~ViewerDocument() override;

    // Entry points: a file, folder or archive; or image bytes.
    void startWithFile(const QString& path);
    void startWithData(const QByteArray& bytes);
    void openImage(const QString& path);
    void showNextImage();
    void showPreviousImage();
    void showFirstImage();
    void showLastImage();
    void showImageAt(qsizetype index);
    // Stops whatever is loading; the window is going away or a list failed.
    void cancelLoading();
    // The window is going away: its folder's changes no longer matter.
    void stopWatching();

    State state() const { return loadState; }
    // Grows with every open: work for an item compares it to know whether
    // the user is still on that item.
    quint64 loadSerial() const { return openSerial; }
    bool isStarted() const { return started; }
    bool isZip() const { return zip; }
    bool isData() const { return data; }
    // The current item: a file path, or an entry path inside the archive.
    const QString& openedURL() const { return opened; }
    // The clipboard's bytes, or the current archive entry's.
    const QByteArray& imageData() const { return bytes; }
    const ImageCollection& imageFiles() const { return collection; }
    // The open archive while its entries are listed (kept until the next one).
    const std::shared_ptr<ArchiveDocument>& archive() const { return zipWrapper; }
    Prefetcher* prefetcher() const { return readAhead; }
    ImageLoader* loader() const { return imageLoader; }
    // Frames (pages) of the current item once it is shown; 0 before that.
    int framesCount() const { return frames; }
    // Frame 0 of the current item once decoded in full.
    const QImage& image() const { return shown; }
    // Whether the image shown is the overview of one too large to decode
    // whole: its pixels are not the image's, so copies come from the file,
    // and exports and turns are refused.
    bool isOverview() const { return overviewShown; }
    // The applications that open the current file, once looked up.
    const std::optional<QList<ApplicationInfo>>& applications() const { return apps; }
    // What a look-up found for the current file (tests supply their own).
    void setApplications(QList<ApplicationInfo> found);

    // One frame of the current item, upright; null when it cannot be decoded
    // or the item is not decoded yet.
    QImage decodeFrame(int index) const;
    // Makes a new decoder for the current item, for decoding its frames on
    // another thread.
    std::function<std::unique_ptr<ImageSource>()> sourceMaker() const;

    // What the window needs to tell the document.
    // The size in device pixels beyond which a JPEG is shown first reduced.
    void setPreviewBound(std::function<QSize()> bound) { previewBound = std::move(bound); }
    // The size each neighbour decoded ahead will be drawn at.
    void setDrawnSize(std::function<Prefetcher::DrawnSize()> size) { drawnSize = std::move(size); }
    // The image on screen and the copy it is drawn from, taken as the user
    // leaves it, so that coming back draws it at once.
    struct ScreenCopy {
        QImage image;
        QImage copy;
    };
    void setScreenCopySource(std::function<ScreenCopy()> source) { screenCopy = std::move(source); }

    // After the step has been painted and what it dropped has been freed.
    static constexpr int prefetchDelayMs = BackgroundTask::releaseDelayMs + 20;
    // Loads closer together than this come from a held key: no first looks.
    static constexpr int rapidStepMs = 120;

  signals:
    void stateChanged(State state);
    // A new item is being opened; `waiting` when it must be decoded first.
    void loadStarted(const QString& path, bool waiting);
    // A reduced first look, sized as the full image (fullSize, upright).
    void firstLookReady(const QImage& image, const QSize& fullSize, const QImage& screenCopy);
    // The item in full; its image is null when nothing could be decoded.
    // `refit` is false when it replaces a first look of the same size.
    void itemReady(const LoadedItem& item, bool refit);
    // A folder or archive that gives no list to show.
    void listFailed(ViewerMessage::Situation situation, const QString& document);
    // Files came into or left the folder shown; the current item is unchanged.
    void listChanged();
    void applicationsChanged();

  private:
    void setState(State next);
    void startWithArchive(const QString& path);
    void failList(ViewerMessage::Situation situation, const QString& document);
    void resetItem();
    void loadStep(const QString& path, const LoadedItem* ready);
    void itemLoaded(const LoadedItem& item);
    void lookUpApplications(const QString& path);
    void prefetchNeighbours();
    void folderListed(const QStringList& images);
    // The entries either side of the current one.
    QStringList neighbourEntries() const;
    // The archive the prefetcher keys entries by; empty for files.
    QString container() const;
    // How the bytes of an item that is not a plain file are read.
    ImageLoader::Reader readerFor(const QString& path) const;

    ImageCollection collection;
    std::shared_ptr<ArchiveDocument> zipWrapper;
    State loadState = State::Idle;
    bool started = false;
    bool zip = false;
    bool data = false;
    QString opened;
    QByteArray bytes;
    quint64 openSerial = 0;
    std::shared_ptr<ImageSource> source;
    int frames = 0;
    QImage shown;
    bool overviewShown = false;
    // The full size of the image a first look stands in for; empty when none.
    QSize previewFullSize;
    std::optional<QList<ApplicationInfo>> apps;

    ImageLoader* imageLoader = nullptr;
    Prefetcher* readAhead = nullptr;
    FolderWatch* folderWatch = nullptr;
    BackgroundTask lookups;
    std::function<QSize()> previewBound;
    std::function<Prefetcher::DrawnSize()> drawnSize;
    std::function<ScreenCopy()> screenCopy;
    QElapsedTimer sinceLastStep;
};
