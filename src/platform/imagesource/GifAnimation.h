#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

// The frame delays and loop count of a GIF, read from its blocks without
// decoding any image data; for a file that ends inside a frame's image
// data, how far that frame's pixels go (its codes walked, their pixels only
// counted).
class GifAnimation {
public:
    static GifAnimation read(const QByteArray& bytes);

    // The frame the data ends in, the one after the last of `delays`.
    struct Cut {
        int top = 0;
        int width = 0;
        int height = 0;
        bool interlaced = false;
        qint64 pixels = 0; // what its codes decode to, in the order they fill it
        bool whole() const { return pixels >= qint64(width) * height; }
        // The frame's rows, from its top, that hold decoded pixels: the rows
        // filled in full; of an interlaced frame, the blocks of eight rows
        // its first pass stands for (all when that pass is whole).
        int rowsShown() const;
        // An interlaced frame whose first pass is whole but not the rest.
        bool coarse() const;
    };

    QList<int> delays; // per frame, in hundredths of a second as stored
    int loopCount = 1; // 0 loops for ever; 1 when the file has no loop block
    bool complete = false; // the trailer was reached
    std::optional<Cut> cut;
};
