#include "viewer/ArchiveDocument.h"

#include "archive/LOZIPFileWrapper.h"
#include "viewer/ImageCollection.h"

#include <QMutexLocker>

const QString ArchiveDocument::sketchPreviewPath = QStringLiteral("previews/preview.png");

ArchiveDocument::ArchiveDocument(const QString& path) : archivePath(path) {
    zipWrapper = LOZIPFileWrapper::initWithURL(path, std::nullopt, &openingError);
    // A reader that comes back with an error in the slot has a damaged first
    // entry or no listing: as unusable as no reader at all.
    if (!zipWrapper || openingError.isError())
        return;
    std::optional<QStringList> entries =
        zipWrapper->contentOfZIPFileIncludingFolders(true, &openingError);
    if (!entries)
        return;
    for (const QString& entry : *entries) {
        if (ImageCollection::qualifies(entry))
            images.append(entry);
    }
    ImageCollection::sortByFileName(images);
    result = images.isEmpty() ? Outcome::NoImages : Outcome::Opened;
}

ArchiveDocument::~ArchiveDocument() = default;

std::optional<QByteArray> ArchiveDocument::contentsOfEntry(const QString& entryPath) const {
    if (!zipWrapper)
        return std::nullopt;
    QMutexLocker locker(&lock);
    return zipWrapper->contentsAtPath(entryPath, nullptr);
}

std::optional<QByteArray> ArchiveDocument::imageDataForEntry(const QString& entryPath) const {
    std::optional<QByteArray> bytes = contentsOfEntry(entryPath);
    if (!bytes || !isSketch(entryPath))
        return bytes;
    return sketchPreviewFromData(*bytes);
}

bool ArchiveDocument::isArchive(const QString& path) {
    return ImageCollection::pathExtension(path).compare(QLatin1String("zip"),
                                                        Qt::CaseInsensitive) == 0;
}

bool ArchiveDocument::isSketch(const QString& path) {
    return ImageCollection::pathExtension(path).compare(QLatin1String("sketch"),
                                                        Qt::CaseInsensitive) == 0;
}

std::optional<QByteArray> ArchiveDocument::sketchPreviewAtPath(const QString& path) {
    ZipError error;
    const auto sketch = LOZIPFileWrapper::initWithURL(path, std::nullopt, &error);
    return previewOf(sketch.get(), error);
}

std::optional<QByteArray> ArchiveDocument::sketchPreviewFromData(const QByteArray& bytes) {
    ZipError error;
    const auto sketch = LOZIPFileWrapper::initWithZIPData(bytes, std::nullopt, &error);
    return previewOf(sketch.get(), error);
}

std::optional<QByteArray> ArchiveDocument::previewOf(LOZIPFileWrapper* sketch,
                                                     const ZipError& opening) {
    if (!sketch || opening.isError())
        return std::nullopt;
    return sketch->contentsAtPath(sketchPreviewPath, nullptr);
}
