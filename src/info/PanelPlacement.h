#pragma once

#include <QList>
#include <QRectF>

// Where the information panel goes each time it is shown, from the stored
// geometry and the screens' usable areas. Plain values in and out, in screen
// points with the origin at the lower left and y upwards.
class PanelPlacement {
  public:
    static constexpr double width = 240.0; // until the user widens it
    static constexpr double minimumWidth = 200.0;
    // The widest the panel grows, as a share of its screen's usable width:
    // wider, it would hide most of the picture it describes.
    static constexpr double maximumWidthShare = 0.6;
    static constexpr double minimumHeight = 400.0;
    static constexpr double margin = 24.0;

    struct Saved {
        double x = 0.0;
        double y = 0.0;
        double h = 0.0;
        double w = 0.0; // none stored: the default width
    };

    // `visibleFrame` is the usable area of the panel's screen (or the main
    // screen); `usableAreas` those of every screen. A height below the minimum
    // drops the saved origin too; an origin on no screen falls back to the
    // default; the height never exceeds the usable height of its screen.
    static QRectF place(Saved saved, const QRectF& visibleFrame, const QList<QRectF>& usableAreas);
    // Top right of the visible frame, 24 in from its right and top edges.
    static QRectF defaultFrame(const QRectF& visibleFrame, double w = width);
    // The stored width within the minimum and the screen's share; the
    // default for none.
    static double widthFor(double saved, const QRectF& visibleFrame);
    static double maximumWidth(const QRectF& visibleFrame);
};
