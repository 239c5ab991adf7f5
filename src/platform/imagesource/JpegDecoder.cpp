#include "platform/imagesource/JpegDecoder.h"

#include "platform/Cancellation.h"
#include "platform/LargeImage.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/DecodeLimits.h"
#include "platform/imagesource/JpegResumedStream.h"
#include "platform/imagesource/JpegScanIndex.h"
#include "platform/imagesource/PartialImage.h"

#include <QColorSpace>
#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jerror.h>
#include <jpeglib.h>
#include <optional>
#include <vector>

namespace {

struct ErrorManager {
    jpeg_error_mgr manager;
    jmp_buf jump;
    bool ended = false; // the data stopped before its end-of-image marker
    bool hitMarker = false; // a scan's data ran out before its rows did
    // Of a progressive image whose first DC scan ran out: the image rows
    // above this one have their DC values.
    int dcRows = INT_MAX;
};

void errorExit(j_common_ptr info) {
    longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void emitMessage(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    if (level >= 0)
        return;
    // The Huffman decoder warns when a scan needs bits the data does not
    // have: libjpeg would go on with grey rows, and a header can claim half a
    // gigapixel over a few bytes of data, so decoding stops at once and the
    // file is damaged.
    if (info->err->msg_code == JWRN_HIT_MARKER) {
        errors->hitMarker = true;
        // A progressive image's coefficients come in passes over the whole
        // image, each making it finer: one cut short still holds a coarse
        // picture, to the depth its passes reached. Only the first DC pass
        // leaves rows without any picture; the iMCU row it stopped in, and
        // the one above it (smoothing and upsampling reach across), are
        // not trusted.
        const auto* d = reinterpret_cast<j_decompress_ptr>(info);
        if (info->is_decompressor && d->progressive_mode && !d->arith_code) {
            if (d->Ss == 0 && d->Ah == 0)
                errors->dcRows = std::min(errors->dcRows, (int(d->input_iMCU_row) - 1) *
                                                              d->max_v_samp_factor * DCTSIZE);
            return;
        }
        longjmp(errors->jump, 1);
    }
    // Running out of data is not damage by itself: the decoder reads ahead
    // past the last scan, and a file that lacks only its final marker holds
    // the whole picture. Whether the scans are complete is judged after.
    if (info->err->msg_code == JWRN_JPEG_EOF)
        errors->ended = true;
}

void outputMessage(j_common_ptr) {}

// Whether a single-scan image's data has run into a marker (the end of the
// file, or of the scan) well before its last rows. The Huffman decoder warns
// of that, the arithmetic one silently decodes the rest as zeros, which for
// a header claiming half a gigapixel takes seconds.
bool endedEarly(jpeg_decompress_struct& info) {
    const int marker = info.unread_marker;
    if (marker == 0 || (marker >= 0xD0 && marker <= 0xD7) || jpeg_has_multiple_scans(&info))
        return false;
    const JDIMENSION lookahead = JDIMENSION(2 * info.max_v_samp_factor * info.min_DCT_scaled_size);
    return info.output_height - info.output_scanline > lookahead;
}

// Whether the data can hold the image its header claims. Huffman coding
// spends at least a bit on each block's DC value, so a header claiming
// twenty thousand pixels a side over a few kilobytes is a lie, refused
// before libjpeg sets aside the coefficients of a progressive image (a
// gigabyte for that claim) or a skip to a region decodes nothing for long.
// Arithmetic coding can spend less than a bit a block; a sixty-fourth is far
// below what real images take.
bool enoughData(const jpeg_decompress_struct& info, qint64 bytes) {
    const qint64 blocks =
        (qint64(info.image_width) + 7) / 8 * ((qint64(info.image_height) + 7) / 8);
    return bytes * 8 * (info.arith_code ? 64 : 1) >= blocks;
}

// Everything that needs cleaning up lives outside the function with setjmp,
// so that a longjmp skips no destructors.
struct Decoding {
    jpeg_decompress_struct info;
    ErrorManager errors;
    jpeg_progress_mgr progress;
    unsigned int scannedComponents = 0; // a bit for each component a scan carried
    bool created = false;
    bool unsupported = false;
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    std::optional<AreaReducer> reducer;
    std::vector<uchar> band; // rows on their way to the reducer or a region
    std::optional<JpegResumedStream> resumed; // what libjpeg reads instead of the file
    // Rows of a whole sequential decode already handed out: each came from
    // complete data, since libjpeg outputs a row only once all it needs is
    // decoded, so a file cut short still shows them as they are.
    int rowsDone = 0;
    jpeg_source_mgr source;
    std::vector<JOCTET> input; // the resumed stream's bytes as they are read
    ~Decoding() {
        if (created)
            jpeg_destroy_decompress(&info);
        free(icc);
    }
};

// Called between the steps of reading the scans of a multi-scan image: notes
// which components the current scan carries.
void noteScan(j_common_ptr common) {
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    auto* d = static_cast<Decoding*>(info->client_data);
    for (int i = 0; i < info->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i) {
        if (info->cur_comp_info[i])
            d->scannedComponents |= 1u << (info->cur_comp_info[i]->component_index & 31);
    }
}

// Whether the scans of a multi-scan image that ended without its final
// marker brought every coefficient of every component to full precision:
// otherwise later scans are missing and the picture is incomplete.
bool scansComplete(const Decoding& d) {
    const jpeg_decompress_struct& info = d.info;
    if (info.arith_code)
        return false; // that decoder does not say where its data ran out
    if (info.progressive_mode) {
        if (!info.coef_bits)
            return false;
        for (int c = 0; c < info.num_components; ++c) {
            for (int k = 0; k < DCTSIZE2; ++k) {
                if (info.coef_bits[c][k] != 0)
                    return false;
            }
        }
        return true;
    }
    const unsigned int all = info.num_components >= 32 ? ~0u : (1u << info.num_components) - 1;
    return (d.scannedComponents & all) == all;
}

// What a decode makes of the rows: the whole image at 1/denominator, the
// image reduced to fit `bound`, or only the `area` (in full-size pixels) of
// the image at 1/denominator.
struct Plan {
    int denominator = 1;
    QSize bound; // when not empty, the rows stream through an AreaReducer
    QRect area;  // when not empty, only these pixels are kept
    // When set, the whole image goes here in bands, none of it kept.
    const std::function<bool(const QImage&)>* bands = nullptr;
    const JpegScanIndex* index = nullptr; // for a region, where to start decoding
};

QColorSpace profileOf(const Decoding& d) {
    return d.icc && d.iccLength > 0 ? QColorSpace::fromIccProfile(QByteArray(
                                          reinterpret_cast<const char*>(d.icc), int(d.iccLength)))
                                    : QColorSpace();
}

// The resumed stream as libjpeg's source, read in pieces.
boolean fillInput(j_decompress_ptr info) {
    auto* d = static_cast<Decoding*>(info->client_data);
    const qsizetype read = d->resumed->read(d->input.data(), qsizetype(d->input.size()));
    if (read == 0) { // as libjpeg's own sources do: an end marker, and a warning
        static const JOCTET end[2] = {0xFF, JPEG_EOI};
        WARNMS(info, JWRN_JPEG_EOF);
        info->src->next_input_byte = end;
        info->src->bytes_in_buffer = 2;
        return TRUE;
    }
    info->src->next_input_byte = d->input.data();
    info->src->bytes_in_buffer = size_t(read);
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
    while (count > long(info->src->bytes_in_buffer)) {
        count -= long(info->src->bytes_in_buffer);
        fillInput(info);
    }
    info->src->next_input_byte += count;
    info->src->bytes_in_buffer -= size_t(count);
}

void noSourceAction(j_decompress_ptr) {}

// For a region, the stream from the index's checkpoint nearest above it,
// the region code's margin included: nothing when that is the image's top.
void resume(Decoding& d, const QByteArray& bytes, const Plan& plan) {
    if (!plan.index || plan.area.isEmpty())
        return;
    const JpegScanIndex::Layout& layout = plan.index->layout();
    const int margin = 2 * DCTSIZE * layout.maxSampling;
    const int top = plan.area.top() / plan.denominator - margin;
    const int checkpoint = top > 0 ? plan.index->checkpointAbove(top * plan.denominator) : -1;
    if (checkpoint < 0)
        return;
    d.resumed.emplace(bytes, *plan.index, checkpoint);
    if (!d.resumed->isValid()) {
        d.resumed.reset();
        return;
    }
    d.input.resize(65536);
    d.source = {};
    d.source.init_source = noSourceAction;
    d.source.fill_input_buffer = fillInput;
    d.source.skip_input_data = skipInput;
    d.source.resync_to_restart = jpeg_resync_to_restart;
    d.source.term_source = noSourceAction;
    d.info.src = &d.source;
    d.info.client_data = &d;
}

// The coarsest DCT scale that still leaves at least `fit`: it does most of a
// reduction for free, and averaging rows does the rest.
int denominatorFor(QSize full, QSize fit) {
    int denominator = 8;
    const auto scaled = [&](int d) {
        return QSize((full.width() + d - 1) / d, (full.height() + d - 1) / d);
    };
    while (denominator > 1 && (scaled(denominator).width() < fit.width() ||
                               scaled(denominator).height() < fit.height()))
        denominator /= 2;
    return denominator;
}

// Fills image (allocated here, after the header) or returns false.
bool run(Decoding& d, const QByteArray& bytes, const Plan& plan, QImage* image) {
    d.info.err = jpeg_std_error(&d.errors.manager);
    d.errors.manager.error_exit = errorExit;
    d.errors.manager.emit_message = emitMessage;
    d.errors.manager.output_message = outputMessage;
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    // A progressive image keeps all its coefficients while it decodes: for a
    // huge one that is libjpeg's allocation, held to the working budget.
    d.info.mem->max_memory_to_use =
        long(std::min<qint64>(DecodeLimits::workBudgetBytes(), LONG_MAX));
    resume(d, bytes, plan);
    if (!d.resumed)
        jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&d.info, JPEG_APP0 + 2, 0xffff); // ICC profile chunks
    if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK)
        return false;
    const bool gray = d.info.jpeg_color_space == JCS_GRAYSCALE;
    if (!gray && d.info.num_components != 3) {
        d.unsupported = true; // CMYK and YCCK: Qt's reader converts them
        return false;
    }
    const QImage::Format format = gray ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
    const int bytesPerPixel = gray ? 1 : 4;
    if (!DecodeLimits::allowsSize(d.info.image_width, d.info.image_height) ||
        !enoughData(d.info, bytes.size()))
        return false;
    // A resumed stream's image lacks the rows above its checkpoint.
    const int skipped = d.resumed ? d.resumed->skippedRows() : 0;
    const QSize full(int(d.info.image_width), int(d.info.image_height) + skipped);
    const QSize fit = AreaReducer::fitted(full, plan.bound);
    d.info.out_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    d.info.scale_num = 1;
    d.info.scale_denom = static_cast<unsigned int>(
        plan.bound.isEmpty() ? plan.denominator : denominatorFor(full, fit));
    jpeg_calc_output_dimensions(&d.info);
    const int shift = skipped / plan.denominator; // in decoded rows
    const QSize decoded(int(d.info.output_width), int(d.info.output_height) + shift);
    const bool region = !plan.area.isEmpty();
    const bool reduce = !region && !plan.bound.isEmpty() && fit != decoded;
    if (region && !QRect(QPoint(), full).contains(plan.area))
        return false;
    // The area in the decoded image's pixels, its edges rounded outwards.
    const int dn = plan.denominator;
    const QRect area =
        region
            ? QRect(QPoint(plan.area.left() / dn, plan.area.top() / dn),
                    QPoint((plan.area.right() + dn) / dn - 1, (plan.area.bottom() + dn) / dn - 1))
                  .intersected(QRect(QPoint(), decoded))
            : QRect();
    const bool bands = plan.bands != nullptr;
    const QSize kept = bands    ? QSize(decoded.width(), std::min(decoded.height(), 16))
                       : region ? area.size()
                       : reduce ? fit
                                : decoded;
    if (!DecodeLimits::allows(kept.width(), kept.height(), bytesPerPixel))
        return false;
    std::optional<AreaReducer>& reducer = d.reducer;
    if (reduce) {
        reducer.emplace(decoded, fit, format);
        if (reducer->isNull())
            return false;
    } else {
        *image = LargeImage::allocate(kept, format);
        if (image->isNull())
            return false;
    }
    const bool multiScan = jpeg_has_multiple_scans(&d.info);
    if (multiScan) {
        d.progress = {};
        d.progress.progress_monitor = noteScan;
        d.info.progress = &d.progress;
        d.info.client_data = &d;
    }
    // A multi-scan image reads all its scans here.
    jpeg_start_decompress(&d.info);
    // A progressive one cut short shows coarse, when the whole image is
    // wanted; the rows its first pass did not reach stay empty.
    const bool whole = !region && !reduce && !bands;
    const bool coarse =
        d.info.progressive_mode && (d.errors.hitMarker || (d.errors.ended && !scansComplete(d)));
    if (coarse) {
        // Without the luminance's first pass there is no picture at all.
        if (!whole || !d.info.coef_bits || d.info.coef_bits[0][0] < 0)
            return false;
    } else if (multiScan && d.errors.ended && !scansComplete(d)) {
        return false;
    }

