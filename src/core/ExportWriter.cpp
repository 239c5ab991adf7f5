#include "core/ExportWriter.h"

#include "core/ExportTarget.h"
#include "platform/ExportMetadata.h"
#include "platform/ImageEncoder.h"
#include "platform/ImageSource.h"
#include "platform/StreamedEncoder.h"

#include <QCoreApplication>

QString ExportWriter::shownFileRefusal() {
    return QCoreApplication::translate(
        "ExportWriter", "It is the image shown, which is never written over. Choose another name.");
}

QString ExportWriter::write(const Request& request,
                            const AtomicFileWriter::ChunkWriter& chunkWriter) {
    if (ExportTarget::writesOver(request.path, request.protectedFiles))
        return shownFileRefusal();
    if (request.streamed)
        return writeStreamed(request, chunkWriter);
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

QString ExportWriter::writeStreamed(const Request& request,
                                    const AtomicFileWriter::ChunkWriter& chunkWriter) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("ExportWriter", text);
    };
    if (!StreamedEncoder::canWrite(request.format))
        return tr("The image is too large to hold whole, and only JPEG and PNG are written a part "
                  "at a time. Choose one of them.");
    std::unique_ptr<ImageSource> source = !request.metadataFile.isEmpty()
                                              ? ImageSource::createWithURL(request.metadataFile)
                                              : ImageSource::createWithData(request.metadataBytes);
    if (!source)
        return tr("The image could not be read again.");
    // Its rows come as stored; turned upright it could not be streamed.
    const QVariant orientation = source->propertiesAtIndex(0).value(QStringLiteral("Orientation"));
    if (orientation.isValid() && orientation.toInt() > 1)
        return tr("The image is too large to hold whole, and its rows are stored turned: it "
                  "cannot be written upright.");
    const QVariantMap properties = source->propertiesAtIndex(0);
    const QSize size(properties.value(QStringLiteral("PixelWidth")).toInt(),
                     properties.value(QStringLiteral("PixelHeight")).toInt());
    const ExportMetadata::Segments extras =
        (!request.metadataFile.isEmpty() ? ExportMetadata::readFile(request.metadataFile)
                                         : ExportMetadata::readBytes(request.metadataBytes))
            .segmentsFor(request.format, size);
    AtomicFileWriter writer(chunkWriter);
    const bool written = writer.write(request.path, [&](QFileDevice& file, QString* why) {
        return StreamedEncoder::encode(
            *source, request.format, request.factor, extras,
            [&](QByteArrayView piece, QString* failure) {
                return writer.writePiece(file, piece, failure);
            },
            why);
    });
    return written ? QString() : writer.errorString();
}
