#include "platform/DecodeFailure.h"

#include "platform/FileName.h"
#include "platform/ImageSource.h"
#include "platform/RegularFile.h"
#include "platform/imagesource/DecodeLimits.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The largest head a header states its size in, for the formats we know.
constexpr qint64 headBytes = 1 << 16;

bool beyondLimits(qint64 width, qint64 height) {
    return width > 0 && height > 0 &&
           (!DecodeLimits::allowsSize(width, height) || !DecodeLimits::allows(width, height, 4));
}

// The size the decoder or, without one, Qt's reader finds in the header.
bool statesTooLarge(const QByteArray& head, ImageSource* source) {
    if (source) {
        const QVariantMap properties = source->propertiesAtIndex(0);
        const qint64 width = properties.value(QStringLiteral("PixelWidth")).toLongLong();
        const qint64 height = properties.value(QStringLiteral("PixelHeight")).toLongLong();
        if (beyondLimits(width, height))
            return true;
    }
    QBuffer buffer;
    buffer.setData(head);
    buffer.open(QIODevice::ReadOnly);
    // Only the header is read: size() takes no pixel memory.
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    return beyondLimits(size.width(), size.height());
}

DecodeFailure::Reason ofContent(const QByteArray& head, const QString& extension,
                                ImageSource* source) {
    if (statesTooLarge(head, source))
        return DecodeFailure::TooLarge;
    if (source || ImageSource::isClaimed(head, extension))
        return DecodeFailure::Damaged;
    return DecodeFailure::NotAnImage;
}

} // namespace

DecodeFailure::Reason DecodeFailure::ofFile(const QString& path, ImageSource* source) {
    const QByteArray name = FileName::encode(path);
    struct stat status;
    if (::stat(name.constData(), &status) != 0)
        return errno == EACCES ? NoPermission : NotFound;
    if (!S_ISREG(status.st_mode))
        return NotAnImage;
    if (::access(name.constData(), R_OK) != 0)
        return errno == EACCES ? NoPermission : NotFound;
    return ofContent(RegularFile::readHead(path, headBytes), QFileInfo(path).suffix().toLower(),
                     source);
}

DecodeFailure::Reason DecodeFailure::ofData(const QByteArray& bytes, const QString& extension,
                                            ImageSource* source) {
    if (bytes.isEmpty())
        return NotAnImage;
    return ofContent(bytes.left(headBytes), extension.toLower(), source);
}
