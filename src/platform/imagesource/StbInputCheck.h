#pragma once

#include <QByteArray>

// Checks of the data stb_image is about to decode. stb reads past the end of
// its input as zeros, so a cut file would show half black: only whole data
// gets that far.
class StbInputCheck {
public:
    // Whether the composite image data of a Photoshop file is all there.
    static bool psdIsWhole(const QByteArray& bytes);
};
