#pragma once

#include "platform/FileStamp.h"
#include "viewer/BackgroundTask.h"
#include "viewer/ImageLoader.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <functional>
#include <optional>

// Decodes the images next to the current one ahead of time, within a memory
// budget, so that stepping to them shows them at once. Entries are keyed by
// their container (the archive, if any) and path, and guarded by size and
// modification time, so a file changed on disk is decoded again and two
// archives holding the same entry names never mix.
class Prefetcher : public QObject {
    Q_OBJECT
  public:
    explicit Prefetcher(QObject* parent = nullptr);
    ~Prefetcher() override;

    // A share of the machine's memory, capped so that a viewer stays modest.
    static qint64 defaultBudget();
    void setBudget(qint64 bytes) { budget = bytes; }
    // What the neighbours hold. The current image is on screen and shares its
    // pixels with the display, so keeping it costs nothing more.
    qint64 cachedBytes() const;

    // Keep `current` and decode `neighbours` ahead; everything else is dropped.
    // By default each path is a file; archive entries come with their own
    // loader and the archive's path, whose changes invalidate them.
    using Loader = std::function<LoadedItem(const QString& path)>;
    void prefetch(const QString& currentPath, const QStringList& neighbours, Loader load = {},
                  const QString& container = QString());
    // Drops everything but `current` and `neighbours`, decoding nothing: a
    // step that lands elsewhere frees what it leaves behind at once, so that
    // holding an arrow key does not keep the images it passed.
    void retain(const QString& currentPath, const QStringList& neighbours,
                const QString& container = QString());
    // The size in device pixels each decoded image will be drawn at; with it,
    // each comes with its copy for the screen (see LoadedItem::screenCopy).
    using DrawnSize = ImageLoader::DrawnSize;
    void setDrawnSize(DrawnSize size) { drawnSize = std::move(size); }
    // Keeps an item decoded elsewhere (the image just opened), so that it is
    // still at hand as a neighbour once the user steps on.
    void keep(const QString& path, const LoadedItem& item, const QString& container = QString());
    // The copy `shown` was last drawn from, for drawing it at once when the
    // user comes back to it; only when `shown` is the item's own image (not
    // another frame of it, nor a first look).
    void setScreenCopy(const QString& path, const QImage& shown, const QImage& copy,
                       const QString& container = QString());
    // The decoded item for a path, when it is ready and the file unchanged.
    std::optional<LoadedItem> cached(const QString& path,
                                     const QString& container = QString()) const;
    // Forgets everything, and drops what is still being decoded.
    void clear();
    // Forgets what was decoded from a file that has since changed or gone,
    // so that the file is decoded afresh when wanted.
    void dropChanged();

  signals:
    void ready(const QString& path);

  private:
    using Stamp = std::optional<FileStamp>;
    struct Entry {
        LoadedItem item;
        Stamp stamp;
        QString stampPath; // the file whose size and date guard the entry
    };
    static qint64 bytesOf(const LoadedItem& item);
    static QString keyOf(const QString& container, const QString& path);

    QHash<QString, Entry> entries; // by keyOf(container, path)
    QSet<QString> inFlight;
    QStringList wanted;
    QString current;
    DrawnSize drawnSize;
    qint64 budget;
    BackgroundTask tasks;
};
