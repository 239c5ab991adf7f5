#include "support/FormatFixtures.h"

#include "support/TestImages.h"

#include <ImfRgbaFile.h>
#include <ImfStdIO.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

void be16(QByteArray& out, quint16 v) {
    out += char(v >> 8);
    out += char(v & 0xff);
}

void be32(QByteArray& out, quint32 v) {
    be16(out, quint16(v >> 16));
    be16(out, quint16(v & 0xffff));
}

void le16(QByteArray& out, quint16 v) {
    out += char(v & 0xff);
    out += char(v >> 8);
}

void le32(QByteArray& out, quint32 v) {
    le16(out, quint16(v & 0xffff));
    le16(out, quint16(v >> 16));
}

void beFloat(QByteArray& out, float f) {
    quint32 bits;
    memcpy(&bits, &f, 4);
    be32(out, bits);
}

quint32 crc(const QByteArray& data) {
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
}

int pngChannels(int colorType) {
    switch (colorType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

QByteArray compressed(const QByteArray& data) {
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size,
                 reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size())) != Z_OK)
        return QByteArray();
    out.resize(qsizetype(size));
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    if (TestImages::write(path, bytes))
        return true;
    *error = QStringLiteral("cannot write ") + path;
    return false;
}

} // namespace

QImage FormatFixtures::pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, expectedAt(image, x, y));
    }
    return image;
}

QList<QImage> FormatFixtures::animationFrames() {
    const QImage first = pattern();
    QImage second = first;
    for (int y = 8; y < 24; ++y)
        for (int x = 8; x < 24; ++x)
            second.setPixel(x, y, qRgb(0, 0, 0));
    QImage third(first.size(), QImage::Format_RGB32);
    third.fill(qRgb(250, 220, 0));
    return {first, second, third};
}

QColor FormatFixtures::expectedAt(const QImage& image, int x, int y) {
    const bool right = x >= image.width() / 2;
    const bool bottom = y >= image.height() / 2;
    if (!bottom)
        return right ? QColor(0, 255, 0) : QColor(255, 0, 0);
    return right ? QColor(255, 255, 255) : QColor(0, 0, 255);
}

QImage FormatFixtures::faxPattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = height / 4; y < height * 3 / 4; ++y) {
        for (int x = 0; x < width / 3; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
    }
    return image;
}

QStringList FormatFixtures::extensions() {
    return {QStringLiteral("jpg"),  QStringLiteral("jpe"),  QStringLiteral("jpeg"),
            QStringLiteral("png"),  QStringLiteral("tiff"), QStringLiteral("tif"),
            QStringLiteral("heic"), QStringLiteral("dng"),  QStringLiteral("gif"),
            QStringLiteral("icns"), QStringLiteral("psd"),  QStringLiteral("bmp"),
            QStringLiteral("mpo"),  QStringLiteral("exr"),  QStringLiteral("hdr"),
            QStringLiteral("pic"),  QStringLiteral("sgi"),  QStringLiteral("rgb"),
            QStringLiteral("fax"),  QStringLiteral("jfx"),  QStringLiteral("jfax"),
            QStringLiteral("ico"),  QStringLiteral("jp2"),  QStringLiteral("webp"),
            QStringLiteral("avif"), QStringLiteral("jxl")};
}

int FormatFixtures::tolerance(const QString& extension) {
    static const QStringList lossy = {QStringLiteral("jpg"),  QStringLiteral("jpe"),
                                      QStringLiteral("jpeg"), QStringLiteral("heic"),
                                      QStringLiteral("mpo"),  QStringLiteral("jp2"),
                                      QStringLiteral("jfax"), QStringLiteral("dng"),
                                      QStringLiteral("avif"), QStringLiteral("jxl")};
    return lossy.contains(extension) ? 40 : 2;
}

bool FormatFixtures::isFax(const QString& extension) {
    return extension == QLatin1String("fax") || extension == QLatin1String("jfx");
}

bool FormatFixtures::run(const QString& program, const QStringList& arguments, QString* error) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        *error = program + QStringLiteral(" is missing (scripts/bootstrap.sh installs it)");
        return false;
    }
    process.waitForFinished(120000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    return true;
}

