#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

// The panel's thumbnail: the bitmap fitted into the view and drawn with
// nearest-neighbour sampling; the rest of the view stays transparent.
class OVThumbView : public QWidget {
    Q_OBJECT
  public:
    explicit OVThumbView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& cgImage() const { return bitmap; }
    QRectF boundsRectToFitImage() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage bitmap;
};
