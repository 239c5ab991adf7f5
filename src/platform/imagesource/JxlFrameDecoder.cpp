#include "platform/imagesource/JxlFrameDecoder.h"

#include "platform/Cancellation.h"
#include "platform/LargeImage.h"
#include "platform/imagesource/ColorConversion.h"
#include "platform/imagesource/DecodeLimits.h"

#include <jxl/decode.h>
#include <jxl/resizable_parallel_runner.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int maxFrames = 100000;
// HDR content is brought to a scale where 1.0 is the reference white of
// SDR video (203 cd/m²), so that the tone mapping keeps it as bright as
// SDR pictures and compresses only what lies above.
constexpr float referenceWhite = 203.0f;

const uint8_t* dataOf(const QByteArray& bytes) {
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}

// The H.273 primaries of an encoded profile (JPEG XL numbers them alike,
// keeping the white point apart); 0 for custom ones.
int cicpPrimaries(const JxlColorEncoding& c) {
    if (c.primaries == JXL_PRIMARIES_P3)
        return c.white_point == JXL_WHITE_POINT_D65 ? 12 : 11;
    if (c.primaries == JXL_PRIMARIES_CUSTOM || c.white_point != JXL_WHITE_POINT_D65)
        return 0;
    return int(c.primaries);
}

float pqToLinear(float v) {
    // SMPTE ST 2084: encoded value to cd/m², over 10000.
    const float m1 = 2610.0f / 16384.0f, m2 = 2523.0f / 4096.0f * 128.0f;
    const float c1 = 3424.0f / 4096.0f, c2 = 2413.0f / 4096.0f * 32.0f,
                c3 = 2392.0f / 4096.0f * 32.0f;
    const float p = std::pow(std::max(v, 0.0f), 1.0f / m2);
    return std::pow(std::max(p - c1, 0.0f) / (c2 - c3 * p), 1.0f / m1);
}

float hlgToLinear(float v) {
    // ITU-R BT.2100 inverse OETF, scene light 0-1.
    const float a = 0.17883277f, b = 0.28466892f, c = 0.55991073f;
    v = std::max(v, 0.0f);
    return v <= 0.5f ? v * v / 3.0f : (std::exp((v - c) / a) + b) / 12.0f;
}

float srgbToLinear(float v) {
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

// A decoder and its threads for one pass, released with it.
struct Pass {
    JxlDecoder* decoder = JxlDecoderCreate(nullptr);
    void* runner = JxlResizableParallelRunnerCreate(nullptr);
    ~Pass() {
        if (decoder)
            JxlDecoderDestroy(decoder);
        if (runner)
            JxlResizableParallelRunnerDestroy(runner);
    }
};

// libjxl 0.7 renders integer output for a callback into a frame-sized
// buffer of its own first; floats go straight from its pipeline. They are
// rounded here as the library rounds them into a buffer.
struct SpanOutput {
    const JxlFrameDecoder::SpanSink* sink;
    bool deep;
};

template <typename T> void rounded(const float* from, size_t n, float scale, T* to) {
    for (size_t i = 0; i < n; ++i)
        to[i] = T(std::lrint(std::clamp(from[i], 0.0f, 1.0f) * scale));
}

void toSink(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
    const auto* out = static_cast<const SpanOutput*>(opaque);
    const auto* floats = static_cast<const float*>(pixels);
    thread_local std::vector<quint16> samples;
    const size_t n = count * 4;
    samples.resize((n + 1) / 2 * (out->deep ? 2 : 1));
    if (out->deep)
        rounded(floats, n, 65535.0f, samples.data());
    else
        rounded(floats, n, 255.0f, reinterpret_cast<uchar*>(samples.data()));
    (*out->sink)(int(x), int(y), int(count), reinterpret_cast<const uchar*>(samples.data()));
}

} // namespace