QStringList FormatFixtures::args(const char* spaced) {
    return QString::fromLatin1(spaced).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QByteArray FormatFixtures::convert(const QImage& input, const QString& program,
                                   const QStringList& arguments, const QString& outExtension,
                                   const char* inFormat) {
    static QTemporaryDir scratch;
    const QString in =
        scratch.filePath(QStringLiteral("in.") + QString::fromLatin1(inFormat).toLower());
    const QString out = scratch.filePath(QStringLiteral("out.") + outExtension);
    QFile::remove(out);
    QStringList filled = arguments;
    filled.replaceInStrings(QStringLiteral("{in}"), in)
        .replaceInStrings(QStringLiteral("{out}"), out);
    QString error;
    if (!input.isNull() && !input.save(in, inFormat))
        error = QStringLiteral("cannot write ") + in;
    else if (run(program, filled, &error))
        return TestImages::read(out);
    ADD_FAILURE() << qPrintable(error);
    return QByteArray();
}

QString FormatFixtures::make(const QString& ext, const QString& folder, QString* error,
                             const QImage& picture) {
    QDir().mkpath(folder);
    const QString out = folder + QStringLiteral("/fixture.") + ext;
    const QString source = folder + QStringLiteral("/pattern-source.png");
    const QImage image = picture.isNull() ? pattern() : picture;
    if (!image.save(source, "PNG")) {
        *error = QStringLiteral("cannot write the pattern");
        return QString();
    }
    const QString convert = QStringLiteral("/usr/bin/convert"); // the real ImageMagick
    bool ok = false;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpe") ||
        ext == QLatin1String("jpeg")) {
        ok = writeFile(out, TestImages::encode(image, "JPEG", 95), error);
    } else if (ext == QLatin1String("gif")) {
        ok = run(convert, {source, QStringLiteral("gif:") + out}, error);
    } else if (ext == QLatin1String("png") || ext == QLatin1String("bmp") ||
               ext == QLatin1String("ico")) {
        ok = writeFile(out, TestImages::encode(image, ext.toLatin1().constData()), error);
    } else if (ext == QLatin1String("tiff") || ext == QLatin1String("tif")) {
        ok = writeFile(out, TestImages::encode(image, "TIFF"), error);
    } else if (ext == QLatin1String("heic")) {
        ok = run(QStringLiteral("heif-enc"),
                 {QStringLiteral("-q"), QStringLiteral("95"), source, QStringLiteral("-o"), out},
                 error);
    } else if (ext == QLatin1String("webp")) {
        ok = run(QStringLiteral("cwebp"),
                 {QStringLiteral("-quiet"), QStringLiteral("-lossless"), source,
                  QStringLiteral("-o"), out},
                 error);
    } else if (ext == QLatin1String("avif")) {
        // Debian 12's libaom aborts at the default 4:2:0 chroma of small images.
        ok = run(QStringLiteral("heif-enc"),
                 {QStringLiteral("-A"), QStringLiteral("-q"), QStringLiteral("95"),
                  QStringLiteral("-p"), QStringLiteral("chroma=422"), source, QStringLiteral("-o"),
                  out},
                 error);
    } else if (ext == QLatin1String("jxl")) {
        // Lossy: the XYB path, rendered to sRGB by the library.
        ok = run(QStringLiteral("cjxl"), {source, out, QStringLiteral("-d"), QStringLiteral("1")},
                 error);
    } else if (ext == QLatin1String("jp2")) {
        ok = run(QStringLiteral("opj_compress"),
                 {QStringLiteral("-i"), source, QStringLiteral("-o"), out}, error);
    } else if (ext == QLatin1String("icns")) {
        const QString square = folder + QStringLiteral("/pattern-128.png");
        pattern(128, 128).save(square, "PNG");
        ok = run(QStringLiteral("png2icns"), {out, square}, error);
    } else if (ext == QLatin1String("exr")) {
        ok = writeFile(out, openExr(image), error);
    } else if (ext == QLatin1String("psd") || ext == QLatin1String("hdr")) {
        ok = run(convert, {source, ext + QLatin1Char(':') + out}, error);
    } else if (ext == QLatin1String("sgi")) {
        ok = run(convert,
                 {source, QStringLiteral("-compress"), QStringLiteral("RLE"),
                  QStringLiteral("sgi:") + out},
                 error);
    } else if (ext == QLatin1String("rgb")) {
        ok = run(convert,
                 {source, QStringLiteral("-compress"), QStringLiteral("None"),
                  QStringLiteral("sgi:") + out},
                 error);
    } else if (ext == QLatin1String("pic")) {
        ok = writeFile(out, softimagePic(image), error);
    } else if (ext == QLatin1String("dng")) {
        ok = writeFile(out, linearDng(image), error);
    } else if (ext == QLatin1String("mpo")) {
        QImage second = image.mirrored(true, false);
        ok = writeFile(
            out,
            mpo({TestImages::encode(image, "JPEG", 95), TestImages::encode(second, "JPEG", 95)}),
            error);
    } else if (ext == QLatin1String("fax") || ext == QLatin1String("jfx")) {
        const QString faxSource = folder + QStringLiteral("/fax-source.png");
        faxPattern().save(faxSource, "PNG");
        // .fax: headerless Group 3 data; .jfx: a TIFF class F file.
        if (ext == QLatin1String("fax"))
            ok = run(convert, {faxSource, QStringLiteral("fax:") + out}, error);
        else
            ok = run(convert,
                     {faxSource, QStringLiteral("-compress"), QStringLiteral("Fax"),
                      QStringLiteral("tiff:") + out},
                     error);
    } else if (ext == QLatin1String("jfax")) {
        // A JPEG under a fax name: the content decides.
        ok = writeFile(out, TestImages::encode(image, "JPEG", 95), error);
    } else {
        *error = QStringLiteral("no fixture for ") + ext;
    }
    return ok ? out : QString();
}