    // A region is read from a band a little wider and taller than itself:
    // the upsampling of chroma at the band's edges then has the same
    // neighbours as in the whole image, so its pixels match it exactly.
    JDIMENSION left = 0, width = d.info.output_width;
    JDIMENSION top = 0, bottom = d.info.output_height;
    if (region) {
        const int margin =
            2 * DCTSIZE * std::max(d.info.max_h_samp_factor, d.info.max_v_samp_factor);
        left = JDIMENSION(std::max(0, area.left() - margin));
        width = JDIMENSION(std::min(decoded.width(), area.right() + 1 + margin)) - left;
        jpeg_crop_scanline(&d.info, &left, &width);
        top = JDIMENSION(std::max(0, area.top() - shift - margin));
        bottom = JDIMENSION(area.bottom() + 1 - shift);
        if (top > 0 && jpeg_skip_scanlines(&d.info, top) != top)
            return false;
    }
    // Rows that are not the image's own go through this buffer first.
    const bool buffered = region || reduce;
    QColorSpace space;
    if (bands) {
        jpeg_read_icc_profile(&d.info, &d.icc, &d.iccLength);
        space = profileOf(d);
    }
    const size_t rowBytes = size_t(d.info.output_width) * size_t(bytesPerPixel);
    std::vector<uchar>& band = d.band;
    band.resize(buffered ? rowBytes * 16 : 0);
    JSAMPROW rows[16];
    while (d.info.output_scanline < bottom) {
        const JDIMENSION first = d.info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, bottom - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = buffered ? band.data() + i * rowBytes
                      : bands  ? image->scanLine(int(i))
                               : image->scanLine(int(first + i));
        const JDIMENSION read = jpeg_read_scanlines(&d.info, rows, count);
        if (read == 0)
            return false;
        if (!buffered && !bands && !multiScan)
            d.rowsDone = int(first + read);
        if (bands) {
            QImage out = int(read) == image->height()
                             ? *image
                             : image->copy(0, 0, image->width(), int(read));
            if (space.isValid())
                out.setColorSpace(space);
            if (!(*plan.bands)(out))
                return false;
        }
        for (JDIMENSION i = 0; buffered && i < read; ++i) {
            if (reduce) {
                reducer->addRow(rows[i]);
                continue;
            }
            const int y = int(first + i) + shift - area.top();
            if (y >= 0)
                memcpy(image->scanLine(y),
                       rows[i] + size_t(area.left() - int(left)) * size_t(bytesPerPixel),
                       size_t(kept.width()) * size_t(bytesPerPixel));
        }
        if (endedEarly(d.info))
            return false;
        // Nobody wants this image any more (the user stepped on).
        if (Cancellation::requested())
            return false;
    }
    if (!bands)
        jpeg_read_icc_profile(&d.info, &d.icc, &d.iccLength);
    if (region) {
        // The rows below are not needed; finishing would decode them.
        jpeg_abort_decompress(&d.info);
        return true;
    }
    if (reduce)
        *image = reducer->result();
    jpeg_finish_decompress(&d.info);
    if (coarse) {
        const qint64 rows = std::max<qint64>(0, d.errors.dcRows);
        if (rows >= d.info.image_height) {
            PartialImage::markCoarse(*image);
        } else {
            // In decoded rows; a row partly covered is left out.
            *image = PartialImage::keepRows(std::move(*image),
                                            int(rows * d.info.output_height / d.info.image_height));
        }
    }
    return !image->isNull();
}

