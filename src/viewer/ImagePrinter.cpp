#include "viewer/ImagePrinter.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <cmath>

QPrinter& ImagePrinter::sharedPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

QRectF ImagePrinter::placement(const QSizeF& imagePoints, const QSizeF& pagePoints) {
    if (!(imagePoints.width() > 0 && imagePoints.height() > 0 && pagePoints.width() > 0 &&
          pagePoints.height() > 0))
        return QRectF();
    const double scale = std::min({1.0, pagePoints.width() / imagePoints.width(),
                                   pagePoints.height() / imagePoints.height()});
    const QSizeF size = imagePoints * scale;
    return QRectF(
        QPointF((pagePoints.width() - size.width()) / 2, (pagePoints.height() - size.height()) / 2),
        size);
}

bool ImagePrinter::print(const QImage& image, const QSizeF& imagePoints, QPrinter& printer) {
    if (image.isNull())
        return false;
    const QRectF page = printer.pageLayout().paintRect(QPageLayout::Point);
    const QRectF at = placement(imagePoints, page.size());
    if (at.isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The painter starts at the printable area's corner, in device pixels.
    const double perPoint = printer.resolution() / 72.0;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(at.topLeft() * perPoint, at.size() * perPoint), image);
    return painter.end();
}

void ImagePrinter::printImage(const QImage& image, const QSizeF& imagePoints, const QString& title,
                              QWidget* parent) {
    if (image.isNull())
        return;
    QPrinter& printer = sharedPrinter();
    printer.setPageOrientation(imagePoints.width() > imagePoints.height() ? QPageLayout::Landscape
                                                                          : QPageLayout::Portrait);
    printer.setDocName(title);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QCoreApplication::translate("ImagePrinter", "Print"));
    if (dialog.exec() == QDialog::Accepted)
        print(image, imagePoints, printer);
}
