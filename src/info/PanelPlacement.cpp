#include "info/PanelPlacement.h"

#include <algorithm>

QRectF PanelPlacement::defaultFrame(const QRectF& visibleFrame) {
    const double x = visibleFrame.x() + visibleFrame.width() - width - margin;
    const double y = visibleFrame.y() + visibleFrame.height() - minimumHeight - margin;
    return QRectF(x, y, width, minimumHeight);
}

QRectF PanelPlacement::place(Saved saved, const QRectF& visibleFrame,
                             const QList<QRectF>& usableAreas) {
    // Negative (and unreadable) values count as 0.
    const double x = saved.x > 0 ? saved.x : 0.0;
    const double y = saved.y > 0 ? saved.y : 0.0;
    const double h = saved.h > 0 ? saved.h : 0.0;
    if (h < minimumHeight)
        return defaultFrame(visibleFrame);
    QRectF frame(x, y, width, h);
    for (const QRectF& area : usableAreas) {
        if (!frame.intersects(area))
            continue;
        if (area.height() >= minimumHeight)
            frame.setHeight(std::min(frame.height(), area.height()));
        return frame;
    }
    // A screen that has gone away, or a stored origin off every screen.
    return defaultFrame(visibleFrame);
}
