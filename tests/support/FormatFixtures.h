#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <initializer_list>

// A file for each image extension the viewer opens, all showing one known
// pattern, made with Debian's tools (ImageMagick, heif-enc, opj_compress,
// png2icns) or with the small writers here. Nothing is downloaded.
class FormatFixtures {
  public:
    // Four quadrants: red top left, green top right, blue bottom left,
    // white bottom right.
    static QImage pattern(int width = 64, int height = 48);
    // Black on white for the bilevel fax formats: a black block over the
    // left third of the middle rows.
    static QImage faxPattern(int width = 1728, int height = 64);
    // Fails the test unless the middle of each quadrant of decoded (edges blur
    // in lossy codecs) is within tolerance of the pattern's.
    static void expectPattern(const QImage& decoded, const QImage& pattern, int tolerance,
                              const QString& what = QString());

    // The extensions a fixture can be made for.
    static QStringList extensions();
    // Writes the fixture for the extension into folder and returns its path;
    // an empty path and the reason in error when a tool failed.
    // The picture is the pattern unless one is given.
    static QString make(const QString& extension, const QString& folder, QString* error,
                        const QImage& picture = QImage());
    // Whether decoding the extension's fixture loses detail (lossy codecs).
    static int tolerance(const QString& extension);
    static bool isFax(const QString& extension);

    // An animation made by the format's own encoder, losslessly where it
    // can: "webp" with img2webp, "jxl" with cjxl from an animated PNG,
    // "avifs" with avifenc, "gif" with ImageMagick; "png" by our own writer.
    // Delays in milliseconds, one per frame. Three frames for those: the
    // pattern, the pattern with a black square (stored by encoders as a small
    // blended rectangle), and plain yellow.
    static QList<QImage> animationFrames();
    static QString makeAnimation(const QString& extension, const QString& folder,
                                 const QList<QImage>& frames, const QList<int>& delays,
                                 QString* error);

    // Values of the given size in bytes, big- or little-endian.
    static QByteArray be(std::initializer_list<quint32> values, int bytes = 4);
    static QByteArray le(std::initializer_list<quint32> values, int bytes = 4);
    // One TIFF directory at `offset`, its longer values right after it (each
    // starting at an even offset), then the next directory's offset.
    struct TiffField {
        quint16 tag, type;
        quint32 count;
        QByteArray value; // in the file's byte order
    };
    static QByteArray tiffDirectory(const QList<TiffField>& fields, quint32 offset, quint32 next,
                                    bool bigEndian = false);

    // Our own writers.
    static QByteArray softimagePic(const QImage& image);
    // With a preview, a second directory carries it as the camera's own.
    static QByteArray linearDng(const QImage& image, const QByteArray& previewJpeg = QByteArray(),
                                const QSize& previewSize = QSize());
    // Half-float OpenEXR with the image's sRGB values taken back to linear
    // light; with alpha, colour is stored premultiplied, as the format has it.
    // Linear light times `gain` (above 1: a scene to tone-map), stored
    // with the library's compression of that number (0: none).
    static QByteArray openExr(const QImage& image, float gain = 1.0f, int compression = 0);
    static QByteArray mpo(const QList<QByteArray>& jpegs, quint32 secondType = 0x020002);
    struct ApngFrame {
        QImage image;
        QPoint offset;
        int delayNumerator = 1;
        int delayDenominator = 10;
        int dispose = 0; // 0 none, 1 background, 2 previous
        int blend = 0;   // 0 source, 1 over
    };
    // An animated PNG whose first frame is also the default image, in the
    // given bit depth (8 or 16) and colour type (0, 2, 4 or 6; grey is taken
    // from the red channel). With `hiddenDefault`, that is the default image
    // instead, shown by readers that do not animate and no frame of the animation.
    static QByteArray animatedPng(const QSize& canvas, const QList<ApngFrame>& frames,
                                  int plays = 0, int bitDepth = 8, int colorType = 6,
                                  const QImage& hiddenDefault = QImage());
    static QByteArray pngChunk(const char* type, const QByteArray& data);
    // An ISO base media (HEIF, AVIF) or JPEG XL container box.
    static QByteArray box(const char* type, const QByteArray& payload);
    // Our own PNG writer, for the layouts Qt does not write (grey with
    // alpha, 16-bit with tRNS, interlaced). Samples are big-endian, rows
    // packed, 8 or 16 bits each; chunksBeforeData go between IHDR and IDAT.
    static QByteArray png(const QSize& size, int bitDepth, int colorType, const QByteArray& samples,
                          const QByteArray& chunksBeforeData = QByteArray(),
                          bool interlaced = false);
    // The samples of an image in a PNG layout (colour types 0, 2, 4, 6).
    static QByteArray pngSamples(const QImage& image, int bitDepth, int colorType);

    // Runs a tool to completion; false with its output in error when it fails.
    static bool run(const QString& program, const QStringList& arguments, QString* error);
    // Arguments written as one string, split at its spaces.
    static QStringList args(const char* spaced);
    // Runs a tool over `input` saved in a scratch folder as inFormat: "{in}"
    // in the arguments names that file, "{out}" the output (named with
    // outExtension). The output's bytes; empty, with a test failure, when
    // the tool fails.
    static QByteArray convert(const QImage& input, const QString& program,
                              const QStringList& arguments, const QString& outExtension,
                              const char* inFormat = "PNG");
};
