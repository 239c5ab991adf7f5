#include "platform/imagesource/ApngDecoder.h"

#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/PngChunks.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <array>

namespace {

quint32 crc32(const QByteArray& data) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xffffffffu;
    for (const char byte : data)
        c = table[(c ^ uchar(byte)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void appendBe32(QByteArray& out, quint32 v) {
    out += char(v >> 24);
    out += char(v >> 16);
    out += char(v >> 8);
    out += char(v);
}

void appendChunk(QByteArray& out, const char* type, const QByteArray& data) {
    appendBe32(out, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    out += typed;
    appendBe32(out, crc32(typed));
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
    colorType = uchar(ihdr.at(9));
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
            if (idatIsFrame && current == &parsed.first())
                current->data.append({chunk.offset, chunk.length});
        } else if (chunk.type == "fdAT" && current && seenIdat && !(idatIsFrame && current == &parsed.first())) {
            if (chunk.length <= 4)
                return;
            current->data.append({chunk.offset + 4, chunk.length - 4});
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

bool ApngDecoder::hasAlpha() const {
    return colorType == 4 || colorType == 6 || sharedChunks.contains("tRNS");
}

double ApngDecoder::delay(int index) const {
    if (index < 0 || index >= frames.size())
        return 0.0;
    const Frame& f = frames[index];
    return double(f.delayNumerator) / double(f.delayDenominator == 0 ? 100 : f.delayDenominator);
}

QImage ApngDecoder::decodeFrame(const Frame& frame) const {
    QByteArray header = ihdr;
    for (int i = 0; i < 4; ++i) {
        header[i] = char(frame.width >> (24 - 8 * i));
        header[4 + i] = char(frame.height >> (24 - 8 * i));
    }
    QByteArray data;
    for (const auto& [offset, length] : frame.data)
        data += QByteArray::fromRawData(bytes.constData() + offset, length);
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    png += sharedChunks;
    appendChunk(png, "IDAT", data);
    appendChunk(png, "IEND", QByteArray());
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image;
    if (!reader.read(&image) || image.size() != QSize(frame.width, frame.height))
        return QImage();
    return image;
}

bool ApngDecoder::compose(int index) {
    const Frame& f = frames[index];
    const QRect area(f.x, f.y, f.width, f.height);
    // The first frame's "previous" is the empty canvas.
    const int dispose = index == 0 && f.dispose == 2 ? 1 : f.dispose;
    const QImage saved = dispose == 2 ? canvas.copy(area) : QImage();
    const QImage pixels = decodeFrame(f);
    if (pixels.isNull())
        return false;
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(f.blend == 0 ? QPainter::CompositionMode_Source
                                                : QPainter::CompositionMode_SourceOver);
        painter.drawImage(area.topLeft(), pixels);
    }
    if (index == 0 && pixels.colorSpace().isValid())
        canvas.setColorSpace(pixels.colorSpace());
    output = canvas.copy();
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (dispose == 1)
        painter.fillRect(area, Qt::transparent);
    else if (dispose == 2)
        painter.drawImage(area.topLeft(), saved);
    return true;
}

QImage ApngDecoder::frame(int index) {
    if (index < 0 || index >= frames.size())
        return QImage();
    if (index == composed)
        return output;
    if (index < composed || composed < 0) {
        if (!DecodeLimits::allows(canvasWidth, canvasHeight, 4, 8))
            return QImage();
        canvas = QImage(canvasWidth, canvasHeight, QImage::Format_ARGB32_Premultiplied);
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
