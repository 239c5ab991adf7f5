#pragma once

#include <QImage>
#include <QMimeData>

// An image on the clipboard, offered as the image itself and as PNG bytes
// that are made only when a program asks for them: copying a large image
// costs no encoding and no second copy of its pixels up front.
class ImageMimeData : public QMimeData {
    Q_OBJECT
  public:
    explicit ImageMimeData(const QImage& image);

    bool hasFormat(const QString& mimeType) const override;
    QStringList formats() const override;
    // Whether the PNG bytes have been asked for yet.
    bool hasEncoded() const { return encoded; }

  protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

  private:
    QImage image;
    mutable QByteArray png;
    mutable bool encoded = false;
};
