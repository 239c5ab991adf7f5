#pragma once

#include "info/Histogram.h"
#include "info/InfoRequests.h"
#include "info/PropertyTree.h"

#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <optional>

// What the information panel shows of one item, made off the main thread:
// each computation opens its own image source, and takes the thumbnail and
// the histogram from the viewer's decoded image when it was given one.
struct InfoDetails {
    quint64 serial = 0;
    bool ok = false; // false: no details (the content could not be opened)
    QList<PropertyNode> tree;
    QStringList summary; // the lines above the tree (InfoSummary)
    QImage thumbnail;
    QString format;
    QString size;
    std::optional<HistogramResult> histogram;

    static constexpr int thumbnailPixels = 128;

    static InfoDetails compute(const InfoRequest& request);
    // `image` reduced to at most `bound` pixels on its longer side, cheaply
    // whatever its size; unchanged when it is already that small.
    static QImage reduced(const QImage& image, int bound);
};

Q_DECLARE_METATYPE(InfoDetails)
