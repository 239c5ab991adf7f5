#pragma once

#include <QSize>

typedef struct tiff TIFF;

// The reduced-resolution copies of a page that pyramidal TIFFs carry (scans,
// slides, maps): its SubIFDs, and the directories after it marked as reduced
// images of it. An overview is made from the smallest one that still holds
// its size, which is far less to read than the page itself.
class TiffLevels {
  public:
    // Makes the smallest level of the current page (of `full` pixels) with
    // the page's shape and at least `atLeast` pixels each way the current
    // directory of t, and says so; false (t left on the page) when there is
    // none.
    static bool selectSmallest(TIFF* t, QSize full, QSize atLeast);
    // Whether the current directory is a reduced copy of another.
    static bool isReduced(TIFF* t);
};
