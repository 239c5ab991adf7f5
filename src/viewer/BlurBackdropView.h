#pragma once

#include <QImage>
#include <QWidget>

// The blurred copy of the image behind it in full screen. The copy comes
// made for its size; another size is scaled once and kept, so that a
// repaint (the chrome fading over it) is a plain copy.
class BlurBackdropView : public QWidget {
    Q_OBJECT
  public:
    explicit BlurBackdropView(QWidget* parent = nullptr);

    void setBlurred(const QImage& image);
    const QImage& blurred() const { return small; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage small;
    QImage scaled;
};
