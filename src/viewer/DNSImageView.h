#pragma once

#include <QImage>
#include <QWidget>

// Paints the current image. Until the zoom engine places it, the image is
// fitted into the view: aspect kept, centred, never enlarged.
class DNSImageView : public QWidget {
    Q_OBJECT
public:
    explicit DNSImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return contents; }
    bool hasContents() const { return !contents.isNull(); }
    // Where the image lies in the view, in widget coordinates.
    QRectF imageRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage contents;
    // A reduced copy made once per target size: smooth reduction of a large
    // image on every paint would stall scrolling and resizing.
    mutable QImage reduced;
    mutable QSize reducedFor;
};
