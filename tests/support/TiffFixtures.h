#pragma once

#include <QByteArray>
#include <QSize>
#include <QtGlobal>

// TIFF files of any layout libtiff writes, holding known smooth ramps, for
// the layouts the usual tools do not write (planar, tiled, 12-bit, float,
// 16-bit CMYK, ...).
class TiffFixtures {
public:
    struct Layout {
        int bits = 8;
        int samples = 3; // colour samples plus extraSamples
        int photometric = 2; // PHOTOMETRIC_RGB
        int extraSamples = 0; // the first one is unassociated alpha
        bool planar = false;
        bool tiled = false;
        int sampleFormat = 1; // SAMPLEFORMAT_UINT
        int compression = 1; // COMPRESSION_NONE
        int orientation = 1;
    };
    static constexpr QSize size{40, 24};

    // The 16-bit value sample c of pixel (x, y) stands for; palette pages
    // store its top bits as the index, and colormap maps index i to
    // (i, 255 - i, i / 2) in 8-bit terms, scaled to 16 bits.
    static quint16 sample(int x, int y, int c);
    // The file, or nothing when libtiff refuses the layout.
    static QByteArray write(const Layout& layout);
};
