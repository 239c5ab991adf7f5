#include "platform/imagesource/ApngDecoder.h"

#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/PngChunks.h"
#include "platform/imagesource/PngDecoder.h"

#include <QColorSpace>
#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace {

void appendBe32(QByteArray& out, quint32 v) {
    out += char(v >> 24);
    out += char(v >> 16);
    out += char(v >> 8);
    out += char(v);
}

quint32 crcOf(const char* data, qsizetype length) {
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(data), uInt(length)));
}

void appendChunk(QByteArray& out, const char* type, const QByteArray& data) {
    appendBe32(out, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    out += typed;
    appendBe32(out, crcOf(typed.constData(), typed.size()));
}

// Frame data is copied into a stream of its own with a new CRC, so the
// file's CRC (over type and data) is checked here or not at all.
bool crcMatches(const QByteArray& bytes, const PngChunks::Chunk& chunk) {
    return crcOf(bytes.constData() + chunk.offset - 4, chunk.length + 4) ==
           PngChunks::be32(bytes, chunk.offset + chunk.length);
}

// Chunks that describe every frame's pixels, not one frame's.
bool isShared(const QByteArray& type) {
    static const char* shared[] = {"PLTE", "tRNS", "gAMA", "cHRM", "sRGB", "iCCP", "sBIT", "cICP"};
    for (const char* s : shared) {
        if (type == s)
            return true;
    }
    return false;
}

// Straight-alpha "over" in floating point: a nearly transparent canvas
// pixel keeps its own weight instead of being rounded away.
QRgba64 over(QRgba64 source, QRgba64 canvas) {
    if (source.alpha() == 65535 || canvas.alpha() == 0)
        return source;
    if (source.alpha() == 0)
        return canvas;
    const float sourceAlpha = source.alpha() / 65535.0f;
    const float canvasWeight = canvas.alpha() / 65535.0f * (1.0f - sourceAlpha);
    const float alpha = sourceAlpha + canvasWeight;
    auto mix = [&](quint16 s, quint16 c) {
        return quint16(std::min(65535.0f, (s * sourceAlpha + c * canvasWeight) / alpha + 0.5f));
    };
    return QRgba64::fromRgba64(mix(source.red(), canvas.red()), mix(source.green(), canvas.green()),
                               mix(source.blue(), canvas.blue()), quint16(alpha * 65535.0f + 0.5f));
}

QRgba64* pixelsAt(QImage& image, int x, int y) {
    return reinterpret_cast<QRgba64*>(image.scanLine(y)) + x;
}

} // namespace

ApngDecoder::ApngDecoder(const QByteArray& bytes) : bytes(bytes) {
    parse();
}

void ApngDecoder::parse() {
    const QList<PngChunks::Chunk> chunks = PngChunks::read(bytes);
    if (chunks.isEmpty() || chunks.first().type != "IHDR" || chunks.first().length != 13)
        return;
    ihdr = bytes.mid(chunks.first().offset, 13);
    canvasWidth = int(PngChunks::be32(ihdr, 0));
    canvasHeight = int(PngChunks::be32(ihdr, 4));
    depth = uchar(ihdr.at(8));
    if (canvasWidth <= 0 || canvasHeight <= 0)
        return;

    bool animated = false;
    bool seenIdat = false;
    bool idatIsFrame = false;
    qsizetype declared = 0;
    QList<Frame> parsed;
    Frame* current = nullptr; // the frame whose data runs are being gathered
    for (const PngChunks::Chunk& chunk : chunks) {
        if (chunk.type == "acTL" && !seenIdat && chunk.length == 8) {
            animated = true;
            declared = PngChunks::be32(bytes, chunk.offset);
            plays = int(std::min<quint32>(PngChunks::be32(bytes, chunk.offset + 4), 0x7fffffff));
        } else if (chunk.type == "fcTL" && animated) {
            if (chunk.length != 26)
                return;
            const qsizetype o = chunk.offset;
            Frame f;
            const quint32 w = PngChunks::be32(bytes, o + 4), h = PngChunks::be32(bytes, o + 8);
            const quint32 x = PngChunks::be32(bytes, o + 12), y = PngChunks::be32(bytes, o + 16);
            if (w == 0 || h == 0 || x > quint32(canvasWidth) || y > quint32(canvasHeight) ||
                w > quint32(canvasWidth) - x || h > quint32(canvasHeight) - y)
                return; // a frame outside the canvas: the stream is not playable
            f.width = int(w);
            f.height = int(h);
            f.x = int(x);
            f.y = int(y);
            f.delayNumerator = PngChunks::be16(bytes, o + 20);
            f.delayDenominator = PngChunks::be16(bytes, o + 22);
            f.dispose = uchar(bytes.at(o + 24));
            f.blend = uchar(bytes.at(o + 25));
            if (f.dispose > 2 || f.blend > 1)
                return;
            // A frame before the image data is the default image itself and
            // must cover the whole canvas.
            if (!seenIdat && (f.x != 0 || f.y != 0 || f.width != canvasWidth || f.height != canvasHeight))
                return;
            if (current && current->data.isEmpty())
                return; // a control chunk with no data of its own
            parsed.append(f);
            current = &parsed.last();
        } else if (chunk.type == "IDAT") {
            // Image data belongs to the animation only when a control chunk
            // came before it; otherwise it is a hidden default image.
            if (!seenIdat)
                idatIsFrame = current != nullptr;
            seenIdat = true;
            if (idatIsFrame && current == &parsed.first()) {
                current->data.append({chunk.offset, chunk.length});
                current->intact = current->intact && crcMatches(bytes, chunk);
            }
        } else if (chunk.type == "fdAT" && current && seenIdat && !(idatIsFrame && current == &parsed.first())) {
            if (chunk.length <= 4)
                return;
            current->data.append({chunk.offset + 4, chunk.length - 4});
            current->intact = current->intact && crcMatches(bytes, chunk);
        } else if (!seenIdat && isShared(chunk.type)) {
            appendChunk(sharedChunks, chunk.type.constData(), bytes.mid(chunk.offset, chunk.length));
        }
    }
    if (!animated || parsed.isEmpty() || parsed.last().data.isEmpty())
        return;
    // A file that declares fewer frames than it holds plays what it declares.
    if (declared > 0 && declared < parsed.size())
        parsed.resize(declared);
    frames = parsed;
}

