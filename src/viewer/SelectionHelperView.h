#pragma once

#include <QWidget>

class QLabel;

// The small dark box beside a selection being made, with its place and size.
class SelectionHelperView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int boxHeight = 40;

    explicit SelectionHelperView(QWidget* parent);
    // Sets both texts; answers the width the box needs for them.
    double setTexts(const QString& position, const QString& size);
    QString positionText() const;
    QString sizeText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLabel* selectionXY = nullptr;
    QLabel* selectionWH = nullptr;
};
