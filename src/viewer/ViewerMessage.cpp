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
    case FileNotFound:
        return {QStringLiteral("FailedToOpen"), tr("File not found"),
                tr("This image file has been moved or deleted.")};
    case NoPermission:
        return {QStringLiteral("FailedToOpen"), tr("No permission"),
                tr("You don't have permission to read this image file.")};
    case NotAnImage:
        return {QStringLiteral("FailedToOpen"), tr("Not an image"),
                tr("This file is not in an image format that can be shown.")};
    case TooLarge:
        return {QStringLiteral("FailedToOpen"), tr("Image too large"),
                tr("This image is larger than can be opened.")};
    case CannotDecode:
        break;
    }
    return {QStringLiteral("FailedToOpen"), tr("Can't open"), tr("Unable to open this image file.")};
}

ViewerMessage::Situation ViewerMessage::forFailure(DecodeFailure::Reason reason) {
    switch (reason) {
    case DecodeFailure::NotFound:
        return FileNotFound;
    case DecodeFailure::NoPermission:
        return NoPermission;
    case DecodeFailure::NotAnImage:
        return NotAnImage;
    case DecodeFailure::TooLarge:
        return TooLarge;
    case DecodeFailure::None:
    case DecodeFailure::Damaged:
        break;
    }
    return CannotDecode;
}
