#pragma once

#include <QString>
#include <QVariantMap>

class LOZIPFileWrapper;

// Callbacks around unpacking an archive to disk. The viewer never unpacks
// anything, so the reader never calls them; the interface exists so that a
// delegate can be set and read back like the other properties.
class LOZIPFileWrapperDelegate {
  public:
    virtual ~LOZIPFileWrapperDelegate() = default;

    virtual void zipFileWrapperWillUnzipArchiveAtURL(LOZIPFileWrapper*, const QString&) {}
    virtual void zipFileWrapperDidUnzipArchiveAtURL(LOZIPFileWrapper*, const QString&) {}
    virtual bool zipFileWrapperShouldUnzipFileWithName(LOZIPFileWrapper*, const QString&,
                                                       const QVariantMap&) {
        return true;
    }
    virtual void zipFileWrapperWillUnzipFileWithName(LOZIPFileWrapper*, const QString&,
                                                     const QVariantMap&) {}
    virtual void zipFileWrapperDidUnzipFileWithName(LOZIPFileWrapper*, const QString&,
                                                    const QVariantMap&) {}
};
