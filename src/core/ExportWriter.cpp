#include "core/ExportWriter.h"

#include "core/ExportTarget.h"
#include "platform/ExportMetadata.h"
#include "platform/ImageEncoder.h"

#include <QCoreApplication>

QString ExportWriter::shownFileRefusal() {
    return QCoreApplication::translate(
        "ExportWriter", "It is the image shown, which is never written over. Choose another name.");
}

QString ExportWriter::write(const Request& request,
                            const AtomicFileWriter::ChunkWriter& chunkWriter) {
    if (ExportTarget::writesOver(request.path, request.protectedFiles))
        return shownFileRefusal();
    QString reason;
    QByteArray bytes = ImageEncoder::encode(request.image, request.format, request.factor, &reason);
    if (bytes.isEmpty())
        return reason;
    const ExportMetadata metadata = !request.metadataFile.isEmpty()
                                        ? ExportMetadata::readFile(request.metadataFile)
                                        : ExportMetadata::readBytes(request.metadataBytes);
    bytes = metadata.writeInto(bytes, request.image.size());
    AtomicFileWriter writer(chunkWriter);
    if (writer.write(request.path, bytes))
        return QString();
    return writer.errorString();
}
