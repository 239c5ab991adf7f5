#pragma once

#include <QByteArray>

// Checks of the data stb_image is about to decode. stb reads past the end of
// its input as zeros, so a cut file would show half black, and its Radiance
// run-length decoder loops for ever on a zero run count or on data that ends
// early: only whole, well-formed data gets that far.
class StbInputCheck {
public:
    // Whether the header, the resolution line and all scanlines of a
    // Radiance HDR file are complete and well formed, and coded the way stb
    // reads them: run-length coded throughout, or flat throughout.
    static bool radianceIsWhole(const QByteArray& bytes);
    // Whether the composite image data of a Photoshop file is all there.
    static bool psdIsWhole(const QByteArray& bytes);
};