double ApngDecoder::delay(int index) const {
    if (index < 0 || index >= frames.size())
        return 0.0;
    const Frame& f = frames[index];
    return double(f.delayNumerator) / double(f.delayDenominator == 0 ? 100 : f.delayDenominator);
}

QImage ApngDecoder::decodeFrame(const Frame& frame) const {
    if (!frame.intact)
        return QImage();
    QByteArray header = ihdr;
    for (int i = 0; i < 4; ++i) {
        header[i] = char(frame.width >> (24 - 8 * i));
        header[4 + i] = char(frame.height >> (24 - 8 * i));
    }
    QByteArray data;
    for (const auto& [offset, length] : frame.data)
        data += QByteArray::fromRawData(bytes.constData() + offset, length);
    // Each frame's data, wrapped as a PNG of its own, goes through the same
    // decoder as a still image.
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    png += sharedChunks;
    appendChunk(png, "IDAT", data);
    appendChunk(png, "IEND", QByteArray());
    const QImage image = PngDecoder::decode(png);
    if (image.size() != QSize(frame.width, frame.height))
        return QImage();
    return image.convertToFormat(QImage::Format_RGBA64);
}

bool ApngDecoder::compose(int index) {
    const Frame& f = frames[index];
    const QRect area(f.x, f.y, f.width, f.height);
    // The first frame's "previous" is the empty canvas.
    const int dispose = index == 0 && f.dispose == 2 ? 1 : f.dispose;
    const QImage saved = dispose == 2 ? canvas.copy(area) : QImage();
    const QImage pixels = decodeFrame(f);
    if (pixels.isNull() || (dispose == 2 && saved.isNull()))
        return false;
    const size_t rowBytes = size_t(f.width) * sizeof(QRgba64);
    for (int y = 0; y < f.height; ++y) {
        QRgba64* to = pixelsAt(canvas, f.x, f.y + y);
        const auto* from = reinterpret_cast<const QRgba64*>(pixels.constScanLine(y));
        if (f.blend == 0) {
            memcpy(to, from, rowBytes);
        } else {
            for (int x = 0; x < f.width; ++x)
                to[x] = over(from[x], to[x]);
        }
    }
    if (index == 0 && pixels.colorSpace().isValid())
        canvas.setColorSpace(pixels.colorSpace());
    // 16-bit animations stay 16-bit; 8-bit ones lose nothing going back.
    output = depth == 16 ? canvas.copy() : canvas.convertToFormat(QImage::Format_ARGB32);
    if (output.isNull())
        return false;
    for (int y = 0; y < f.height; ++y) {
        QRgba64* to = pixelsAt(canvas, f.x, f.y + y);
        if (dispose == 1)
            memset(static_cast<void*>(to), 0, rowBytes);
        else if (dispose == 2)
            memcpy(to, saved.constScanLine(y), rowBytes);
    }
    return true;
}

QImage ApngDecoder::frame(int index) {
    if (index < 0 || index >= frames.size())
        return QImage();
    if (index == composed)
        return output;
    if (index < composed || composed < 0) {
        // The canvas, its output, a frame decoded and widened, a saved area.
        if (!DecodeLimits::allows(canvasWidth, canvasHeight, 8, 8 + 8 + 8 + 8))
            return QImage();
        // Composited in 16 bits per channel with straight alpha.
        canvas = QImage(canvasWidth, canvasHeight, QImage::Format_RGBA64);
        if (canvas.isNull())
            return QImage();
        canvas.fill(Qt::transparent);
        composed = -1;
    }
    while (composed < index) {
        if (!compose(composed + 1)) {
            // The canvas is in an unknown state: start again next time.
            composed = -1;
            output = QImage();
            return QImage();
        }
        ++composed;
    }
    return output;
}