std::optional<JxlFrameDecoder::Info> JxlFrameDecoder::scan(const QByteArray& bytes) {
    if (JxlSignatureCheck(dataOf(bytes), size_t(bytes.size())) < JXL_SIG_CODESTREAM)
        return std::nullopt;
    JxlDecoder* d = JxlDecoderCreate(nullptr);
    if (!d)
        return std::nullopt;
    Info info;
    JxlBasicInfo basic{};
    double tickMs = 0.0;
    bool ok = JxlDecoderSubscribeEvents(d, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                               JXL_DEC_FRAME) == JXL_DEC_SUCCESS &&
              JxlDecoderSetInput(d, dataOf(bytes), size_t(bytes.size())) == JXL_DEC_SUCCESS;
    JxlDecoderCloseInput(d);
    bool done = false;
    while (ok && !done) {
        switch (JxlDecoderProcessInput(d)) {
        case JXL_DEC_BASIC_INFO:
            ok = JxlDecoderGetBasicInfo(d, &basic) == JXL_DEC_SUCCESS;
            if (!ok)
                break;
            info.width = int(std::min<uint32_t>(basic.xsize, INT32_MAX));
            info.height = int(std::min<uint32_t>(basic.ysize, INT32_MAX));
            if (basic.orientation >= JXL_ORIENT_TRANSPOSE)
                std::swap(info.width, info.height);
            info.bitsPerSample = int(basic.bits_per_sample);
            info.isFloat = basic.exponent_bits_per_sample > 0;
            info.hasAlpha = basic.alpha_bits > 0;
            info.gray = basic.num_color_channels == 1;
            info.xyb = !basic.uses_original_profile;
            info.intensityTarget = basic.intensity_target > 0 ? basic.intensity_target : 255.0f;
            info.animated = basic.have_animation;
            info.loopCount = int(std::min<uint32_t>(basic.animation.num_loops, INT32_MAX));
            if (info.animated && basic.animation.tps_numerator > 0)
                tickMs = 1000.0 * basic.animation.tps_denominator / basic.animation.tps_numerator;
            ok = DecodeLimits::allowsSize(info.width, info.height) && info.bitsPerSample >= 1 &&
                 info.bitsPerSample <= 32;
            break;
        case JXL_DEC_COLOR_ENCODING: {
            JxlColorEncoding encoding{};
            if (JxlDecoderGetColorAsEncodedProfile(d, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                                   &encoding) == JXL_DEC_SUCCESS) {
                info.transfer = int(encoding.transfer_function);
                const QColorSpace space =
                    ColorConversion::fromCicp(cicpPrimaries(encoding), info.transfer);
                info.profileName = space.isValid() ? space.description() : QString();
            } else {
                size_t size = 0;
                if (JxlDecoderGetICCProfileSize(d, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                                &size) == JXL_DEC_SUCCESS &&
                    size > 0 && size < (16u << 20)) {
                    QByteArray icc(qsizetype(size), Qt::Uninitialized);
                    if (JxlDecoderGetColorAsICCProfile(
                            d, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                            reinterpret_cast<uint8_t*>(icc.data()), size) == JXL_DEC_SUCCESS)
                        info.profileName = QColorSpace::fromIccProfile(icc).description();
                }
            }
            info.hdr = info.isFloat || info.transfer == JXL_TRANSFER_FUNCTION_PQ ||
                       info.transfer == JXL_TRANSFER_FUNCTION_HLG;
            if (!info.animated) {
                info.delays = {0};
                done = true;
            }
            break;
        }
        case JXL_DEC_FRAME: {
            JxlFrameHeader header{};
            ok = JxlDecoderGetFrameHeader(d, &header) == JXL_DEC_SUCCESS &&
                 info.delays.size() < maxFrames;
            if (ok)
                info.delays.append(int(std::min(std::lround(header.duration * tickMs), 3600000L)));
            break;
        }
        case JXL_DEC_SUCCESS:
            done = true;
            break;
        default: // an error, or data that ends early
            ok = false;
            break;
        }
    }
    JxlDecoderDestroy(d);
    if (!ok || info.delays.isEmpty())
        return std::nullopt;
    return info;
}

JxlFrameDecoder::JxlFrameDecoder(const QByteArray& bytes, const Info& info)
    : bytes(bytes), info(info) {}

