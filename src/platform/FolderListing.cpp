#include "platform/FolderListing.h"

#include "platform/FileName.h"

#include <cerrno>
#include <dirent.h>

namespace {
FolderListing::Lister& override() {
    static FolderListing::Lister lister;
    return lister;
}
} // namespace

bool FolderListing::Result::deniedPermission() const {
    return error == EACCES || error == EPERM;
}

void FolderListing::setLister(Lister lister) {
    override() = std::move(lister);
}

FolderListing::Result FolderListing::list(const QString& folder) {
    if (override())
        return override()(folder);
    return listFileSystem(folder);
}

FolderListing::Result FolderListing::listFileSystem(const QString& folder) {
    // readdir rather than QDir: no stat per entry, which matters for a folder
    // of 100,000 files.
    const QByteArray encoded = FileName::encode(folder);
    DIR* dir = opendir(encoded.constData());
    if (!dir)
        return {std::nullopt, errno ? errno : ENOENT};
    QString prefix = folder;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    QStringList children;
    errno = 0;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        // Every byte of the name is kept, so the entry opens as listed.
        children.append(prefix + FileName::decode(name));
    }
    closedir(dir);
    return {std::move(children), 0};
}
