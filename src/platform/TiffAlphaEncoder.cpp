#include "platform/TiffAlphaEncoder.h"

#include <QColorSpace>

#include <cstring>
#include <tiffio.h>

namespace {

struct MemoryFile {
    QByteArray bytes;
    toff_t position = 0;
};

tsize_t readProc(thandle_t, tdata_t, tsize_t) {
    return 0;
}

tsize_t writeProc(thandle_t h, tdata_t data, tsize_t size) {
    auto* m = static_cast<MemoryFile*>(h);
    const toff_t end = m->position + toff_t(size);
    if (end > toff_t(m->bytes.size()))
        m->bytes.resize(qsizetype(end));
    std::memcpy(m->bytes.data() + m->position, data, size_t(size));
    m->position = end;
    return size;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence) {
    auto* m = static_cast<MemoryFile*>(h);
    if (whence == SEEK_CUR)
        offset += m->position;
    else if (whence == SEEK_END)
        offset += toff_t(m->bytes.size());
    m->position = offset;
    return offset;
}

int closeProc(thandle_t) {
    return 0;
}

toff_t sizeProc(thandle_t h) {
    return toff_t(static_cast<MemoryFile*>(h)->bytes.size());
}

int mapProc(thandle_t, tdata_t*, toff_t*) {
    return 0;
}

void unmapProc(thandle_t, tdata_t, toff_t) {}

} // namespace

QByteArray TiffAlphaEncoder::encode(const QImage& image) {
    if (image.isNull())
        return QByteArray();
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    MemoryFile memory;
    TIFFSetWarningHandler(nullptr);
    TIFF* tiff = TIFFClientOpen("export", "w", &memory, readProc, writeProc, seekProc, closeProc,
                                sizeProc, mapProc, unmapProc);
    if (!tiff)
        return QByteArray();
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    const QByteArray icc = QColorSpace(QColorSpace::SRgb).iccProfile();
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(rgba.width())) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(rgba.height())) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4) &&
              TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0)) &&
              TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.constData());
    for (int y = 0; ok && y < rgba.height(); ++y)
        ok =
            TIFFWriteScanline(tiff, const_cast<uchar*>(rgba.constScanLine(y)), uint32_t(y), 0) == 1;
    ok = ok && TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    return ok ? memory.bytes : QByteArray();
}
