#pragma once

#include <QByteArray>
#include <QList>

// The marker segments at the head of a JPEG stream, up to the first scan.
class JpegSegments {
public:
    struct Segment {
        uchar marker = 0; // the byte after 0xFF
        qsizetype offset = 0; // of the segment's payload (after the length)
        qsizetype length = 0; // of the payload
    };

    static bool isJpeg(const QByteArray& bytes, qsizetype offset = 0);
    // The segments from offset (which holds the SOI marker) to the first
    // start-of-scan, which is included.
    static QList<Segment> read(const QByteArray& bytes, qsizetype offset = 0);
    // Dots per inch from a JFIF APP0 segment stating inches or centimetres; 0 otherwise.
    static double jfifDpi(const QByteArray& bytes, const QList<Segment>& segments, bool vertical);
};
