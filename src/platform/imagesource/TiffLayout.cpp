#include "platform/imagesource/TiffLayout.h"

#include <tiffio.h>

TiffLayout TiffLayout::read(TIFF* t) {
    TiffLayout l;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &l.sampleFormat);
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &l.compression);
    TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &l.orientation);
    if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t inkSet = INKSET_CMYK;
    TIFFGetFieldDefaulted(t, TIFFTAG_INKSET, &inkSet);
    switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        l.model = Model::Gray;
        break;
    case PHOTOMETRIC_RGB:
        l.model = Model::Rgb, l.colorSamples = 3;
        break;
    case PHOTOMETRIC_PALETTE:
        l.model = Model::Palette;
        break;
    case PHOTOMETRIC_SEPARATED:
        if (inkSet == INKSET_CMYK)
            l.model = Model::Cmyk, l.colorSamples = 4;
        break;
    default:
        break;
    }
    if (l.samples < l.colorSamples)
        l.model = Model::Other;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    // The first sample past the colour is alpha, also where the file leaves
    // its meaning unstated (or forgets to declare it), as other readers take it.
    l.alpha = l.model != Model::Other && l.samples > l.colorSamples &&
              (extraCount > 0 || l.model == Model::Rgb || l.model == Model::Gray);
    l.associated =
        l.alpha && extraCount > 0 && extraTypes && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    if (l.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        double low = 0.0, high = 0.0;
        if (TIFFGetField(t, TIFFTAG_SMINSAMPLEVALUE, &low) &&
            TIFFGetField(t, TIFFTAG_SMAXSAMPLEVALUE, &high) && high > low) {
            l.minValue = low;
            l.maxValue = high;
        }
    }
    return l;
}

bool TiffLayout::readsSamples() const {
    if (model == Model::Other || compression == COMPRESSION_OJPEG)
        return false;
    switch (sampleFormat) {
    case SAMPLEFORMAT_UINT:
    case SAMPLEFORMAT_VOID:
        return bits >= 1 && bits <= (model == Model::Palette ? 16 : 32);
    case SAMPLEFORMAT_INT:
        return model != Model::Palette && (bits == 8 || bits == 16 || bits == 32);
    case SAMPLEFORMAT_IEEEFP:
        return model != Model::Palette && (bits == 16 || bits == 32 || bits == 64);
    default:
        return false;
    }
}

bool TiffLayout::deep() const {
    return model != Model::Palette && (bits > 8 || sampleFormat == SAMPLEFORMAT_IEEEFP);
}

QImage::Format TiffLayout::format(bool sixteen) const {
    if (model == Model::Gray && !alpha)
        return sixteen ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8;
    if (!alpha)
        return sixteen ? QImage::Format_RGBX64 : QImage::Format_RGB32;
    if (associated)
        return sixteen ? QImage::Format_RGBA64_Premultiplied : QImage::Format_ARGB32_Premultiplied;
    return sixteen ? QImage::Format_RGBA64 : QImage::Format_ARGB32;
}
