#pragma once

#include <QImage>
#include <tiff.h>

typedef struct tiff TIFF;

// How one TIFF page stores its pixels, as its tags say (libtiff's defaults
// where they are absent), and which way TiffDecoder reads them.
struct TiffLayout {
    enum class Model { Gray, Rgb, Cmyk, Palette, Other };

    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 1;
    uint16_t samples = 1;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    Model model = Model::Other;
    int colorSamples = 1;
    bool alpha = false;
    bool associated = false;
    double minValue = 0.0; // the range of floating-point samples
    double maxValue = 1.0;

    // The current directory's layout.
    static TiffLayout read(TIFF* t);

    bool separate() const { return planar == PLANARCONFIG_SEPARATE && samples > 1; }
    int wanted() const { return colorSamples + (alpha ? 1 : 0); }
    // Whether the samples are read one by one (rather than by libtiff's RGBA reader).
    bool readsSamples() const;
    // Whether more than 8 bits a sample are worth keeping.
    bool deep() const;
    // The image format for the samples, at 16 bits a sample or at 8.
    QImage::Format format(bool sixteen) const;
};
