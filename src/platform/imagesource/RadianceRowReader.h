#pragma once

#include "platform/imagesource/EncodedBytes.h"

#include <QtGlobal>
#include <memory>

// The scanlines of a Radiance picture (.hdr, .pic), one after another as
// stored: RGBE pixels, each scanline flat, run-length coded the old way
// (repeat markers after a pixel) or the new way (each component in runs of
// its own), as the scanline chooses. Every run must end within its
// scanline and data that ends early is an error: nothing is read past the
// bytes there are, and no scanline is made up.
class RadianceRowReader {
  public:
    // Whether the bytes start as a Radiance picture does.
    static bool claims(const QByteArray& head);
    // Nothing unless the header is whole within the bytes' head, says the
    // pixels are RGBE (or says nothing of their format) and ends with a
    // resolution line this reader takes: scanlines from the top or from
    // the bottom, each from the left or from the right. Pictures stored a
    // column at a time are refused.
    static std::unique_ptr<RadianceRowReader> open(const EncodedBytes& bytes);

    // Of the picture as shown, and how it is stored.
    int width() const { return columns; }
    int height() const { return rows; }
    bool bottomUp() const { return fromBottom; }
    bool rightToLeft() const { return fromRight; }

    // Where the next scanline starts, and a move to one found before.
    qint64 position() const { return reader.position(); }
    void seek(qint64 position) { reader.seek(position); }
    // The next stored scanline, width() RGBE pixels of 4 bytes, into rgbe;
    // false when its data is damaged or ends first.
    bool readScanline(uchar* rgbe);

    // Linear RGBA floats (alpha 1) of `count` RGBE pixels, last to first
    // when `reversed`.
    static void toLinear(const uchar* rgbe, int count, float* rgba, bool reversed = false);

  private:
    RadianceRowReader(const EncodedBytes& bytes, int width, int height);
    bool readRuns(uchar* rgbe);
    bool readOldStyle(const uchar first[4], uchar* rgbe);

    EncodedBytes::Reader reader;
    int columns = 0;
    int rows = 0;
    bool fromBottom = false;
    bool fromRight = false;
};