JxlFrameDecoder::~JxlFrameDecoder() {
    reset();
}

void JxlFrameDecoder::reset() {
    if (decoder)
        JxlDecoderDestroy(decoder);
    if (runner)
        JxlResizableParallelRunnerDestroy(runner);
    decoder = nullptr;
    runner = nullptr;
    position = 0;
    inProgress = -1;
}

bool JxlFrameDecoder::restart() {
    if (!decoder) {
        decoder = JxlDecoderCreate(nullptr);
        runner = JxlResizableParallelRunnerCreate(nullptr);
        if (!decoder || !runner)
            return false;
        JxlResizableParallelRunnerSetThreads(
            runner, JxlResizableParallelRunnerSuggestThreads(info.width, info.height));
        if (JxlDecoderSetParallelRunner(decoder, JxlResizableParallelRunner, runner) !=
                JXL_DEC_SUCCESS ||
            JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE) != JXL_DEC_SUCCESS)
            return false;
    } else {
        JxlDecoderRewind(decoder);
    }
    // Subscribed again after a rewind: libjxl 0.7 forgets the events there
    // and reports success at once.
    int events = JXL_DEC_COLOR_ENCODING | JXL_DEC_FRAME | JXL_DEC_FULL_IMAGE;
    if (!info.animated)
        events |= JXL_DEC_FRAME_PROGRESSION;
    if (JxlDecoderSubscribeEvents(decoder, events) != JXL_DEC_SUCCESS)
        return false;
    if (!info.animated)
        JxlDecoderSetProgressiveDetail(decoder, kDC);
    position = 0;
    inProgress = -1;
    if (JxlDecoderSetInput(decoder, dataOf(bytes), size_t(bytes.size())) != JXL_DEC_SUCCESS)
        return false;
    JxlDecoderCloseInput(decoder);
    return true;
}

void JxlFrameDecoder::setPreferredColor(JxlDecoder* d) const {
    // Lossy (XYB) data can be rendered in any space: sRGB itself, or linear
    // light for HDR so that it can be tone-mapped. Other data comes in its
    // own space and is converted afterwards.
    if (!info.xyb)
        return;
    JxlColorEncoding c{};
    c.color_space = info.gray ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
    c.white_point = JXL_WHITE_POINT_D65;
    c.primaries = JXL_PRIMARIES_SRGB;
    c.transfer_function = info.hdr ? JXL_TRANSFER_FUNCTION_LINEAR : JXL_TRANSFER_FUNCTION_SRGB;
    c.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
    JxlDecoderSetPreferredColorProfile(d, &c);
}

