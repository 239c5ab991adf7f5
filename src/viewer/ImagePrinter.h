#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPrinter;
class QWidget;

// Prints the shown image on one page: at its size in points (72 to the
// inch), scaled down to fit the printable area when larger, never enlarged,
// and centred. One printer for the application keeps the user's choices
// (printer, paper, a PDF file) from one print to the next.
namespace ImagePrinter {

QPrinter& sharedPrinter();
// Where an image of `imagePoints` goes on a printable area of `pagePoints`,
// in points from the area's top-left corner.
QRectF placement(const QSizeF& imagePoints, const QSizeF& pagePoints);
// Paints the image on the printer's one page; false when nothing printed.
bool print(const QImage& image, const QSizeF& imagePoints, QPrinter& printer);
// The print dialog, then the print. The page starts turned the way the
// image is (landscape when wider than tall); the job, and a PDF's title, is
// named `title`.
void printImage(const QImage& image, const QSizeF& imagePoints, const QString& title,
                QWidget* parent);

} // namespace ImagePrinter
