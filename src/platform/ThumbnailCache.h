#pragma once

#include "platform/FileStamp.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

// The thumbnail cache the desktop's file managers share: one PNG a file and
// size under $XDG_CACHE_HOME/thumbnails, named after the MD5 of the file's
// URI, valid while the modification time (and the size, when recorded) it
// holds are the file's. What one program made another uses, so a folder
// browsed before shows at once. A file that could not be decoded is recorded
// under fail/ovisto, so that it is not decoded again while it is unchanged.
// Holds only its root: copies may be used from any thread.
class ThumbnailCache {
  public:
    // The folders, smallest first: normal, large, x-large, xx-large.
    static constexpr int sizeCount = 4;
    static int pixelsOf(int size) { return 128 << size; }
    static QString folderOf(int size);
    // The smallest size of at least `pixels`; the largest beyond them all.
    static int sizeFor(int pixels);

    // Under `root`; by default where the desktop keeps it.
    explicit ThumbnailCache(QString root = defaultRoot());
    // $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails without one.
    static QString defaultRoot();
    const QString& root() const { return cacheRoot; }

    // "file://" and the absolute path percent-encoded, byte for byte as
    // QUrl::fromLocalFile(path).toEncoded() has it for names in UTF-8 (and
    // for others, the name's own bytes escaped alike).
    static QByteArray uriOf(const QString& absolutePath);
    // The lowercase hex MD5 of the URI, and ".png".
    static QString nameOf(const QString& absolutePath);

    // Whether thumbnails of `path` may be looked up and kept here: a local
    // file named by its absolute path, outside the cache itself. Archive
    // entries and the cache's own files are never written.
    bool isCachable(const QString& path) const;

    struct Entry {
        enum State { Missing, Found, Failed };
        State state = Missing;
        QImage image; // when found: at most `pixels` on its longer side
    };
    // The thumbnail of the file as it is now (or as `stamp` says it is) for
    // `pixels` on the longer side: from the smallest folder at least that
    // large, then the larger ones, then the smaller as a last resort. Else
    // the failure record, when the file is unchanged since it failed.
    Entry lookup(const QString& path, int pixels,
                 const std::optional<FileStamp>& stamp = std::nullopt) const;
    // Keeps `image` (reduced to the largest size when larger) in the folder
    // of its size, recorded with the file's stamp: the one taken before it
    // was decoded, or now. False when nothing was written.
    bool store(const QString& path, const QImage& image,
               const std::optional<FileStamp>& stamp = std::nullopt) const;
    // Records that the file as it is (or was, per `stamp`) cannot be decoded.
    bool storeFailure(const QString& path,
                      const std::optional<FileStamp>& stamp = std::nullopt) const;

    // Where the thumbnail of `path` at a size, or its failure record, lives.
    QString fileFor(const QString& path, int size) const;
    QString failureFileFor(const QString& path) const;

    // The text keys of a thumbnail's PNG.
    static const QString uriKey, mtimeKey, sizeKey, softwareKey;

  private:
    // The image of a cache file whose stamp matches, within the caps on its
    // file size and pixels; null otherwise.
    static QImage readValid(const QString& file, int maxSide, const FileStamp& stamp);
    bool write(const QString& folder, const QString& name, QImage image, const FileStamp& stamp,
               const QString& path) const;
    bool makeFolder(const QString& folder) const;

    QString cacheRoot;
};
