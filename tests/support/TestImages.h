#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

// Test images made on the spot, so that nothing is downloaded or committed
// beyond this code.
class TestImages {
public:
    // A small image whose four corners have four different colours, so any
    // rotation or mirror shows.
    static QImage asymmetric(int width = 3, int height = 2);
    // Pseudo-random opaque pixels: what compresses worst.
    static QImage noise(int width, int height);
    static QByteArray encode(const QImage& image, const char* format, int quality = 95);
    // JPEG bytes carrying an EXIF orientation tag (1-8).
    static QByteArray jpegWithOrientation(const QImage& image, int orientation);
    static bool write(const QString& path, const QByteArray& bytes);
    // The file's bytes; empty when it cannot be read.
    static QByteArray read(const QString& path);
    // The largest difference of the red, green and blue levels.
    static int channelDistance(QRgb a, QRgb b);
    // The largest difference of any channel of any pixel, alpha included;
    // 1000 when the sizes differ.
    static int distance(const QImage& a, const QImage& b);
    // Qt's reader allocation limit, and with it the decode budget, at 1 MB for
    // the scope's life: ordinary test images are then too large to decode whole.
    struct SmallBudget {
        SmallBudget();
        ~SmallBudget();
        int old;
    };
    static bool writeImage(const QString& path, const QImage& image, const char* format);
    // An animated GIF of grey frames (the grey of each pixel is kept), each
    // with its delay in hundredths of a second; `brokenFrame` gets image data
    // that cannot be decoded.
    static QByteArray animatedGif(const QList<QImage>& frames, const QList<int>& delays,
                                  int brokenFrame = -1);
    // A file that starts like a JPEG and then stops.
    static QByteArray damagedJpeg();
    // The sample folder: b.PNG, a.jpg, c.txt, img10.gif, img2.gif. Qt writes
    // no GIF, so the two GIF names hold undecodable bytes: they test order and
    // the failure path, not decoding.
    static void makeSampleFolder(const QString& folder);
};