QColorSpace JxlFrameDecoder::dataColorSpace(JxlDecoder* d) const {
    if (info.xyb && !info.hdr)
        return QColorSpace(); // already sRGB
    JxlColorEncoding c{};
    if (JxlDecoderGetColorAsEncodedProfile(d, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &c) ==
        JXL_DEC_SUCCESS) {
        const int primaries = cicpPrimaries(c);
        if (info.hdr) // tone mapping leaves sRGB-encoded values: only the primaries remain
            return primaries == 1 ? QColorSpace() : ColorConversion::fromCicp(primaries, 13);
        if (c.transfer_function == JXL_TRANSFER_FUNCTION_GAMMA && primaries != 0 && c.gamma > 0.0)
            return ColorConversion::fromCicp(primaries, 13)
                .withTransferFunction(QColorSpace::TransferFunction::Gamma, float(1.0 / c.gamma));
        if (primaries != 0) {
            const QColorSpace space =
                ColorConversion::fromCicp(primaries, int(c.transfer_function));
            if (space.isValid())
                return space == QColorSpace(QColorSpace::SRgb) ? QColorSpace() : space;
        }
    }
    size_t size = 0;
    if (info.hdr ||
        JxlDecoderGetICCProfileSize(d, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
            JXL_DEC_SUCCESS ||
        size == 0 || size > (16u << 20))
        return QColorSpace();
    QByteArray icc(qsizetype(size), Qt::Uninitialized);
    if (JxlDecoderGetColorAsICCProfile(d, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<uint8_t*>(icc.data()),
                                       size) != JXL_DEC_SUCCESS)
        return QColorSpace();
    return QColorSpace::fromIccProfile(icc);
}

bool JxlFrameDecoder::prepareOutput() {
    JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (!fitsBudget())
        return false;
    if (info.hdr) {
        format.data_type = JXL_TYPE_FLOAT;
        hdr.assign(size_t(info.width) * size_t(info.height) * 4, 0.0f);
        return JxlDecoderSetImageOutBuffer(decoder, &format, hdr.data(),
                                           hdr.size() * sizeof(float)) == JXL_DEC_SUCCESS;
    }
    const bool deep = info.bitsPerSample > 8;
    if (deep)
        format.data_type = JXL_TYPE_UINT16;
    output = LargeImage::allocate(
        QSize(info.width, info.height),
        deep ? (info.hasAlpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
             : (info.hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888));
    if (output.isNull())
        return false;
    format.align = size_t(output.bytesPerLine());
    return JxlDecoderSetImageOutBuffer(decoder, &format, output.bits(),
                                       size_t(output.sizeInBytes())) == JXL_DEC_SUCCESS;
}

bool JxlFrameDecoder::fitsBudget() const {
    // HDR: our image (4 bytes a pixel) besides the floats (16) and the
    // library's own planes (about as many again). Otherwise the library's
    // planes hold floats while it decodes.
    if (info.hdr)
        return DecodeLimits::allows(info.width, info.height, 4, 32);
    const bool deep = info.bitsPerSample > 8;
    return DecodeLimits::allows(info.width, info.height, deep ? 8 : 4, 16);
}

QImage JxlFrameDecoder::finished(bool partial) {
    QImage image;
    if (info.hdr) {
        std::vector<float> light = partial ? hdr : std::move(hdr);
        const bool encodedHdr =
            info.transfer == JXL_TRANSFER_FUNCTION_PQ || info.transfer == JXL_TRANSFER_FUNCTION_HLG;
        float scale = 1.0f;
        float (*toLinear)(float) = nullptr;
        if (info.xyb) {
            // The library rendered linear light, 1.0 at the intensity target.
            scale = encodedHdr ? info.intensityTarget / referenceWhite : 1.0f;
        } else if (info.transfer == JXL_TRANSFER_FUNCTION_PQ) {
            toLinear = pqToLinear;
            scale = 10000.0f / referenceWhite;
        } else if (info.transfer == JXL_TRANSFER_FUNCTION_HLG) {
            toLinear = hlgToLinear;
            scale = info.intensityTarget / referenceWhite;
        } else if (info.transfer != JXL_TRANSFER_FUNCTION_LINEAR) {
            toLinear = srgbToLinear; // float data on a display curve
        }
        if (toLinear || scale != 1.0f) {
            for (size_t i = 0; i < light.size(); i += 4) {
                for (size_t k = 0; k < 3; ++k)
                    light[i + k] = (toLinear ? toLinear(light[i + k]) : light[i + k]) * scale;
            }
        }
        image = ColorConversion::toneMapped(light, info.width, info.height, info.hasAlpha);
    } else {
        // A partial image is a copy, since the library goes on writing into
        // ours: made by the conversion itself where there is one, into
        // memory that is quick to fill, as the copy is all the first look
        // adds to the library's work.
        const QImage::Format qtFormat = info.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
        const bool convert = output.depth() == 32;
        if (partial)
            image = LargeImage::copy(output, convert ? qtFormat : output.format());
        else if (convert)
            image = LargeImage::converted(std::exchange(output, QImage()), qtFormat);
        else
            image = std::exchange(output, QImage());
    }
    image.setColorSpace(dataColorSpace(decoder));
    return ColorConversion::toSRGB(std::move(image));
}

QImage JxlFrameDecoder::run(int index, Stop stop) {
    // Checked before the library sees a frame: it sizes its planes by the header.
    if (index < 0 || index >= info.delays.size() || !fitsBudget())
        return QImage();
    // Going back, or leaving a frame half done, starts over; going forward
    // skips the frames between without rendering them.
    if (!decoder || index < position || (inProgress >= 0 && inProgress != index)) {
        if (!restart()) {
            reset();
            return QImage();
        }
    }
    if (inProgress < 0 && index > position) {
        JxlDecoderSkipFrames(decoder, size_t(index - position));
        position = index;
    }
    for (;;) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_COLOR_ENCODING:
            setPreferredColor(decoder);
            break;
        case JXL_DEC_FRAME:
            inProgress = position;
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            if (!prepareOutput()) {
                reset();
                return QImage();
            }
            break;
        case JXL_DEC_FRAME_PROGRESSION:
            if (stop == Stop::DcPass && inProgress == index &&
                JxlDecoderFlushImage(decoder) == JXL_DEC_SUCCESS)
                return finished(true);
            break;
        case JXL_DEC_FULL_IMAGE: {
            const int done = position++;
            inProgress = -1;
            if (done == index && stop == Stop::DcPass) {
                whole = finished(false); // no pass before the whole: nothing quicker to show
                return QImage();
            }
            if (done == index)
                return finished(false);
            break;
        }
        default: // an error, data that ends early, or no such frame
            reset();
            return QImage();
        }
    }
}

