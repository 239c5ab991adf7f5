#pragma once

#include "archive/ZipError.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class LOZIPFileWrapper;

// A zip archive shown like a folder: its image entries, in the order a
// window steps through them, and the bytes of one entry on demand. Also the
// sketch documents, zip archives themselves, which are shown by the picture
// stored in them under sketchPreviewPath, whether they lie on disk or inside
// the archive being viewed.
//
// Typical use by a viewer window:
//     auto archive = std::make_shared<ArchiveDocument>(path);
//     switch (archive->outcome()) { ... }   // a message for the two failures
//     collection.setList(archive->imageFiles());
//     ... later, for the entry to show (also from a worker thread):
//     std::optional<QByteArray> bytes = archive->imageDataForEntry(entry);
//
// The archive stays open for the life of the object. Reads may come from any
// thread: they are serialised here, since the reader is not thread-safe.
class ArchiveDocument {
  public:
    enum class Outcome {
        Opened,     // imageFiles() holds at least one entry
        CannotOpen, // not an archive, damaged, or it could not be listed
        NoImages,   // an archive without a single supported image
    };

    static const QString sketchPreviewPath; // "previews/preview.png"

    explicit ArchiveDocument(const QString& path);
    ~ArchiveDocument();
    ArchiveDocument(const ArchiveDocument&) = delete;
    ArchiveDocument& operator=(const ArchiveDocument&) = delete;

    const QString& path() const { return archivePath; }
    Outcome outcome() const { return result; }
    // Why the archive could not be opened or listed; no error otherwise.
    const ZipError& error() const { return openingError; }

    // The paths, exactly as stored, of the entries with a supported
    // extension in any folder, ordered by file name alone. Folders named in
    // the paths count as entries too, so a folder called "x.png" would be
    // listed and then fail to load. Empty unless the outcome is Opened.
    const QStringList& imageFiles() const { return images; }

    // The bytes of the entry at `entryPath`; nothing when it cannot be read.
    std::optional<QByteArray> contentsOfEntry(const QString& entryPath) const;
    // What a decoder for the entry is made from: for a sketch document its
    // stored preview, read through a second reader over the entry's bytes;
    // for anything else the entry's bytes. Nothing when there are none.
    std::optional<QByteArray> imageDataForEntry(const QString& entryPath) const;

    // Extension "zip", in any case.
    static bool isArchive(const QString& path);
    // Extension "sketch", in any case.
    static bool isSketch(const QString& path);
    // The stored preview of a sketch document on disk, or in memory; nothing
    // when it is not a readable archive or holds no preview.
    static std::optional<QByteArray> sketchPreviewAtPath(const QString& path);
    static std::optional<QByteArray> sketchPreviewFromData(const QByteArray& bytes);

  private:
    static std::optional<QByteArray> previewOf(LOZIPFileWrapper* sketch, const ZipError& opening);

    QString archivePath;
    std::unique_ptr<LOZIPFileWrapper> zipWrapper;
    Outcome result = Outcome::CannotOpen;
    ZipError openingError;
    QStringList images;
    mutable QMutex lock;
};
