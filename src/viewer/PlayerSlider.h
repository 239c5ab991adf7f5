#pragma once

#include <QSlider>

// The frame slider: a thin two-tone bar with a narrow knob, drawn whole on
// every change so no partial repaint leaves a trace of the old knob.
class PlayerSlider : public QSlider {
    Q_OBJECT
public:
    explicit PlayerSlider(QWidget* parent = nullptr);

    // Where the knob's centre sits for a value, in whole points.
    int knobCentre(int value) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int valueAt(double x) const;
};
