#pragma once

#include "viewer/DNSImageView.h"
#include "viewer/Prefetcher.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerDocument.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

// Waits until `target` is decoded ahead and `settleMs` more, then steps to
// it: the milliseconds from the step until it is painted, on `clock`, which
// starts at the step. Negative when the neighbour was never decoded ahead.
inline double stepToDecodedAhead(ViewController* vc, const QString& target, int waitMs, int settleMs,
                                 QElapsedTimer& clock) {
    if (!QTest::qWaitFor([&] { return bool(vc->document()->prefetcher()->cached(target)); },
                         waitMs))
        return -1;
    QTest::qWait(settleMs);
    clock.start();
    vc->showNextImage();
    // A tight loop rather than a polling wait, whose naps would be counted.
    while (!(vc->document()->openedURL() == target &&
             vc->loadState() == ViewController::LoadState::Shown) &&
           clock.elapsed() < 5000)
        QCoreApplication::processEvents();
    vc->imageView()->repaint();
    return clock.nsecsElapsed() / 1e6;
}
