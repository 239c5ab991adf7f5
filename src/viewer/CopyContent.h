#pragma once

#include <QImage>
#include <QString>

class QMimeData;

// What Copy puts on the clipboard.
namespace CopyContent {

// The selected pixels as an image when there is a selection; else the
// file's path as text for a plain file; else the whole shown image for an
// archive entry. Null when there is nothing to write (an image from the
// clipboard without a selection): the clipboard is then left alone.
QMimeData* forCopy(const QImage& selected, const QString& openedURL, bool isZip, bool isData,
                   const QImage& shown);
// An image as the clipboard carries it: the image itself, and its PNG bytes
// made when asked for.
QMimeData* forImage(const QImage& image);

} // namespace CopyContent
