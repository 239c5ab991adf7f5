#pragma once

#include "viewer/BackgroundTask.h"
#include "viewer/DetailRegion.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class DNSImageView;

// Sharp parts of an image shown from its overview. Once the view settles
// after a zoom or a pan, the part in view (with a margin) is decoded on a
// worker at the density the screen needs and drawn over the overview. The
// last few parts are kept, so that a small pan, or a pan back, needs none.
class ViewerDetail : public QObject {
    Q_OBJECT
  public:
    explicit ViewerDetail(DNSImageView* renderer, QObject* parent = nullptr);

    // An overview is shown: of the file at `path`, or of `bytes` (an archive
    // entry, the clipboard) when given, the full image `full` pixels upright.
    void setItem(const QString& path, const QByteArray& bytes, QSize full);
    // Nothing of the kind is shown any more.
    void clear();
    bool isActive() const { return !full.isEmpty(); }
    // `area` of the upright image at full size, decoded on a worker and
    // handed to `done` (null when it cannot be decoded), unless the item
    // changes first.
    void decodePart(const QRect& area, std::function<void(QImage)> done);

  private:
    struct Part {
        DetailRegion::Request request;
        QImage image; // upright
        QRect area;   // of the full image, upright, that the image covers
    };
    struct Decoder;

    static void ready(Decoder& decoder);
    static QImage decodeWith(Decoder& decoder, const QRect& area, int denominator, QRect* covered);
    void viewChanged();
    void update();
    void show(const Part& part);

    DNSImageView* renderer = nullptr;
    QTimer settle;
    BackgroundTask tasks{this};
    BackgroundTask copies{this};
    BackgroundTask preparing{this};
    std::shared_ptr<Decoder> decoder;
    QSize full;
    std::deque<Part> parts; // the newest first
    std::optional<DetailRegion::Request> wanted;
};
