#include "info/PanelPlacement.h"

#include <algorithm>

QRectF PanelPlacement::defaultFrame(const QRectF& visibleFrame, double w) {
    const double x = visibleFrame.x() + visibleFrame.width() - w - margin;
    const double y = visibleFrame.y() + visibleFrame.height() - minimumHeight - margin;
    return QRectF(x, y, w, minimumHeight);
}

double PanelPlacement::maximumWidth(const QRectF& visibleFrame) {
    return std::max(width, visibleFrame.width() * maximumWidthShare);
}

double PanelPlacement::widthFor(double saved, const QRectF& visibleFrame) {
    if (!(saved > 0))
        return width;
    return std::clamp(saved, minimumWidth, maximumWidth(visibleFrame));
}

QRectF PanelPlacement::place(Saved saved, const QRectF& visibleFrame,
                             const QList<QRectF>& usableAreas) {
    // Negative (and unreadable) values count as 0.
    const double x = saved.x > 0 ? saved.x : 0.0;
    const double y = saved.y > 0 ? saved.y : 0.0;
    const double h = saved.h > 0 ? saved.h : 0.0;
    const double w = widthFor(saved.w, visibleFrame);
    if (h < minimumHeight)
        return defaultFrame(visibleFrame, w);
    QRectF frame(x, y, w, h);
    for (const QRectF& area : usableAreas) {
        if (!frame.intersects(area))
            continue;
        if (area.height() >= minimumHeight)
            frame.setHeight(std::min(frame.height(), area.height()));
        return frame;
    }
    // A screen that has gone away, or a stored origin off every screen.
    return defaultFrame(visibleFrame, w);
}