QString FormatFixtures::makeAnimation(const QString& ext, const QString& folder,
                                      const QList<QImage>& frames, const QList<int>& delays,
                                      QString* error) {
    QDir().mkpath(folder);
    const QString out = folder + QStringLiteral("/animation.") + ext;
    QStringList arguments;
    bool ok = false;
    if (ext == QLatin1String("jxl") || ext == QLatin1String("png")) {
        QList<ApngFrame> apng;
        for (qsizetype i = 0; i < frames.size(); ++i)
            apng.append({frames[i], QPoint(), delays.value(i), 1000, 0, 0});
        const QByteArray png = animatedPng(frames.first().size(), apng);
        if (ext == QLatin1String("png"))
            return writeFile(out, png, error) ? out : QString();
        const QString source = folder + QStringLiteral("/animation-source.png");
        ok = writeFile(source, png, error) &&
             run(QStringLiteral("cjxl"), {source, out, QStringLiteral("-d"), QStringLiteral("0")},
                 error);
        return ok ? out : QString();
    }
    QStringList sources;
    for (qsizetype i = 0; i < frames.size(); ++i) {
        sources.append(folder + QStringLiteral("/frame%1.png").arg(i));
        if (!frames[i].save(sources.last(), "PNG")) {
            *error = QStringLiteral("cannot write a frame");
            return QString();
        }
    }
    if (ext == QLatin1String("webp")) {
        arguments = {QStringLiteral("-loop"), QStringLiteral("0"), QStringLiteral("-lossless")};
        for (qsizetype i = 0; i < frames.size(); ++i)
            arguments << QStringLiteral("-d") << QString::number(delays.value(i)) << sources[i];
        ok = run(QStringLiteral("img2webp"), arguments << QStringLiteral("-o") << out, error);
    } else if (ext == QLatin1String("gif")) {
        // In hundredths of a second, as GIF stores them.
        for (qsizetype i = 0; i < frames.size(); ++i)
            arguments << QStringLiteral("-delay") << QString::number(delays.value(i) / 10)
                      << sources[i];
        ok = run(QStringLiteral("/usr/bin/convert"),
                 arguments << QStringLiteral("-loop") << QStringLiteral("0") << out, error);
    } else if (ext == QLatin1String("avifs")) {
        arguments = {QStringLiteral("-l"), QStringLiteral("-s"), QStringLiteral("10"),
                     QStringLiteral("--timescale"), QStringLiteral("1000")};
        for (qsizetype i = 0; i < frames.size(); ++i)
            arguments << QStringLiteral("--duration") << QString::number(delays.value(i))
                      << sources[i];
        ok = run(QStringLiteral("avifenc"), arguments << out, error);
    } else {
        *error = QStringLiteral("no animation for ") + ext;
    }
    return ok ? out : QString();
}

QByteArray FormatFixtures::softimagePic(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QByteArray out;
    be32(out, 0x5380F634);
    beFloat(out, 3.71f);
    out += QByteArray(80, '\0'); // comment
    out += "PICT";
    be16(out, quint16(image.width()));
    be16(out, quint16(image.height()));
    beFloat(out, 1.0f); // pixel ratio
    be16(out, 3);       // full frame
    be16(out, 0);
    // One packet: uncompressed red, green and blue, the last in the chain.
    out += char(0);
    out += char(8);
    out += char(0);
    out += char(0x80 | 0x40 | 0x20);
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            out += char(qRed(line[x]));
            out += char(qGreen(line[x]));
            out += char(qBlue(line[x]));
        }
    }
    return out;
}

