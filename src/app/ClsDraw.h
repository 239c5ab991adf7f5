#pragma once

#include "info/Histogram.h"

#include <QColor>
#include <QList>
#include <QWidget>

// One graph of the histogram: a vertical line per bin from the bottom edge,
// one unit per percent upwards, the 256 bins spread over the view's width.
class ClsDraw : public QWidget {
    Q_OBJECT
  public:
    explicit ClsDraw(QWidget* parent = nullptr);

    void drawGraphForArray(const QList<ClsDrawPoint>& points);
    const QList<ClsDrawPoint>& arrPoints() const { return points; }

    QColor graphColor;
    // The layer's look: background (transparent for none) and border.
    QColor background = Qt::transparent;
    QColor border = Qt::transparent;
    static constexpr double cornerRadius = 3.0;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QList<ClsDrawPoint> points;
};
