#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QList>
#include <QWidget>
#include <functional>

// One swatch of the popover: a borderless button painted in its colour.
class CLColorSwatchButton : public QAbstractButton {
    Q_OBJECT
  public:
    CLColorSwatchButton(const QColor& color, bool marked, QWidget* parent);
    QColor color() const { return swatch; }
    // The swatch of the colour shown: larger, with a white border of 3.
    bool isMarked() const { return marked; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    // The arrows are the popover's, which moves through its grid.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QColor swatch;
    bool marked;
};

// The swatch popover: a popup that closes when the user clicks elsewhere and
// reports the swatch chosen to its target.
class CLColorControllerPopove : public QWidget {
    Q_OBJECT
  public:
    using Selector = std::function<void(const QColor&)>;

    CLColorControllerPopove(const QColor& selectedColor, Selector selector,
                            QWidget* parent = nullptr);

    QColor selectedColor() const { return selected; }
    const QList<CLColorSwatchButton*>& buttons() const { return swatches; }
    // Reports the swatch's colour.
    void selectColor(CLColorSwatchButton* button);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    CLColorSwatchButton* buttonWithColor(const QColor& color, const QRect& frame, bool marked);

    QColor selected;
    Selector selector;
    QList<CLColorSwatchButton*> swatches;
};