// `asked`: the caller's own part of the plan (a bound, an area) is sound.
QImage decodeWith(const QByteArray& bytes, const Plan& plan, bool asked, bool* unsupported) {
    if (unsupported)
        *unsupported = false;
    const int d = plan.denominator;
    if (!asked || bytes.isEmpty() || (d != 1 && d != 2 && d != 4 && d != 8))
        return QImage();
    Decoding decoding;
    QImage image;
    if (!run(decoding, bytes, plan, &image)) {
        if (unsupported)
            *unsupported = decoding.unsupported;
        // The Huffman decoder says where its data ran out; the arithmetic
        // one does not, so its rows are not to be trusted.
        if (!decoding.errors.hitMarker || decoding.info.arith_code)
            return QImage();
        image = PartialImage::keepRows(std::move(image), decoding.rowsDone);
        if (image.isNull())
            return QImage();
    }
    if (decoding.icc && decoding.iccLength > 0)
        image.setColorSpace(QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(decoding.icc), int(decoding.iccLength))));
    return image;
}

} // namespace

QImage JpegDecoder::decode(const QByteArray& bytes, int denominator, bool* unsupported) {
    return decodeWith(bytes, Plan{denominator, QSize(), QRect()}, true, unsupported);
}

QImage JpegDecoder::decodeReduced(const QByteArray& bytes, QSize bound, bool* unsupported) {
    return decodeWith(bytes, Plan{1, bound, QRect()}, !bound.isEmpty(), unsupported);
}

bool JpegDecoder::decodeBands(const QByteArray& bytes,
                              const std::function<bool(const QImage& band)>& sink,
                              bool* unsupported) {
    if (unsupported)
        *unsupported = false;
    if (bytes.isEmpty())
        return false;
    Decoding decoding;
    QImage band;
    const bool done = run(decoding, bytes, Plan{1, QSize(), QRect(), &sink}, &band);
    if (unsupported)
        *unsupported = decoding.unsupported;
    return done;
}

QImage JpegDecoder::decodeRegion(const QByteArray& bytes, const QRect& area, int denominator,
                                 bool* unsupported, const JpegScanIndex* index) {
    return decodeWith(bytes, Plan{denominator, QSize(), area, nullptr, index}, !area.isEmpty(),
                      unsupported);
}
