#include "support/FormatFixtures.h"

#include "support/TestImages.h"
#include "support/ZipBuilder.h"

#include <ImfRgbaFile.h>
#include <ImfStdIO.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using F = FormatFixtures;

// qCompress puts the length before its zlib stream.
QByteArray compressed(const QByteArray& data) {
    return qCompress(data).mid(4);
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    if (TestImages::write(path, bytes))
        return true;
    *error = "cannot write " + path;
    return false;
}

// An 8-bit sRGB level back in linear light.
double linear(int v) {
    const double e = v / 255.0;
    return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
}

QColor expectedAt(const QImage& image, int x, int y) {
    const bool right = x >= image.width() / 2, bottom = y >= image.height() / 2;
    if (!bottom)
        return right ? QColor(0, 255, 0) : QColor(255, 0, 0);
    return right ? QColor(255, 255, 255) : QColor(0, 0, 255);
}

using Field = FormatFixtures::TiffField;

QByteArray ihdr(const QSize& size, int bitDepth, int colorType, bool interlaced) {
    const char rest[] = {char(bitDepth), char(colorType), 0, 0, char(interlaced ? 1 : 0)};
    return F::pngChunk("IHDR", F::be({quint32(size.width()), quint32(size.height())}) +
                                   QByteArray(rest, 5));
}

// The zlib stream of IDAT or fdAT: filter type 0 on every row; an interlaced
// image is its seven passes (Adam7) one after the other.
QByteArray pngImageData(const QSize& size, int bitDepth, int colorType, const QByteArray& samples,
                        bool interlaced = false) {
    const int channels[] = {1, 1, 3, 1, 2, 1, 4};
    const int pixelBytes = channels[colorType] * bitDepth / 8;
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

} // namespace

QByteArray FormatFixtures::be(std::initializer_list<quint32> values, int bytes) {
    QByteArray out;
    for (const quint32 v : values)
        for (int i = bytes - 1; i >= 0; --i)
            out += char((v >> (8 * i)) & 0xff);
    return out;
}

QByteArray FormatFixtures::le(std::initializer_list<quint32> values, int bytes) {
    QByteArray out;
    for (const quint32 v : values)
        for (int i = 0; i < bytes; ++i)
            out += char((v >> (8 * i)) & 0xff);
    return out;
}

QByteArray FormatFixtures::tiffDirectory(const QList<TiffField>& fields, quint32 offset,
                                         quint32 next, bool bigEndian) {
    const auto word = [bigEndian](quint32 v, int bytes) {
        return bigEndian ? be({v}, bytes) : le({v}, bytes);
    };
    QByteArray out = word(quint32(fields.size()), 2), values;
    const quint32 valuesAt = offset + 2 + 12 * quint32(fields.size()) + 4;
    for (const TiffField& f : fields) {
        out += word(f.tag, 2) + word(f.type, 2) + word(f.count, 4);
        if (f.value.size() <= 4) {
            out += f.value + QByteArray(4 - f.value.size(), '\0');
        } else {
            out += word(valuesAt + quint32(values.size()), 4);
            values += f.value;
            if (values.size() & 1)
                values += '\0';
        }
    }
    return out + word(next, 4) + values;
}

QImage FormatFixtures::pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, expectedAt(image, x, y));
    return image;
}

void FormatFixtures::expectPattern(const QImage& decoded, const QImage& pattern, int tolerance,
                                   const QString& what) {
    ASSERT_FALSE(decoded.isNull()) << qPrintable(what);
    ASSERT_EQ(decoded.size(), pattern.size()) << qPrintable(what);
    for (const double fx : {0.25, 0.75})
        for (const double fy : {0.25, 0.75}) {
            const int x = int(pattern.width() * fx), y = int(pattern.height() * fy);
            const QRgb expected = pattern.pixel(x, y), actual = decoded.pixel(x, y);
            EXPECT_LE(TestImages::channelDistance(actual, expected), tolerance)
                << qPrintable(what) << " at " << x << "," << y << ": " << std::hex << actual
                << " for " << expected;
        }
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

QImage FormatFixtures::faxPattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = height / 4; y < height * 3 / 4; ++y)
        for (int x = 0; x < width / 3; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
    return image;
}

