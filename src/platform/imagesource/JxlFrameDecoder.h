#pragma once

#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QList>
#include <functional>
#include <optional>

struct JxlDecoderStruct;

// libjxl's decoder over one JPEG XL file, kept between calls so that the
// frames of an animation are read forward once and a still image's first
// look (its DC pass) is finished into the full image by the same decode.
// Frames come back composited and upright, in sRGB: 8 or 16 bits as the
// file holds them, floating-point and HDR (PQ, HLG) data tone-mapped.
class JxlFrameDecoder {
  public:
    struct Info {
        int width = 0; // upright
        int height = 0;
        int bitsPerSample = 8;
        bool isFloat = false;
        bool hasAlpha = false;
        bool gray = false;
        bool xyb = false;  // lossy data the decoder can render in any colour space
        bool hdr = false;  // floating-point samples, or a PQ or HLG transfer
        int transfer = 13; // H.273 code of the original transfer
        float intensityTarget = 255.0f;
        bool animated = false;
        int loopCount = 0;
        QList<int> delays; // per frame, in milliseconds; one entry for a still
        QString profileName;
    };

    // The header and, for an animation, every frame header: nothing when
    // the file is no JPEG XL or its headers are damaged or absurd.
    static std::optional<Info> scan(const QByteArray& bytes);

    // The bytes must outlive the decoder.
    JxlFrameDecoder(const QByteArray& bytes, const Info& info);
    ~JxlFrameDecoder();
    JxlFrameDecoder(const JxlFrameDecoder&) = delete;
    JxlFrameDecoder& operator=(const JxlFrameDecoder&) = delete;

    // Frame `index` complete; null when it cannot be decoded.
    QImage frame(int index);
    // Frame 0 as its DC pass renders it (an eighth of the detail, full
    // size): null when the file reaches no such pass before the whole image.
    // A following frame(0) finishes the same decode.
    QImage dcPass();

    // Frame 0 rendered once through, handed to `sink` a span of a row at a
    // time as the library finishes it, never held whole: the way of an
    // image too large to decode whole. Spans come in no set order, from
    // several threads at once, as RGBA at 8 bits a channel or 16 when
    // `deep`; `space` is their colour space, set before the first. HDR
    // data, which is tone-mapped as a whole, and damaged data give false.
    // `ordered` renders on one thread, so that whole rows of groups come
    // from the top.
    using SpanSink = std::function<void(int x, int y, int count, const uchar* pixels)>;
    bool spans(bool deep, bool ordered, const SpanSink& sink, QColorSpace* space) const;

  private:
    enum class Stop { Whole, DcPass };
    QImage run(int index, Stop stop);
    bool restart();
    void reset();
    bool fitsBudget() const;
    bool prepareOutput();
    QImage finished(bool partial);
    void setPreferredColor(JxlDecoderStruct* d) const;
    QColorSpace dataColorSpace(JxlDecoderStruct* d) const;

    const QByteArray& bytes;
    const Info info;
    JxlDecoderStruct* decoder = nullptr;
    void* runner = nullptr;
    int position = 0;       // the frame the decoder reports next
    int inProgress = -1;    // the frame whose output buffer is being filled
    QImage whole;           // frame 0, when a dcPass() call met the whole image first
    QImage output;          // 8 and 16 bits
    std::vector<float> hdr; // linear-light floats
};
