#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <utility>

// Our own reader for the frames of an animated PNG: the acTL and fcTL
// control chunks, each frame's data (IDAT or fdAT) decoded as a PNG of its
// own through PngDecoder, and the frames composited on the canvas with their
// dispose and blend operations, in 16 bits per channel with straight alpha.
// Frames are composited in order; asking for an earlier frame starts again
// from the first.
class ApngDecoder {
public:
    // Parses the chunks; isValid() tells whether the stream is an animation
    // this reader can play.
    explicit ApngDecoder(const QByteArray& bytes);

    bool isValid() const { return !frames.isEmpty(); }
    int frameCount() const { return int(frames.size()); }
    int width() const { return canvasWidth; }
    int height() const { return canvasHeight; }
    int loopCount() const { return plays; } // 0: for ever
    int bitDepth() const { return depth; }
    // The stored delay of a frame in seconds (a zero denominator means 1/100).
    double delay(int index) const;
    // The canvas as it shows after compositing the frame, with straight
    // alpha: RGBA64 for 16-bit animations, ARGB32 otherwise. Null when the
    // index is out of range, a frame's data is damaged or the canvas exceeds
    // the decode budget.
    QImage frame(int index);

private:
    struct Frame {
        int width = 0;
        int height = 0;
        int x = 0;
        int y = 0;
        int delayNumerator = 0;
        int delayDenominator = 0;
        int dispose = 0;
        int blend = 0;
        QList<std::pair<qsizetype, qsizetype>> data; // offset and length of each data run
        bool intact = true; // every data chunk's CRC matched
    };

    void parse();
    QImage decodeFrame(const Frame& frame) const;
    bool compose(int index);

    QByteArray bytes;
    QList<Frame> frames;
    QByteArray ihdr; // the 13 bytes of IHDR
    QByteArray sharedChunks; // PLTE, tRNS, colour chunks: copied into every frame
    int canvasWidth = 0;
    int canvasHeight = 0;
    int depth = 8;
    int plays = 0;
    QImage canvas;
    int composed = -1; // the last frame composited on canvas
    QImage output; // the canvas as it showed after that frame
};