QImage JxlFrameDecoder::frame(int index) {
    if (index == 0 && !whole.isNull())
        return std::exchange(whole, QImage());
    return run(index, Stop::Whole);
}

QImage JxlFrameDecoder::dcPass() {
    return run(0, Stop::DcPass);
}

bool JxlFrameDecoder::spans(bool deep, bool ordered, const SpanSink& sink,
                            QColorSpace* space) const {
    // What the library keeps of the frame meanwhile: the data of its
    // blocks, a few bytes a pixel.
    if (info.hdr || !DecodeLimits::allowsWork(qint64(info.width) * info.height * 4))
        return false;
    Pass pass;
    if (!pass.decoder || !pass.runner)
        return false;
    JxlDecoder* d = pass.decoder;
    // Without a runner the library renders its groups in order, on this thread.
    JxlResizableParallelRunnerSetThreads(
        pass.runner, JxlResizableParallelRunnerSuggestThreads(info.width, info.height));
    if ((!ordered && JxlDecoderSetParallelRunner(d, JxlResizableParallelRunner, pass.runner) !=
                         JXL_DEC_SUCCESS) ||
        JxlDecoderSetUnpremultiplyAlpha(d, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(d, JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS)
        return false;
    // The input goes in a few megabytes at a time: between them a pass
    // that nobody waits for any more stops.
    constexpr size_t step = 4 << 20;
    const size_t size = size_t(bytes.size());
    size_t offset = 0, end = 0;
    const auto feed = [&] {
        if (end == size || Cancellation::requested())
            return false;
        if (end > 0)
            offset = end - JxlDecoderReleaseInput(d);
        end = std::min(size, end + step);
        if (JxlDecoderSetInput(d, dataOf(bytes) + offset, end - offset) != JXL_DEC_SUCCESS)
            return false;
        if (end == size)
            JxlDecoderCloseInput(d);
        return true;
    };
    if (!feed())
        return false;
    const JxlPixelFormat format{4, JXL_TYPE_FLOAT, JXL_NATIVE_ENDIAN, 0};
    const SpanOutput output{&sink, deep};
    for (;;) {
        switch (JxlDecoderProcessInput(d)) {
        case JXL_DEC_COLOR_ENCODING:
            setPreferredColor(d);
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            *space = dataColorSpace(d);
            if (JxlDecoderSetImageOutCallback(d, &format, toSink,
                                              const_cast<SpanOutput*>(&output)) != JXL_DEC_SUCCESS)
                return false;
            break;
        case JXL_DEC_NEED_MORE_INPUT:
            if (!feed())
                return false;
            break;
        case JXL_DEC_FULL_IMAGE:
            return true; // frame 0, composited
        default:         // an error, or data that ends early
            return false;
        }
    }
}