QStringList FormatFixtures::extensions() {
    return args("jpg jpe jpeg png tiff tif heic dng gif icns psd bmp mpo exr hdr pic sgi rgb fax "
                "jfx jfax ico jp2 webp avif jxl");
}

int FormatFixtures::tolerance(const QString& extension) {
    return args("jpg jpe jpeg heic mpo jp2 jfax dng avif jxl").contains(extension) ? 40 : 2;
}

bool FormatFixtures::isFax(const QString& extension) {
    return extension == "fax" || extension == "jfx";
}

bool FormatFixtures::run(const QString& program, const QStringList& arguments, QString* error) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        *error = program + " is missing (scripts/bootstrap.sh installs it)";
        return false;
    }
    process.waitForFinished(120000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + " failed: " + QString::fromLocal8Bit(process.readAll());
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
    const QString in = scratch.filePath("in." + QString::fromLatin1(inFormat).toLower());
    const QString out = scratch.filePath("out." + outExtension);
    QFile::remove(out);
    QStringList filled = arguments;
    filled.replaceInStrings("{in}", in).replaceInStrings("{out}", out);
    QString error;
    if (!input.isNull() && !input.save(in, inFormat))
        error = "cannot write " + in;
    else if (run(program, filled, &error))
        return TestImages::read(out);
    ADD_FAILURE() << qPrintable(error);
    return QByteArray();
}

QString FormatFixtures::make(const QString& ext, const QString& folder, QString* error,
                             const QImage& picture) {
    QDir().mkpath(folder);
    const QString out = folder + "/fixture." + ext;
    const QImage image = picture.isNull() ? pattern() : picture;
    const QByteArray jpeg = TestImages::encode(image, "JPEG", 95);
    QByteArray bytes;
    if (args("jpg jpe jpeg jfax").contains(ext)) // .jfax: a JPEG under a fax name
        bytes = jpeg;
    else if (args("png bmp ico tiff tif").contains(ext))
        bytes = TestImages::encode(image, ext.startsWith(u't') ? "TIFF" : qPrintable(ext));
    else if (ext == "exr")
        bytes = openExr(image);
    else if (ext == "pic")
        bytes = softimagePic(image);
    else if (ext == "dng")
        bytes = linearDng(image);
    else if (ext == "mpo")
        bytes = mpo({jpeg, TestImages::encode(image.mirrored(true, false).scaled(image.size() / 2),
                                              "JPEG", 95)});
    if (!bytes.isEmpty())
        return writeFile(out, bytes, error) ? out : QString();
    // The rest by the tools: {in} is the picture as PNG, {out} the fixture.
    const std::pair<const char*, const char*> tools[] = {
        {"gif", "/usr/bin/convert {in} gif:{out}"},
        {"heic", "heif-enc -q 95 {in} -o {out}"},
        {"webp", "cwebp -quiet -lossless {in} -o {out}"},
        // Debian 12's libaom aborts at the default 4:2:0 chroma of small images.
        {"avif", "heif-enc -A -q 95 -p chroma=422 {in} -o {out}"},
        {"jxl", "cjxl {in} {out} -d 1"}, // lossy: the XYB path, rendered to sRGB by the library
        {"jp2", "opj_compress -i {in} -o {out}"},
        {"icns", "png2icns {out} {in}"},
        {"psd", "/usr/bin/convert {in} psd:{out}"},
        {"hdr", "/usr/bin/convert {in} hdr:{out}"},
        {"sgi", "/usr/bin/convert {in} -compress RLE sgi:{out}"},
        {"rgb", "/usr/bin/convert {in} -compress None sgi:{out}"},
        // .fax: headerless Group 3 data; .jfx: a TIFF class F file.
        {"fax", "/usr/bin/convert {in} fax:{out}"},
        {"jfx", "/usr/bin/convert {in} -compress Fax tiff:{out}"},
    };
    for (const auto& [extension, command] : tools) {
        if (ext != QLatin1String(extension))
            continue;
        const QString source = folder + "/pattern-source.png";
        const QImage input = isFax(ext) ? faxPattern() : ext == "icns" ? pattern(128, 128) : image;
        if (!input.save(source, "PNG")) {
            *error = "cannot write the pattern";
            return QString();
        }
        QStringList arguments = args(command);
        const QString program = arguments.takeFirst();
        arguments.replaceInStrings("{in}", source).replaceInStrings("{out}", out);
        return run(program, arguments, error) ? out : QString();
    }
    *error = "no fixture for " + ext;
    return QString();
}

