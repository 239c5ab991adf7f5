#include "viewer/ViewerMessage.h"

#include <QCoreApplication>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("ViewController", text);
}
} // namespace

ViewerMessage ViewerMessage::forSituation(Situation situation) {
    switch (situation) {
    case EmptyWindow:
        return {QStringLiteral("DragToOpen"), tr("Drop your image here"),
                tr("Drop image file, folder or zip-archive to start.")};
    case NoImagesInFolder:
        return {QStringLiteral("NoFiles"), tr("No images"),
                tr("No supported image files in this folder.")};
    case NoImagesInArchive:
        return {QStringLiteral("NoFiles"), tr("No images"),
                tr("No supported images in this archive.")};
    case ArchiveCannotOpen:
        return {QStringLiteral("FailedToOpen"), tr("Can't open"),
                tr("Unable to open this archive.")};
    case CannotDecode:
        break;
    }
    return {QStringLiteral("FailedToOpen"), tr("Can't open"), tr("Unable to open this image file.")};
}
