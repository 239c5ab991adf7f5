#pragma once

#include "selection/OrvaneResizeViewDelegate.h"
#include "selection/PixelMapping.h"
#include "selection/SelectionModel.h"

#include <QObject>
#include <QPointer>
#include <QSize>

class OrvaneResizeView;
class SelectionHelperView;
class ViewerGeometry;
class QWidget;

// One viewer's selection: the pixels, the rectangle drawn over the image and
// the info box beside it. The rectangle is always derived from the pixels
// and the image's current place; the pixels come from what the user shapes.
class ViewerSelection : public QObject, public OrvaneResizeViewDelegate {
    Q_OBJECT
  public:
    ViewerSelection(QWidget* content, ViewerGeometry* geometry);

    // The shown image's size in pixels; empty when none is shown.
    void setImagePixels(const QSize& pixels);
    QSize imagePixels() const { return pixels; }
    PixelMapping mapping() const;
    bool hasSelection() const { return model.hasSelection(); }
    QRectF selectedPixels() const { return model.selectedPixels; }
    const SelectionModel& state() const { return model; }
    OrvaneResizeView* selectionView() const { return view; }
    SelectionHelperView* selectionHelperView() const { return helper; }

    void selectAll();
    void deselect();
    // Full screen's transitions hide a shown selection and bring it back
    // after each; a deselect meanwhile keeps it away.
    void hideForTransition();
    void showAfterTransition();
    bool isShownOnScreen() const;
    // The image moved or changed size on screen, or the view did.
    void updateSelectableArea();

    // The viewer's mouse, in content points (y up).
    void press(const QPointF& at, bool selecting);
    void drag(const QPointF& at);
    void release(bool toolHeld);
    // Shift went down or up; the rectangle follows at once.
    void modifiersChanged(bool shift);
    // Any other key let go: resizing is free again.
    void keyReleased();
    // The window lost the keyboard: Shift and the rest may go up unseen.
    void keysLost();
    void hideHelper();

    // OrvaneResizeViewDelegate
    void selectionDidChanged(const QRectF& rect) override;
    QRectF selectionWillChange(const QRectF& rect) override;
    QRectF selectionWillMove(const QRectF& rect) override;
    void interactionDidStarted() override;
    void interactionDidEnded() override;

  signals:
    // The selection appeared, changed or went: the commands follow.
    void changed();

  private:
    void updateOnSelecting(const QPointF& at);
    void showView(bool shown);
    void showHelper();
    void updateSelectionHelper();
    QPointF mouseInContent() const;

    QPointer<QWidget> content;
    QPointer<ViewerGeometry> geometry;
    OrvaneResizeView* view = nullptr;
    SelectionHelperView* helper = nullptr;
    SelectionModel model;
    QSize pixels;
    bool shouldShowSelectionAfterFull = false;
};
