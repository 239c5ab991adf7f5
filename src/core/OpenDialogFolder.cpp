#include "core/OpenDialogFolder.h"

#include <QDir>
#include <QFileInfo>

QString OpenDialogFolder::choose(const Inputs& inputs, const IsFolder& isFolder) {
    if (!inputs.document.isEmpty()) {
        // A folder opened as the document is itself the place to look.
        const QString document = QDir::cleanPath(inputs.document);
        const QString folder = isFolder(document) ? document : QFileInfo(document).absolutePath();
        if (isFolder(folder))
            return folder;
    }
    const QString last = QDir::cleanPath(inputs.lastUsed);
    if (!last.isEmpty() && isFolder(last))
        return last;
    return inputs.home;
}

QString OpenDialogFolder::choose(const Inputs& inputs) {
    return choose(inputs, [](const QString& path) { return QFileInfo(path).isDir(); });
}