QByteArray FormatFixtures::linearDng(const QImage& source, const QByteArray& previewJpeg,
                                     const QSize& previewSize) {
    // A linear (demosaiced) DNG whose camera space is linear sRGB: the
    // colour matrix is the XYZ (D65) to linear sRGB matrix, the neutral is
    // grey, so a decoder that follows the file gets the pattern back.
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    QByteArray pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = image.pixel(x, y);
            for (const int v : {qRed(p), qGreen(p), qBlue(p)}) {
                // Back to linear light, then to 16 bits.
                const double e = v / 255.0;
                const double l = e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
                le16(pixels, quint16(std::lround(l * 65535.0)));
            }
        }
    }
    struct Field {
        quint16 tag, type;
        quint32 count;
        QByteArray value; // little-endian, padded when inline
    };
    auto shorts = [](std::initializer_list<int> values) {
        QByteArray b;
        for (int v : values)
            le16(b, quint16(v));
        return b;
    };
    auto longs = [](std::initializer_list<quint32> values) {
        QByteArray b;
        for (quint32 v : values)
            le32(b, v);
        return b;
    };
    auto rationals = [](std::initializer_list<double> values, bool isSigned) {
        QByteArray b;
        for (double v : values) {
            const qint32 n = qint32(std::lround(v * 10000.0));
            le32(b, isSigned ? quint32(n) : quint32(std::abs(n)));
            le32(b, 10000);
        }
        return b;
    };
    auto ascii = [](const char* s) { return QByteArray(s) + '\0'; };
    const QByteArray make = ascii("Ovisto"), model = ascii("Pattern"),
                     unique = ascii("Ovisto Pattern");
    QList<Field> fields = {
        {254, 4, 1, longs({0})},
        {256, 4, 1, longs({quint32(w)})},
        {257, 4, 1, longs({quint32(h)})},
        {258, 3, 3, shorts({16, 16, 16})},
        {259, 3, 1, shorts({1})},
        {262, 3, 1, shorts({34892})}, // LinearRaw
        {271, 2, quint32(make.size()), make},
        {272, 2, quint32(model.size()), model},
        {273, 4, 1, longs({0})}, // strip offset, set below
        {274, 3, 1, shorts({1})},
        {277, 3, 1, shorts({3})},
        {278, 4, 1, longs({quint32(h)})},
        {279, 4, 1, longs({quint32(pixels.size())})},
        {284, 3, 1, shorts({1})},
        {50706, 1, 4, QByteArray("\x01\x04\x00\x00", 4)},
        {50707, 1, 4, QByteArray("\x01\x01\x00\x00", 4)},
        {50708, 2, quint32(unique.size()), unique},
        {50717, 4, 1, longs({65535})},
        {50721, 10, 9,
         rationals({3.2404542, -1.5371385, -0.4985314, -0.9692660, 1.8760108, 0.0415560, 0.0556434,
                    -0.2040259, 1.0572252},
                   true)},
        {50728, 5, 3, rationals({1.0, 1.0, 1.0}, false)},
        {50778, 3, 1, shorts({21})}, // D65
    };
    // Layout: header, directory, out-of-line values, pixels.
    const quint32 directorySize = 2 + quint32(fields.size()) * 12 + 4;
    quint32 extra = 8 + directorySize;
    QByteArray outOfLine;
    QByteArray directory;
    le16(directory, quint16(fields.size()));
    const quint32 valuesStart = extra;
    quint32 valuesSize = 0;
    for (const Field& f : fields)
        valuesSize += f.value.size() > 4 ? quint32(f.value.size() + (f.value.size() & 1)) : 0;
    const quint32 pixelOffset = valuesStart + valuesSize;
    for (Field f : fields) {
        if (f.tag == 273)
            f.value = longs({pixelOffset});
        le16(directory, f.tag);
        le16(directory, f.type);
        le32(directory, f.count);
        if (f.value.size() <= 4) {
            directory += f.value + QByteArray(4 - f.value.size(), '\0');
        } else {
            le32(directory, valuesStart + quint32(outOfLine.size()));
            outOfLine += f.value;
            if (outOfLine.size() & 1)
                outOfLine += '\0';
        }
    }
    QByteArray out("II*\0", 4);
    le32(out, 8);
    if (previewJpeg.isEmpty()) {
        le32(directory, 0);
        return out + directory + outOfLine + pixels;
    }
    // A second directory, after the pixels, holds the camera's preview as an
    // old-style JPEG interchange stream.
    const quint32 afterPixels = pixelOffset + quint32(pixels.size());
    const QByteArray padding(int(afterPixels & 1), '\0');
    const quint32 previewDirectory = afterPixels + quint32(padding.size());
    le32(directory, previewDirectory);
    const QList<Field> previewFields = {
        {254, 4, 1, longs({1})},
        {256, 4, 1, longs({quint32(previewSize.width())})},
        {257, 4, 1, longs({quint32(previewSize.height())})},
        {259, 3, 1, shorts({6})},
        {513, 4, 1, longs({previewDirectory + 2 + 6 * 12 + 4})},
        {514, 4, 1, longs({quint32(previewJpeg.size())})},
    };
    QByteArray second;
    le16(second, quint16(previewFields.size()));
    for (const Field& f : previewFields) {
        le16(second, f.tag);
        le16(second, f.type);
        le32(second, f.count);
        second += f.value + QByteArray(4 - f.value.size(), '\0');
    }
    le32(second, 0);
    return out + directory + outOfLine + pixels + padding + second + previewJpeg;
}

