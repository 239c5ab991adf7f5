#pragma once

#include "geometry/ImageSurface.h"

#include <QImage>
#include <QWidget>

class ScaledImageCache;

// Paints the current image at the rectangle the zoom engine placed it in:
// nearest-neighbour when zoomed in far, smooth otherwise, and from an
// area-averaged reduced copy whenever the image is shown smaller than it is.
class DNSImageView : public QWidget, public ImageSurface {
    Q_OBJECT
public:
    explicit DNSImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image, const QImage& screenCopy = QImage());
    const QImage& image() const;
    bool hasContents() const override { return !image().isNull(); }
    // Where the image lies, in this widget's (y-down) coordinates.
    void setImageRect(const QRectF& rect) override;
    QRectF imageRect() const { return placement; }
    void setNearestFilter(bool nearest) override;
    bool nearestFilter() const { return nearest; }
    ScaledImageCache* cache() const { return reduced; }
    // The whole pixels this view covers with opaque image, in its own
    // coordinates; empty when it covers none. What lies beneath need not
    // be painted there.
    QRect opaqueRect() const;
    // Drawn at this opacity (the cross-fade between images in full screen).
    void setOpacity(double value);
    double opacity() const { return alpha; }
    // A sharper part drawn over an overview: `detail` covers `area` of a
    // full image of `full` pixels, of which the image shown is a reduction.
    // A null detail draws none; a new image drops it.
    void setDetail(const QImage& detail, const QRect& area, QSize full);
    const QImage& detail() const { return detailImage; }
    QRect detailRect() const { return detailArea; }

  signals:
    // Where the image lies has changed: a zoom, a pan or a new size.
    void placementChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ScaledImageCache* reduced = nullptr;
    QRectF placement;
    bool nearest = false;
    double alpha = 1.0;
    QImage detailImage;
    QRect detailArea;
    QSize detailFull;
};
