#include "app/ClipboardCheck.h"

#include "core/FileTypes.h"

#include <QMimeData>
#include <QUrl>

std::optional<QStringList> ClipboardCheck::fileURLs(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return std::nullopt;
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    if (paths.isEmpty())
        return std::nullopt;
    return paths;
}

std::optional<QByteArray> ClipboardCheck::imageData(const QMimeData* data) {
    if (!data)
        return std::nullopt;
    for (const char* type : {"image/png", "image/tiff"}) {
        const QString mime = QString::fromLatin1(type);
        if (data->hasFormat(mime)) {
            // The first offered type decides, even when it turns out empty.
            QByteArray bytes = data->data(mime);
            if (bytes.isEmpty())
                return std::nullopt;
            return bytes;
        }
    }
    return std::nullopt;
}

QStringList ClipboardCheck::fileTypes() {
    QStringList types = FileTypes::extensions();
    types.append(QStringLiteral("zip"));
    return types;
}

bool ClipboardCheck::offersImageData(const QMimeData* data) {
    return data && (data->hasFormat(QStringLiteral("image/png")) ||
                    data->hasFormat(QStringLiteral("image/tiff")));
}

bool ClipboardCheck::canImport(const QMimeData* data, const QStringList& fileTypes) {
    // Web addresses are no files: a browser puts one beside the image it copies.
    if (const auto paths = fileURLs(data)) {
        for (const QString& path : *paths) {
            const QString extension = FileTypes::pathExtension(path);
            if (extension.isEmpty())
                continue;
            for (const QString& type : fileTypes) {
                if (extension.endsWith(type, Qt::CaseInsensitive))
                    return true;
            }
        }
        return false;
    }
    return offersImageData(data);
}