QByteArray FormatFixtures::openExr(const QImage& source) {
    const bool alpha = source.hasAlphaChannel();
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    auto linear = [](int v) {
        const double e = v / 255.0;
        return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
    };
    std::vector<Imf::Rgba> pixels(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = image.pixel(x, y);
            const double a = qAlpha(p) / 255.0;
            pixels[size_t(y) * size_t(w) + size_t(x)] =
                Imf::Rgba(half(float(linear(qRed(p)) * a)), half(float(linear(qGreen(p)) * a)),
                          half(float(linear(qBlue(p)) * a)), half(float(a)));
        }
    }
    Imf::StdOSStream stream;
    {
        Imf::RgbaOutputFile file(stream, Imf::Header(w, h),
                                 alpha ? Imf::WRITE_RGBA : Imf::WRITE_RGB);
        file.setFrameBuffer(pixels.data(), 1, size_t(w));
        file.writePixels(h);
    }
    const std::string bytes = stream.str();
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QByteArray FormatFixtures::mpo(const QList<QByteArray>& jpegs, quint32 secondType) {
    // The MPF segment (APP2) goes right after the first picture's SOI; its
    // offsets count from the TIFF header inside it, 8 bytes into the segment.
    auto segment = [&](const QList<quint32>& sizes, const QList<quint32>& offsets) {
        QByteArray tiff("MM\0*", 4);
        be32(tiff, 8);
        const quint32 fieldCount = 3;
        const quint32 tableOffset = 8 + 2 + fieldCount * 12 + 4;
        be16(tiff, quint16(fieldCount));
        be16(tiff, 0xB000);
        be16(tiff, 7);
        be32(tiff, 4);
        tiff += "0100";
        be16(tiff, 0xB001);
        be16(tiff, 4);
        be32(tiff, 1);
        be32(tiff, quint32(sizes.size()));
        be16(tiff, 0xB002);
        be16(tiff, 7);
        be32(tiff, quint32(sizes.size()) * 16);
        be32(tiff, tableOffset);
        be32(tiff, 0);
        for (int i = 0; i < sizes.size(); ++i) {
            be32(tiff, i == 0 ? 0x20030000u : secondType);
            be32(tiff, sizes[i]);
            be32(tiff, offsets[i]);
            be16(tiff, 0);
            be16(tiff, 0);
        }
        QByteArray payload = QByteArray("MPF\0", 4) + tiff;
        QByteArray s("\xff\xe2", 2);
        be16(s, quint16(payload.size() + 2));
        return s + payload;
    };
    QList<quint32> sizes, offsets;
    for (const QByteArray& j : jpegs) {
        sizes.append(quint32(j.size()));
        offsets.append(0);
    }
    const qsizetype segmentSize = segment(sizes, offsets).size();
    sizes[0] += quint32(segmentSize);
    const quint32 tiffStart = 2 + 4 + 4; // SOI, marker and length, "MPF\0"
    quint32 position = sizes[0];
    for (int i = 1; i < jpegs.size(); ++i) {
        offsets[i] = position - tiffStart;
        position += sizes[i];
    }
    QByteArray out = jpegs[0].left(2) + segment(sizes, offsets) + jpegs[0].mid(2);
    for (int i = 1; i < jpegs.size(); ++i)
        out += jpegs[i];
    return out;
}

