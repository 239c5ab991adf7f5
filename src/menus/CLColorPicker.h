#pragma once

#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QWidget>

#include "menus/CLColorControllerPopove.h"

// The background colour control: a two-part button of 70 x 24 whose left part
// shows the colour and opens a popover of swatches, and whose right part links
// a colour dialog for a free choice. Every setting of the colour, also from
// code, is sent as the control's action (colorAction) to its target.
class CLColorPicker : public QWidget {
    Q_OBJECT
  public:
    static constexpr int controlWidth = 70;
    static constexpr int controlHeight = 24;
    static constexpr int segment0Width = 41;
    static constexpr int segment1Width = 21;

    explicit CLColorPicker(QWidget* parent = nullptr);
    ~CLColorPicker() override;

    QColor selectedColor() const { return color; }
    // Shows the colour, then sends the action.
    void setSelectedColor(const QColor& color);

    // A click on segment 0 (the swatches) or 1 (the colour dialog).
    void selectedSegment(int segment);
    // The dialog is linked: its changes reach the control at once.
    bool enableColorChoose() const { return linked; }
    // The open swatch popover, or null.
    CLColorControllerPopove* popover() const { return swatchPopover; }
    // The colour dialog while it exists (made on first use).
    QColorDialog* colorPanel() const { return panel; }
    // A swatch was chosen: set it, then close the popover.
    void colorUpdatePopover(const QColor& color);
    // The segment under a point of the control, -1 for none.
    static int segmentAt(const QPoint& point);

    QSize sizeHint() const override { return {controlWidth, controlHeight}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    void colorAction(const QColor& color);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void colorUpdate(const QColor& color);
    void closePanel();
    void unlink();
    void paintSwatchSegment(QPainter& painter, const QRectF& frame);
    void paintPanelSegment(QPainter& painter, const QRectF& frame);

    QColor color = Qt::black;
    bool linked = false;
    bool mouseInside = false;
    int pressedSegment = -1;
    int higlightedSegment = -1;
    QPointer<CLColorControllerPopove> swatchPopover;
    QPointer<QColorDialog> panel;
};
