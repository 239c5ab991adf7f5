#include "core/FileTypes.h"

#include "platform/FileName.h"

#include <QFileInfo>
#include <sys/stat.h>

const QStringList& FileTypes::extensions() {
    static const QStringList list = {
        QStringLiteral("jpg"),  QStringLiteral("jpe"),  QStringLiteral("jpeg"),
        QStringLiteral("png"),  QStringLiteral("tiff"), QStringLiteral("tif"),
        QStringLiteral("heic"), QStringLiteral("dng"),  QStringLiteral("cr2"),
        QStringLiteral("nef"),  QStringLiteral("gif"),  QStringLiteral("icns"),
        QStringLiteral("sketch"), QStringLiteral("psd"), QStringLiteral("arw"),
        QStringLiteral("erf"),  QStringLiteral("3fr"),  QStringLiteral("mrw"),
        QStringLiteral("pef"),  QStringLiteral("srw"),  QStringLiteral("orf"),
        QStringLiteral("rw2"),  QStringLiteral("raw"),  QStringLiteral("bmp"),
        QStringLiteral("mpo"),  QStringLiteral("exr"),  QStringLiteral("hdr"),
        QStringLiteral("pic"),  QStringLiteral("sgi"),  QStringLiteral("rgb"),
        QStringLiteral("crw"),  QStringLiteral("fax"),  QStringLiteral("jfx"),
        QStringLiteral("jfax"), QStringLiteral("raf"),  QStringLiteral("rwl"),
        QStringLiteral("srf"),  QStringLiteral("sr2"),  QStringLiteral("ico"),
        QStringLiteral("jp2"),
        // Today's web and camera formats, beyond the classic forty.
        QStringLiteral("webp"), QStringLiteral("avif"), QStringLiteral("avifs"), QStringLiteral("jxl")};
    return list;
}

QString FileTypes::lastPathComponent(const QString& path) {
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(QLatin1Char('/')))
        view.chop(1);
    const qsizetype slash = view.lastIndexOf(QLatin1Char('/'));
    return (slash < 0 || view.size() == 1) ? view.toString() : view.mid(slash + 1).toString();
}

QString FileTypes::pathExtension(const QString& path) {
    const QString name = lastPathComponent(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

bool FileTypes::qualifies(const QString& path) {
    const QString extension = pathExtension(path);
    if (extension.isEmpty())
        return false;
    for (const QString& supported : extensions()) {
        if (extension.endsWith(supported, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString FileTypes::folderOf(const QString& path) {
    // Asked by the path's exact bytes: QFileInfo would re-encode a name that
    // is not UTF-8 into one that does not exist.
    struct stat status {};
    const QFileInfo info(path); // only for its path arithmetic
    if (::stat(FileName::encode(path).constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return info.absoluteFilePath();
    return info.absolutePath();
}
