#pragma once

#include <QImage>

// What a file that ends early still shows: the rows it held, the rest
// transparent so that the window's background shows there, marked so that
// the label can say the file is damaged.
class PartialImage {
  public:
    // Null when no row, or every row, was read.
    static QImage keepRows(QImage image, int rowsRead);
    // For a file whose data ran out after every row had a coarser version
    // (a progressive or interlaced image): all of it shows, marked.
    static void markCoarse(QImage& image);
    static bool isPartial(const QImage& image);
};
