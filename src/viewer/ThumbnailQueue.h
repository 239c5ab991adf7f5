#pragma once

#include "platform/Cancellation.h"
#include "platform/ThumbnailCache.h"
#include "viewer/ThumbnailMaker.h"

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QThreadPool;

// The thumbnails of a grid over the window's list (a folder's files, or an
// archive's entries), asked for as the grid scrolls: the visible ones first,
// in order, then those a few screens ahead in the direction of the scroll,
// then a screen behind. What leaves that window is cancelled, so a fast
// scroll never leaves a backlog. Each file is looked up in the desktop's
// thumbnail cache first, then made and stored there; archive entries are
// made and kept in memory only. No more run at once than the pool has
// threads, and all the work (reading the cache too) is on the pool. Only the
// tiles of that window are held. Results come on the owner's thread.
class ThumbnailQueue : public QObject {
    Q_OBJECT
  public:
    enum class Direction { Forward, Backward };
    // Reads one archive entry's bytes on a worker.
    using EntryReader = std::function<std::optional<QByteArray>(const QString& entry)>;
    // Makes one thumbnail on a worker (read set for archive entries); tests
    // put slow or counting fakes here.
    using Maker = std::function<ThumbnailMaker::Result(
        const QString& path, const ThumbnailMaker::Reader& read, int pixels)>;

    // Without a pool, on the thumbnails' own.
    explicit ThumbnailQueue(QObject* parent = nullptr, QThreadPool* pool = nullptr);
    ~ThumbnailQueue() override;

    void setMaker(Maker make) { maker = std::move(make); }
    // The desktop's cache by default.
    void setCache(ThumbnailCache cache) { diskCache = std::move(cache); }

    // A folder's files by absolute path. Tiles of files still listed stay.
    void setFolder(const QStringList& files);
    // An archive's entries, read through `read`.
    void setArchive(const QStringList& entries, EntryReader read);
    void clear();
    // The longer side of a tile, in device pixels. Tiles of another size go.
    void setPixels(int pixels);
    // The indexes the grid shows now, and the way it last scrolled.
    void setVisible(qsizetype first, qsizetype last, Direction direction);
    // A file changed on disk: its tile goes, and it is asked for again.
    void forget(const QString& path);

    struct Tile {
        QImage image; // null when failed
        bool failed = false;
    };
    // The tile held for `index`; nothing while it is not held.
    std::optional<Tile> tile(qsizetype index) const;
    // How many requests hold a worker now, cancelled ones still stopping included.
    int inFlight() const { return int(running.size()); }
    qsizetype heldCount() const { return tiles.size(); }

    static constexpr int screensAhead = 3;
    static constexpr int screensBehind = 1;
    // The indexes asked for while [first, last] of `count` is shown, in the
    // order they are asked for: the visible ones, then ahead nearest first,
    // then behind nearest first.
    static QList<qsizetype> order(qsizetype first, qsizetype last, Direction direction,
                                  qsizetype count);

  signals:
    void thumbnailReady(qsizetype index, const QString& path, const QImage& image, bool failed);

  private:
    struct Mailbox {
        QMutex lock;
        ThumbnailQueue* receiver = nullptr;
    };
    struct Job {
        QString path;
        CancelToken token;
        quint64 generation = 0;
        bool cancelled = false;
    };

    static std::optional<Tile> produce(const QString& path, const ThumbnailMaker::Reader& read,
                                       int pixels, const ThumbnailCache* cache, const Maker& make);
    void setEntries(const QStringList& list, bool inArchive);
    void restart();
    void apply();
    void pump();
    void start(const QString& path);
    void finished(quint64 id, std::optional<Tile> tile);
    bool isRunning(const QString& path) const;

    QThreadPool* pool;
    std::shared_ptr<Mailbox> box;
    Maker maker;
    ThumbnailCache diskCache;

    QStringList entries;
    QHash<QString, qsizetype> indexOf;
    EntryReader reader;
    bool archive = false;
    int pixels = 128;
    quint64 generation = 0;

    qsizetype first = 0, last = -1;
    Direction direction = Direction::Forward;
    QList<qsizetype> wanted;
    qsizetype keepFirst = 0, keepLast = -1;

    QHash<quint64, Job> running;
    quint64 lastJob = 0;

    // By path, so that a folder listed again keeps what still applies.
    QHash<QString, Tile> tiles;
};
