#pragma once

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QStringList>

// A photograph-like picture: gradients with grain, so that encoders and
// decoders meet real entropy. The same seed gives the same pixels.
inline QImage benchPhoto(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    quint32 noise = 2463534242u + quint32(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int n = int(noise & 31);
            line[x] =
                qRgb((x / 24 + n + seed * 40) & 255, (y / 16 + n) & 255, ((x + y) / 40 + n) & 255);
        }
    }
    return image;
}

// `count` 24-megapixel photos as JPEGs at quality 90 in `folder`, named
// photo0.jpg, photo1.jpg, ...: the paths.
inline QStringList benchPhotoJpegs(const QDir& folder, int count) {
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = folder.filePath(QStringLiteral("photo%1.jpg").arg(i));
        QImageWriter writer(path);
        writer.setQuality(90);
        writer.write(benchPhoto(6000, 4000, i));
        files.append(path);
    }
    return files;
}
