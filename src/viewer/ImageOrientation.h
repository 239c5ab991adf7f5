#pragma once

#include <QImage>
#include <QImageIOHandler>

// Turns decoded pixels upright once per frame load, so that everything after
// it works on upright pixels.
class ImageOrientation {
public:
    // A new image with the EXIF orientation (1-8) applied by an exact pixel
    // mapping: 32-bit premultiplied ARGB when the image has alpha, else 32-bit
    // RGB. Orientations outside 1-8 count as 1. Null for a null or empty image.
    static QImage CGImageCreateDecoded(const QImage& image, int orientation);
    static bool CGImageContainsAlpha(const QImage& image);
    // The EXIF orientation for a transformation a Qt reader reports.
    static int orientationOf(QImageIOHandler::Transformations transformation);
};
