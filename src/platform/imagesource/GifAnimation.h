#pragma once

#include <QByteArray>
#include <QList>

// The frame delays and loop count of a GIF, read from its blocks without
// decoding any image data.
class GifAnimation {
public:
    static GifAnimation read(const QByteArray& bytes);

    QList<int> delays; // per frame, in hundredths of a second as stored
    int loopCount = 1; // 0 loops for ever; 1 when the file has no loop block
    bool complete = false; // the trailer was reached
};
