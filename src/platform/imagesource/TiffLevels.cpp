#include "platform/imagesource/TiffLevels.h"

#include "platform/imagesource/TiffLayout.h"

#include <tiffio.h>
#include <vector>

namespace {

// More than any real pyramid has, so that a forged chain ends soon.
constexpr int maxLevels = 32;

struct Level {
    bool sub = false; // a SubIFD, at offset; else the directory at index
    toff_t offset = 0;
    tdir_t index = 0;
    QSize size;
};

// Whether the current directory is a level that can stand for the page: the
// same shape (to a pixel either way), large enough, read sample by sample.
bool fits(TIFF* t, QSize full, QSize atLeast, QSize* size) {
    const TiffLayout l = TiffLayout::read(t);
    const QSize s(int(l.width), int(l.height));
    const auto sameShape = [&](int a, int b, int fullA, int fullB) {
        return std::abs(qint64(a) * fullB - qint64(fullA) * b) <= qint64(std::max(fullA, fullB));
    };
    if (s.isEmpty() || s.width() >= full.width() || !l.readsSamples() ||
        s.width() < atLeast.width() || s.height() < atLeast.height() ||
        !sameShape(s.width(), s.height(), full.width(), full.height()))
        return false;
    *size = s;
    return true;
}

} // namespace

bool TiffLevels::isReduced(TIFF* t) {
    uint32_t kind = 0;
    return TIFFGetField(t, TIFFTAG_SUBFILETYPE, &kind) && (kind & FILETYPE_REDUCEDIMAGE);
}

bool TiffLevels::selectSmallest(TIFF* t, QSize full, QSize atLeast) {
    const tdir_t page = TIFFCurrentDirectory(t);
    std::vector<Level> levels;
    uint16_t count = 0;
    toff_t* offsets = nullptr;
    std::vector<toff_t> subs;
    if (TIFFGetField(t, TIFFTAG_SUBIFD, &count, &offsets) && offsets)
        subs.assign(offsets, offsets + std::min<int>(count, maxLevels));
    for (const toff_t offset : subs) {
        QSize size;
        if (TIFFSetSubDirectory(t, offset) && fits(t, full, atLeast, &size))
            levels.push_back({true, offset, 0, size});
    }
    // The directories after the page, while they are reduced images of it.
    if (TIFFSetDirectory(t, page)) {
        for (int i = 1; i <= maxLevels && TIFFReadDirectory(t) && isReduced(t); ++i) {
            QSize size;
            if (fits(t, full, atLeast, &size))
                levels.push_back({false, 0, tdir_t(page + tdir_t(i)), size});
        }
    }
    const Level* best = nullptr;
    for (const Level& level : levels)
        if (!best || level.size.width() < best->size.width())
            best = &level;
    if (best &&
        (best->sub ? TIFFSetSubDirectory(t, best->offset) : TIFFSetDirectory(t, best->index)))
        return true;
    TIFFSetDirectory(t, page);
    return false;
}