QByteArray FormatFixtures::pngChunk(const char* type, const QByteArray& data) {
    QByteArray out;
    be32(out, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    out += typed;
    be32(out, crc(typed));
    return out;
}

QByteArray FormatFixtures::pngSamples(const QImage& image, int bitDepth, int colorType) {
    QByteArray out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgba64 p = image.pixelColor(x, y).rgba64();
            QList<quint16> values;
            if (colorType == 0 || colorType == 4)
                values = {p.red()};
            else
                values = {p.red(), p.green(), p.blue()};
            if (colorType == 4 || colorType == 6)
                values.append(p.alpha());
            for (const quint16 v : values) {
                if (bitDepth == 16)
                    be16(out, v);
                else
                    out += char(v >> 8);
            }
        }
    }
    return out;
}

QByteArray FormatFixtures::pngImageData(const QSize& size, int bitDepth, int colorType,
                                        const QByteArray& samples, bool interlaced) {
    const int pixelBytes = pngChannels(colorType) * bitDepth / 8;
    // Filter type 0 on every row; an interlaced image is its seven passes
    // (Adam7) one after the other, each a small image of its own.
    struct Pass {
        int x, y, dx, dy;
    };
    const QList<Pass> passes =
        interlaced ? QList<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                 {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                   : QList<Pass>{{0, 0, 1, 1}};
    QByteArray raw;
    for (const Pass& pass : passes) {
        if (pass.x >= size.width() || pass.y >= size.height())
            continue;
        for (int y = pass.y; y < size.height(); y += pass.dy) {
            raw += '\0';
            for (int x = pass.x; x < size.width(); x += pass.dx)
                raw += samples.mid((qsizetype(y) * size.width() + x) * pixelBytes, pixelBytes);
        }
    }
    return compressed(raw);
}

QByteArray FormatFixtures::png(const QSize& size, int bitDepth, int colorType,
                               const QByteArray& samples, const QByteArray& chunksBeforeData,
                               bool interlaced) {
    QByteArray header;
    be32(header, quint32(size.width()));
    be32(header, quint32(size.height()));
    header += char(bitDepth);
    header += char(colorType);
    header += QByteArray(2, '\0');
    header += char(interlaced ? 1 : 0);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + chunksBeforeData +
           pngChunk("IDAT", pngImageData(size, bitDepth, colorType, samples, interlaced)) +
           pngChunk("IEND", QByteArray());
}

QByteArray FormatFixtures::animatedPng(const QSize& canvas, const QList<ApngFrame>& frames,
                                       int plays, int bitDepth, int colorType,
                                       const QImage& hiddenDefault) {
    QByteArray header;
    be32(header, quint32(canvas.width()));
    be32(header, quint32(canvas.height()));
    header += char(bitDepth);
    header += char(colorType);
    header += QByteArray(3, '\0');
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    out += pngChunk("IHDR", header);
    QByteArray actl;
    be32(actl, quint32(frames.size()));
    be32(actl, quint32(plays));
    out += pngChunk("acTL", actl);
    if (!hiddenDefault.isNull())
        out += pngChunk(
            "IDAT", pngImageData(canvas, bitDepth, colorType,
                                 pngSamples(hiddenDefault.scaled(canvas), bitDepth, colorType)));
    quint32 sequence = 0;
    for (int i = 0; i < frames.size(); ++i) {
        const ApngFrame& f = frames[i];
        QByteArray fctl;
        be32(fctl, sequence++);
        be32(fctl, quint32(f.image.width()));
        be32(fctl, quint32(f.image.height()));
        be32(fctl, quint32(f.offset.x()));
        be32(fctl, quint32(f.offset.y()));
        be16(fctl, quint16(f.delayNumerator));
        be16(fctl, quint16(f.delayDenominator));
        fctl += char(f.dispose);
        fctl += char(f.blend);
        out += pngChunk("fcTL", fctl);
        const QByteArray data = pngImageData(f.image.size(), bitDepth, colorType,
                                             pngSamples(f.image, bitDepth, colorType));
        if (i == 0 && hiddenDefault.isNull()) {
            out += pngChunk("IDAT", data);
        } else {
            QByteArray fdat;
            be32(fdat, sequence++);
            out += pngChunk("fdAT", fdat + data);
        }
    }
    out += pngChunk("IEND", QByteArray());
    return out;
}