QString FormatFixtures::makeAnimation(const QString& ext, const QString& folder,
                                      const QList<QImage>& frames, const QList<int>& delays,
                                      QString* error) {
    QDir().mkpath(folder);
    const QString out = folder + "/animation." + ext;
    QStringList arguments;
    bool ok = false;
    if (ext == "jxl" || ext == "png") {
        QList<ApngFrame> apng;
        for (qsizetype i = 0; i < frames.size(); ++i)
            apng.append({frames[i], QPoint(), delays.value(i), 1000, 0, 0});
        const QByteArray png = animatedPng(frames.first().size(), apng);
        if (ext == "png")
            return writeFile(out, png, error) ? out : QString();
        const QString source = folder + "/animation-source.png";
        ok = writeFile(source, png, error) && run("cjxl", {source, out, "-d", "0"}, error);
        return ok ? out : QString();
    }
    // The per-frame option of each tool; GIF counts in hundredths of a second.
    const char* option = ext == "webp" ? "-d" : ext == "gif" ? "-delay" : "--duration";
    for (qsizetype i = 0; i < frames.size(); ++i) {
        const QString source = folder + QStringLiteral("/frame%1.png").arg(i);
        if (!frames[i].save(source, "PNG")) {
            *error = "cannot write a frame";
            return QString();
        }
        arguments << QLatin1String(option)
                  << QString::number(ext == "gif" ? delays.value(i) / 10 : delays.value(i))
                  << source;
    }
    if (ext == "webp")
        ok = run("img2webp", args("-loop 0 -lossless") + arguments << "-o" << out, error);
    else if (ext == "gif")
        ok = run("/usr/bin/convert", arguments + args("-loop 0") << out, error);
    else if (ext == "avifs")
        ok = run("avifenc", args("-l -s 10 --timescale 1000") + arguments << out, error);
    else
        *error = "no animation for " + ext;
    return ok ? out : QString();
}

QByteArray FormatFixtures::softimagePic(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const auto bits = [](float f) {
        quint32 b;
        memcpy(&b, &f, 4);
        return b;
    };
    // Magic and version, comment, size, pixel ratio, full frame; then one
    // packet: uncompressed red, green and blue, the last in the chain.
    QByteArray out = be({0x5380F634, bits(3.71f)}) + QByteArray(80, '\0') + "PICT" +
                     be({quint32(image.width()), quint32(image.height())}, 2) + be({bits(1.0f)}) +
                     be({3, 0}, 2) + QByteArray("\x00\x08\x00\xe0", 4);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const char rgb[] = {char(qRed(p)), char(qGreen(p)), char(qBlue(p))};
            out.append(rgb, 3);
        }
    return out;
}

