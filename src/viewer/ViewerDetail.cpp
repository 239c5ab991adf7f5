#include "viewer/ViewerDetail.h"

#include "platform/ImageSource.h"
#include "platform/imagesource/DecodeLimits.h"
#include "viewer/DNSImageView.h"
#include "viewer/ImageCollection.h"

#include <QMutex>

namespace {

// Decoded parts kept, and the pixels they may take together.
constexpr size_t partsKept = 4;
constexpr qint64 partsBytesMax = qint64(256) << 20;
// A zoom or a pan is taken as settled after this long without another.
constexpr int settleMs = 60;

} // namespace

// The item's own decoder, opened on the first worker that needs it and used
// by one at a time: a decoder is not shared between threads.
struct ViewerDetail::Decoder {
    QMutex lock;
    QString path;
    QByteArray bytes;
    std::unique_ptr<ImageSource> source;
    bool opened = false;
    bool prepared = false;
};

// Opens the decoder and readies its quick regions (a huge JPEG's index of
// rows), unless that was done; the caller holds the lock.
void ViewerDetail::ready(Decoder& decoder) {
    if (!decoder.opened) {
        decoder.opened = true;
        decoder.source = decoder.bytes.isEmpty()
                             ? ImageSource::createWithURL(decoder.path)
                             : ImageSource::createWithData(
                                   decoder.bytes, ImageCollection::pathExtension(decoder.path));
    }
    if (decoder.source && !decoder.prepared && !Cancellation::requested()) {
        decoder.source->prepareRegions();
        decoder.prepared = !Cancellation::requested();
    }
}

QImage ViewerDetail::decodeWith(Decoder& decoder, const QRect& area, int denominator,
                                QRect* covered) {
    QMutexLocker locker(&decoder.lock);
    ready(decoder);
    if (!decoder.source || Cancellation::requested())
        return QImage();
    return DetailRegion::decode(*decoder.source, area, denominator, covered);
}

void ViewerDetail::decodePart(const QRect& area, std::function<void(QImage)> done) {
    if (!decoder) {
        done(QImage());
        return;
    }
    copies.run([decoder = decoder, area] { return decodeWith(*decoder, area, 1, nullptr); },
               [done = std::move(done)](QImage image) { done(std::move(image)); });
}

ViewerDetail::ViewerDetail(DNSImageView* renderer, QObject* parent)
    : QObject(parent), renderer(renderer) {
    settle.setSingleShot(true);
    settle.setInterval(settleMs);
    connect(&settle, &QTimer::timeout, this, &ViewerDetail::update);
    connect(renderer, &DNSImageView::placementChanged, this, &ViewerDetail::viewChanged);
}

void ViewerDetail::setItem(const QString& path, const QByteArray& bytes, QSize fullSize) {
    clear();
    decoder = std::make_shared<Decoder>();
    decoder->path = path;
    decoder->bytes = bytes;
    full = fullSize;
    // Ready before the user zooms in, so that the first sharp part is quick.
    preparing.run(
        [decoder = decoder] {
            QMutexLocker locker(&decoder->lock);
            ready(*decoder);
            return true;
        },
        [](bool) {});
    viewChanged();
}

void ViewerDetail::clear() {
    tasks.cancelAll();
    copies.cancelAll();
    preparing.cancelAll();
    settle.stop();
    decoder.reset();
    full = QSize();
    parts.clear();
    wanted.reset();
}

void ViewerDetail::viewChanged() {
    if (isActive())
        settle.start();
}

void ViewerDetail::update() {
    const std::optional<DetailRegion::Request> request = DetailRegion::forView(
        full, renderer->image().size(), renderer->imageRect(), QRectF(renderer->rect()),
        renderer->devicePixelRatioF(), DecodeLimits::budgetBytes() / 4);
    if (!request) {
        renderer->setDetail(QImage(), QRect(), QSize());
        return;
    }
    for (const Part& part : parts) {
        if (DetailRegion::covers(part.request, *request)) {
            show(part);
            return;
        }
    }
    if (wanted && DetailRegion::covers(*wanted, *request))
        return; // on its way
    wanted = request;
    tasks.cancelAll();
    tasks.run(
        [decoder = decoder, request = *request]() {
            Part part{request, QImage(), QRect()};
            part.image = decodeWith(*decoder, request.area, request.denominator, &part.area);
            return part;
        },
        [this](Part part) {
            wanted.reset();
            if (part.image.isNull())
                return;
            parts.push_front(part);
            qint64 bytes = 0;
            for (size_t i = 0; i < parts.size(); ++i) {
                bytes += parts[i].image.sizeInBytes();
                if (i >= partsKept || (i > 0 && bytes > partsBytesMax)) {
                    parts.resize(i);
                    break;
                }
            }
            update();
        });
}

void ViewerDetail::show(const Part& part) {
    renderer->setDetail(part.image, part.area, full);
}
