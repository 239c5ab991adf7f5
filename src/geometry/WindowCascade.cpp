#include "geometry/WindowCascade.h"

#include <algorithm>

QPoint WindowCascade::place(const QList<QRect>& existing, const QSize& size,
                            const QRect& available) {
    if (available.isEmpty())
        return existing.isEmpty() ? QPoint() : existing.last().topLeft() + QPoint(step, step);
    const QPoint corner = available.topLeft();
    if (existing.isEmpty()) {
        const QPoint centred = available.center() - QPoint(size.width() / 2, size.height() / 2);
        return QPoint(std::max(corner.x(), centred.x()), std::max(corner.y(), centred.y()));
    }
    const QPoint next = existing.last().topLeft() + QPoint(step, step);
    const bool fits = next.x() >= corner.x() && next.y() >= corner.y() &&
                      next.x() + size.width() <= available.right() + 1 &&
                      next.y() + size.height() <= available.bottom() + 1;
    if (fits)
        return next;
    // Wrapped: the corner itself may be taken, by the first window of a
    // stack that wrapped before, so step along from there.
    QPoint at = corner;
    while (std::any_of(existing.begin(), existing.end(),
                       [&at](const QRect& frame) { return frame.topLeft() == at; }) &&
           at.x() + step + size.width() <= available.right() + 1 &&
           at.y() + step + size.height() <= available.bottom() + 1)
        at += QPoint(step, step);
    return at;
}

QPoint WindowCascade::avoid(const QList<QRect>& existing, QPoint wanted, const QSize& size,
                            const QRect& available) {
    const auto taken = [&existing](QPoint at) {
        return std::any_of(existing.begin(), existing.end(),
                           [&at](const QRect& frame) { return frame.topLeft() == at; });
    };
    // Each step leaves one window behind, so the walk ends within their count.
    for (qsizetype tries = 0; tries <= existing.size() && taken(wanted); ++tries) {
        wanted += QPoint(step, step);
        if (!available.isEmpty() && (wanted.x() + size.width() > available.right() + 1 ||
                                     wanted.y() + size.height() > available.bottom() + 1))
            wanted = available.topLeft();
    }
    return wanted;
}