QByteArray FormatFixtures::linearDng(const QImage& source, const QByteArray& previewJpeg,
                                     const QSize& previewSize) {
    // A linear (demosaiced) DNG whose camera space is linear sRGB: the
    // colour matrix is the XYZ (D65) to linear sRGB matrix, the neutral is
    // grey, so a decoder that follows the file gets the pattern back.
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const quint32 w = quint32(image.width()), h = quint32(image.height());
    QByteArray pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            for (const int v : {qRed(p), qGreen(p), qBlue(p)})
                pixels += le({quint32(std::lround(linear(v) * 65535.0))}, 2);
        }
    auto rationals = [](std::initializer_list<double> values) {
        QByteArray b;
        for (double v : values)
            b += le({quint32(qint32(std::lround(v * 10000.0))), 10000});
        return b;
    };
    const QByteArray make("Ovisto", 7), model("Pattern", 8), unique("Ovisto Pattern", 15);
    // LinearRaw (262), the strip offset (273) set below, D65 (50778).
    QList<Field> fields = {{254, 4, 1, le({0})},
                           {256, 4, 1, le({w})},
                           {257, 4, 1, le({h})},
                           {258, 3, 3, le({16, 16, 16}, 2)},
                           {259, 3, 1, le({1}, 2)},
                           {262, 3, 1, le({34892}, 2)},
                           {271, 2, quint32(make.size()), make},
                           {272, 2, quint32(model.size()), model},
                           {273, 4, 1, le({0})},
                           {274, 3, 1, le({1}, 2)},
                           {277, 3, 1, le({3}, 2)},
                           {278, 4, 1, le({h})},
                           {279, 4, 1, le({quint32(pixels.size())})},
                           {284, 3, 1, le({1}, 2)},
                           {50706, 1, 4, QByteArray("\x01\x04\x00\x00", 4)},
                           {50707, 1, 4, QByteArray("\x01\x01\x00\x00", 4)},
                           {50708, 2, quint32(unique.size()), unique},
                           {50717, 4, 1, le({65535})},
                           {50721, 10, 9,
                            rationals({3.2404542, -1.5371385, -0.4985314, -0.9692660, 1.8760108,
                                       0.0415560, 0.0556434, -0.2040259, 1.0572252})},
                           {50728, 5, 3, rationals({1.0, 1.0, 1.0})},
                           {50778, 3, 1, le({21}, 2)}};
    // Header, directory, its values, pixels; then the preview's directory
    // and the camera's preview as an old-style JPEG interchange stream.
    const quint32 pixelOffset = 8 + quint32(tiffDirectory(fields, 8, 0).size());
    fields[8].value = le({pixelOffset});
    const QByteArray header = QByteArray("II*\0", 4) + le({8});
    if (previewJpeg.isEmpty())
        return header + tiffDirectory(fields, 8, 0) + pixels;
    const quint32 afterPixels = pixelOffset + quint32(pixels.size());
    const QByteArray padding(int(afterPixels & 1), '\0');
    const quint32 second = afterPixels + quint32(padding.size());
    const QList<Field> preview = {{254, 4, 1, le({1})},
                                  {256, 4, 1, le({quint32(previewSize.width())})},
                                  {257, 4, 1, le({quint32(previewSize.height())})},
                                  {259, 3, 1, le({6}, 2)},
                                  {513, 4, 1, le({second + 2 + 6 * 12 + 4})},
                                  {514, 4, 1, le({quint32(previewJpeg.size())})}};
    return header + tiffDirectory(fields, 8, second) + pixels + padding +
           tiffDirectory(preview, second, 0) + previewJpeg;
}

