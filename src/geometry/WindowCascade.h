#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where a new window goes so that it never lies exactly over one already
// open: a title bar's height down and right of the newest window while that
// stays on the screen's available area, else back at the area's top-left.
class WindowCascade {
  public:
    static constexpr int step = 30;

    // The new window's top-left for a frame of `size`; `existing` holds the
    // open windows' frames, oldest first. With none open the window is
    // centred. A window larger than the area starts at its top-left; its
    // size is left as it is.
    static QPoint place(const QList<QRect>& existing, const QSize& size, const QRect& available);
    // Where a window the viewer places itself (centred on its image, say)
    // goes instead of `wanted` when an open window already has that
    // top-left: stepped on past every window it would lie on, wrapping to
    // the area's top-left when it would leave the area.
    static QPoint avoid(const QList<QRect>& existing, QPoint wanted, const QSize& size,
                        const QRect& available);
};
