#pragma once

#include "platform/AtomicFileWriter.h"
#include "platform/ExportFormat.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// One export from the pixels to the file in place: encoded, with the shown
// image's metadata where the format holds it, and written whole or not at
// all. Never over a file that is shown. Runs on whichever thread calls it.
class ExportWriter {
  public:
    struct Request {
        QImage image;
        ExportFormat format = ExportFormat::Png;
        float factor = 0.9f; // the compression slider, 0 to 1
        QString path;
        // Where the shown image's metadata comes from: its file, else its
        // bytes (an archive entry, the clipboard).
        QString metadataFile;
        QByteArray metadataBytes;
        // The shown file and the archive it comes from.
        QStringList protectedFiles;
        // The image is shown from an overview, too large to hold whole: its
        // full pixels are decoded again from the metadata's file or bytes
        // and written a band at a time.
        bool streamed = false;
    };

    // Empty when the file was written, else why nothing was.
    static QString write(const Request& request,
                         const AtomicFileWriter::ChunkWriter& chunkWriter = {});
    // Why a shown file is never a target.
    static QString shownFileRefusal();

  private:
    static QString writeStreamed(const Request& request,
                                 const AtomicFileWriter::ChunkWriter& chunkWriter);
};
