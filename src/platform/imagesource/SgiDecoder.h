#pragma once

#include <QByteArray>
#include <QImage>

// Our own reader for SGI images (.sgi, .rgb, .bw): verbatim and RLE
// storage, 8 and 16 bits per channel, one to four channels.
class SgiDecoder {
public:
    struct Header {
        int width = 0;
        int height = 0;
        int channels = 0;
        int bytesPerChannel = 1;
        bool rle = false;
    };

    // Whether the bytes start with a header this reader accepts; `size`,
    // when given, is that of the whole data when `bytes` is only its head.
    static bool readHeader(const QByteArray& bytes, Header* header, qint64 size = -1);
    // The image, top row first; null when the data is damaged or the image
    // exceeds the decode budget.
    static QImage decode(const QByteArray& bytes);
};
