#pragma once

#include "archive/ZipError.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

class LOZIPFileWrapperDelegate;
struct ZipMemoryStream;
struct tm_unz_s;

// Read access to a zip archive held in a file or in memory: the list of its
// entries with their attributes, and the bytes of one entry. The archive is
// opened, checked and listed once, at construction; afterwards only
// contentsAtPath() reads from it. Nothing is ever written or unpacked.
//
// Entry paths are the stored names decoded as UTF-8 (else Windows-1252, else
// "Untitled Document") with backslashes turned into slashes. An attribute
// record maps the keys below to values; a folder derived from the paths has
// only fileTypeKey = fileTypeDirectory.
//
// Every operation that can fail takes an error slot as its last argument; it
// may be null. The slot is written on failure, and also when construction
// succeeds with a warning (a failing close after the trial read, or a listing
// that failed): callers treat a filled slot as a failure.
//
// Not safe for concurrent use: calls on one wrapper must be serialised.
class LOZIPFileWrapper {
  public:
    using ContentAttributes = QHash<QString, QVariantMap>;

    static const QString fileCreationDateKey;     // QDateTime, UTC
    static const QString fileModificationDateKey; // QDateTime, UTC
    static const QString fileSizeKey;             // quint64, uncompressed
    static const QString fileTypeKey;             // derived folders only
    static const QString fileTypeDirectory;
    static const QString compressedSizeKey;   // quint64
    static const QString compressionRatioKey; // quint64, compressed * 100 / uncompressed
    static const QString encryptedKey;        // bool

    ~LOZIPFileWrapper();
    LOZIPFileWrapper(const LOZIPFileWrapper&) = delete;
    LOZIPFileWrapper& operator=(const LOZIPFileWrapper&) = delete;

    // Opens the archive file at `path`. Nothing when it cannot be opened
    // (code 2) or its first entry cannot be read (codes 1, 3, 4).
    static std::unique_ptr<LOZIPFileWrapper>
    initWithURL(const QString& path, const std::optional<QString>& password, ZipError* error);
    // Opens an archive held in memory; the wrapper keeps its own copy of the
    // bytes. Nothing for 4 GiB or more, or as initWithURL().
    static std::unique_ptr<LOZIPFileWrapper> initWithZIPData(const QByteArray& data,
                                                             const std::optional<QString>& password,
                                                             ZipError* error);

    // The entry paths, in no defined order, without "__MACOSX" entries; with
    // `includeFolders`, also every folder named by a path (without a trailing
    // slash). Nothing when the archive could not be listed.
    std::optional<QStringList> contentOfZIPFileIncludingFolders(bool includeFolders,
                                                                ZipError* error) const;
    // The same, as a map from entry path to attribute record.
    std::optional<ContentAttributes>
    contentAttributesOfZIPFileIncludingFolders(bool includeFolders, ZipError* error) const;

    // The uncompressed bytes of the first entry whose stored name is exactly
    // the UTF-8 form of `path` (case-sensitive, no decoding, at most 255
    // bytes). Nothing when there is no such entry (code 5) or it cannot be
    // read (codes 1 and 4; code 4 also when it inflates beyond
    // entrySizeLimit()).
    std::optional<QByteArray> contentsAtPath(const QString& path, ZipError* error);

    // A UTC date from broken-down fields as the zip library gives them
    // (month 0-11); days beyond the end of a month run into the next one.
    static QDateTime dateFromTM(const tm_unz_s& tm);
    // Paths that macOS adds for resource forks: they begin with "__MACOSX".
    static bool isAppleDoublePath(const QString& path);

    // The archive file's path; empty for an archive in memory.
    const QString& URL() const { return archivePath; }
    // The archive bytes; empty for an archive in a file.
    const QByteArray& ZIPData() const { return archiveBytes; }
    const std::optional<QString>& password() const { return passwordText; }
    void setPassword(const std::optional<QString>& password) { passwordText = password; }
    // Not owned and never called: the reader unpacks nothing.
    LOZIPFileWrapperDelegate* delegate() const { return delegateObject; }
    void setDelegate(LOZIPFileWrapperDelegate* delegate) { delegateObject = delegate; }

    // The most bytes contentsAtPath() gives for one entry. The declared size
    // in the archive cannot be trusted, so reading stops here instead of
    // exhausting memory. By default a quarter of the machine's memory.
    qint64 entrySizeLimit() const { return sizeLimit; }
    void setEntrySizeLimit(qint64 bytes) { sizeLimit = bytes; }
    static qint64 defaultEntrySizeLimit();

  private:
    // What the listing keeps of an entry; the attribute record is made from
    // it only when asked for, since the viewer needs the paths alone.
    struct EntryInfo {
        quint64 size = 0;
        quint64 compressedSize = 0;
        quint32 date[6] = {}; // second, minute, hour, day, month (0-11), year
        bool encrypted = false;
    };
    using Listing = QHash<QString, EntryInfo>;

    LOZIPFileWrapper();
    static std::unique_ptr<LOZIPFileWrapper>
    finishOpening(std::unique_ptr<LOZIPFileWrapper> wrapper, ZipError* error);
    bool openWithError(ZipError* error);
    std::optional<Listing> rawContentAttributes(ZipError* error, QStringList* order);
    // The listing's keys without the AppleDouble ones and, when asked, with
    // the derived folders (also put into `folders`) that are not keys already.
    QStringList publicKeys(bool includeFolders, QSet<QString>* folders = nullptr) const;
    static QVariantMap recordOf(const EntryInfo& info);
    // The status number a read that overruns entrySizeLimit() reports.
    static int entryTooLargeStatus();

    void* zip = nullptr; // the library's handle
    std::unique_ptr<ZipMemoryStream> unzmem;
    std::optional<Listing> contentAttributes;
    QStringList storedKeys; // the listing's keys in the archive's order
    ZipError listingError;
    QSet<QString> appleDoubleFiles;
    QString archivePath;
    QByteArray archiveBytes;
    std::optional<QString> passwordText;
    LOZIPFileWrapperDelegate* delegateObject = nullptr;
    qint64 sizeLimit;
};