QByteArray FormatFixtures::openExr(const QImage& source, float gain, int compression) {
    const bool alpha = source.hasAlphaChannel();
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    std::vector<Imf::Rgba> pixels(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = image.pixel(x, y);
            const double a = qAlpha(p) / 255.0 * gain;
            pixels[size_t(y) * size_t(w) + size_t(x)] =
                Imf::Rgba(half(float(linear(qRed(p)) * a)), half(float(linear(qGreen(p)) * a)),
                          half(float(linear(qBlue(p)) * a)), half(float(a / gain)));
        }
    Imf::StdOSStream stream;
    {
        Imf::Header header(w, h);
        header.compression() = Imf::Compression(compression);
        Imf::RgbaOutputFile file(stream, header, alpha ? Imf::WRITE_RGBA : Imf::WRITE_RGB);
        file.setFrameBuffer(pixels.data(), 1, size_t(w));
        file.writePixels(h);
    }
    const std::string bytes = stream.str();
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QByteArray FormatFixtures::mpo(const QList<QByteArray>& jpegs, quint32 secondType) {
    // The MPF segment (APP2) goes right after the first picture's SOI; its
    // offsets count from the TIFF header inside it, 8 bytes into the segment:
    // version, count, and the entries' table after the directory.
    auto segment = [&](const QList<quint32>& sizes, const QList<quint32>& offsets) {
        const quint32 n = quint32(sizes.size());
        QByteArray tiff = QByteArray("MM\0*", 4) + be({8}) + be({3, 0xB000, 7}, 2) + be({4}) +
                          "0100" + be({0xB001, 4}, 2) + be({1, n}) + be({0xB002, 7}, 2) +
                          be({n * 16, 8 + 2 + 3 * 12 + 4, 0});
        for (quint32 i = 0; i < n; ++i)
            tiff += be({i == 0 ? 0x20030000u : secondType, sizes[i], offsets[i]}) + be({0, 0}, 2);
        const QByteArray payload = QByteArray("MPF\0", 4) + tiff;
        return QByteArray("\xff\xe2", 2) + be({quint32(payload.size() + 2)}, 2) + payload;
    };
    QList<quint32> sizes, offsets;
    for (const QByteArray& j : jpegs) {
        sizes.append(quint32(j.size()));
        offsets.append(0);
    }
    sizes[0] += quint32(segment(sizes, offsets).size());
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

QByteArray FormatFixtures::box(const char* type, const QByteArray& payload) {
    return be({quint32(8 + payload.size())}) + QByteArray(type, 4) + payload;
}

QByteArray FormatFixtures::pngChunk(const char* type, const QByteArray& data) {
    const QByteArray typed = QByteArray(type, 4) + data;
    return be({quint32(data.size())}) + typed + be({ZipBuilder::crc32(typed)});
}

QByteArray FormatFixtures::pngSamples(const QImage& image, int bitDepth, int colorType) {
    QByteArray out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgba64 p = image.pixelColor(x, y).rgba64();
            QList<quint16> values = {p.red()};
            if (colorType != 0 && colorType != 4)
                values << p.green() << p.blue();
            if (colorType == 4 || colorType == 6)
                values.append(p.alpha());
            for (const quint16 v : values)
                out += bitDepth == 16 ? be({v}, 2) : QByteArray(1, char(v >> 8));
        }
    return out;
}

QByteArray FormatFixtures::png(const QSize& size, int bitDepth, int colorType,
                               const QByteArray& samples, const QByteArray& chunksBeforeData,
                               bool interlaced) {
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + ihdr(size, bitDepth, colorType, interlaced) +
           chunksBeforeData +
           pngChunk("IDAT", pngImageData(size, bitDepth, colorType, samples, interlaced)) +
           pngChunk("IEND", QByteArray());
}

QByteArray FormatFixtures::animatedPng(const QSize& canvas, const QList<ApngFrame>& frames,
                                       int plays, int bitDepth, int colorType,
                                       const QImage& hiddenDefault) {
    QByteArray out = QByteArray("\x89PNG\r\n\x1a\n", 8) + ihdr(canvas, bitDepth, colorType, false) +
                     pngChunk("acTL", be({quint32(frames.size()), quint32(plays)}));
    if (!hiddenDefault.isNull())
        out += pngChunk(
            "IDAT", pngImageData(canvas, bitDepth, colorType,
                                 pngSamples(hiddenDefault.scaled(canvas), bitDepth, colorType)));
    quint32 sequence = 0;
    for (int i = 0; i < frames.size(); ++i) {
        const ApngFrame& f = frames[i];
        out +=
            pngChunk("fcTL", be({sequence++, quint32(f.image.width()), quint32(f.image.height()),
                                 quint32(f.offset.x()), quint32(f.offset.y())}) +
                                 be({quint32(f.delayNumerator), quint32(f.delayDenominator)}, 2) +
                                 char(f.dispose) + char(f.blend));
        const QByteArray data = pngImageData(f.image.size(), bitDepth, colorType,
                                             pngSamples(f.image, bitDepth, colorType));
        if (i == 0 && hiddenDefault.isNull())
            out += pngChunk("IDAT", data);
        else
            out += pngChunk("fdAT", be({sequence++}) + data);
    }
    return out + pngChunk("IEND", QByteArray());
}
