#include "viewer/ImageLoader.h"

#include "platform/Cancellation.h"
#include "platform/ImageSource.h"
#include "platform/RegularFile.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/DecodeLimits.h"
#include "viewer/ImageCollection.h"
#include "viewer/ImageOrientation.h"
#include "viewer/LaunchDecode.h"
#include "viewer/ScaledImageCache.h"

#include <QFile>
#include <QImageReader>

ImageLoader::ImageLoader(QObject* parent)
    : QObject(parent),
      makeSource([](const QString& path) { return ImageSource::createWithURL(path); }) {}

quint64 ImageLoader::newRequest() {
    // Whatever was asked for before is not wanted any more.
    tasks.cancelAll();
    if (auto early = std::exchange(adopted, nullptr))
        early->cancel();
    pending = true;
    return ++latest;
}

void ImageLoader::cancel() {
    tasks.cancelAll();
    if (auto early = std::exchange(adopted, nullptr))
        early->cancel();
    pending = false;
    ++latest;
}

ImageLoader::~ImageLoader() {
    if (adopted)
        adopted->cancel();
}

QImage ImageLoader::decodeFrame(ImageSource& source, int index) {
    const QImage decoded = source.imageAtIndex(index);
    if (decoded.isNull())
        return QImage();
    const QVariantMap properties = source.propertiesAtIndex(index);
    const QVariant orientation = properties.value(QStringLiteral("Orientation"));
    return ImageOrientation::CGImageCreateDecoded(decoded,
                                                  orientation.isValid() ? orientation.toInt() : 1);
}

LoadedItem ImageLoader::load(std::unique_ptr<ImageSource> source, const QString& path,
                             const std::function<DrawnSize()>& drawn) {
    LoadedItem item;
    item.path = path;
    if (!source)
        return item;
    item.framesCount = source->count();
    if (Cancellation::requested())
        return item;
    item.image = decodeFrame(*source, 0);
    item.fullSize = item.image.size();
    if (item.image.isNull() && !Cancellation::requested()) {
        item.image = overviewOf(*source, drawn ? drawn() : DrawnSize(), &item.fullSize);
        item.overview = !item.image.isNull();
    }
    item.source = std::move(source);
    return item;
}

QImage ImageLoader::overviewOf(ImageSource& source, const DrawnSize& drawn, QSize* fullSize) {
    const QVariantMap properties = source.propertiesAtIndex(0);
    const qint64 width = properties.value(QStringLiteral("PixelWidth")).toLongLong();
    const qint64 height = properties.value(QStringLiteral("PixelHeight")).toLongLong();
    const int bytesPerPixel = properties.value(QStringLiteral("Depth")).toInt() > 8 ? 8 : 4;
    if (!DecodeLimits::allowsSize(width, height) ||
        DecodeLimits::allows(width, height, bytesPerPixel))
        return QImage();
    const QVariant stated = properties.value(QStringLiteral("Orientation"));
    const int orientation = stated.isValid() ? stated.toInt() : 1;
    const bool turned = orientation >= 5 && orientation <= 8;
    const QSize stored{int(width), int(height)};
    const QSize upright = turned ? stored.transposed() : stored;
    // Where the window does not say (an image read ahead), a size that
    // covers a large screen.
    QSize bound = drawn ? drawn(upright) : QSize();
    if (bound.isEmpty())
        bound = QSize(2560, 2560);
    // Never as large as the image itself, which is what did not fit.
    bound = AreaReducer::fitted(upright, bound);
    while ((bound == upright || !DecodeLimits::allows(bound.width(), bound.height(), 4)) &&
           (bound.width() > 1 || bound.height() > 1))
        bound = (bound / 2).expandedTo(QSize(1, 1));
    const QImage overview = source.overview(turned ? bound.transposed() : bound);
    if (overview.isNull())
        return QImage();
    if (fullSize)
        *fullSize = upright;
    return ImageOrientation::CGImageCreateDecoded(overview, orientation);
}

void ImageLoader::decodeFirstLook(const QString& path, const QSize& bound,
                                  const std::function<DrawnSize()>& drawn, const Emit& out) {
    LoadedItem first;
    first.image = jpegPreview(path, bound, &first.fullSize);
    if (first.image.isNull())
        return;
    first.path = path;
    first.preview = true;
    if (!Cancellation::requested())
        first.screenCopy = firstLookCopy(first.image, first.fullSize, drawn());
    out(std::move(first));
}

QImage ImageLoader::firstLookCopy(const QImage& image, const QSize& fullSize,
                                  const DrawnSize& drawn) {
    const QSize size = drawn && !image.isNull() ? drawn(fullSize) : QSize();
    if (size.isEmpty() || size == image.size())
        return QImage();
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void ImageLoader::decodeFile(const QString& path, bool firstLooks, const SourceMaker& make,
                             const std::function<DrawnSize()>& drawn, const Emit& out) {
    // Before the read: a file rewritten while it is decoded then no longer
    // matches what is kept of it.
    const std::optional<FileStamp> stamp = FileStamp::of(path);
    std::unique_ptr<ImageSource> source = make(path);
    if (firstLooks && source && !Cancellation::requested()) {
        LoadedItem first;
        first.image = firstLook(*source, &first.fullSize);
        if (!first.image.isNull()) {
            first.path = path;
            first.preview = true;
            first.screenCopy = firstLookCopy(first.image, first.fullSize, drawn());
            out(first);
        }
    }
    LoadedItem item = load(std::move(source), path, drawn);
    item.stamp = stamp;
    if (item.image.isNull() && !Cancellation::requested())
        item.failure = DecodeFailure::ofFile(path, item.source.get());
    // Made here, on the worker, the first paint of the image is a plain copy.
    if (drawn && !item.image.isNull() && !item.overview && !Cancellation::requested())
        item.screenCopy = screenCopyFor(item.image, drawn());
    out(std::move(item));
}

QImage ImageLoader::screenCopyFor(const QImage& image, const DrawnSize& drawn) {
    const QSize size = drawn && !image.isNull() ? drawn(image.size()) : QSize();
    if (size.isEmpty() || size.width() >= image.width() || size.height() >= image.height())
        return QImage();
    return ScaledImageCache::reducedTo(image, size);
}

quint64 ImageLoader::loadFile(const QString& path, const QSize& previewSize, DrawnSize drawn) {
    const quint64 request = newRequest();
    const auto emitter = [this, request](const BackgroundTask::Poster& post) {
        return [this, request, post](LoadedItem item) {
            post([this, request, item = std::move(item)]() mutable {
                deliver(request, std::move(item));
            });
        };
    };
    // The reduced first look and the full decode run side by side, so that
    // the full image is not held up by the first look where a core is free.
    if (previewSize.isValid()) {
        tasks.start([path, previewSize, emitter, drawn](const BackgroundTask::Poster& post) {
            decodeFirstLook(
                path, previewSize, [&drawn] { return drawn; }, emitter(post));
        });
    }
    tasks.start([path, previewSize, emitter, make = makeSource,
                 drawn = std::move(drawn)](const BackgroundTask::Poster& post) {
        decodeFile(
            path, previewSize.isValid(), make, [&drawn] { return drawn; }, emitter(post));
    });
    return request;
}

quint64 ImageLoader::adopt(std::shared_ptr<LaunchDecode> early, const QSize& previewSize,
                           DrawnSize drawn) {
    const quint64 request = newRequest();
    adopted = std::move(early);
    adopted->attach(this, std::move(drawn), [this, request, previewSize](LoadedItem item) {
        // Made for a screen the process had not seen yet: a first look the
        // real screen does not need is left out.
        if (item.preview && !previewSize.isValid())
            return;
        deliver(request, std::move(item));
    });
    return request;
}

quint64 ImageLoader::loadData(const QByteArray& bytes) {
    const quint64 request = newRequest();
    tasks.run(
        [bytes]() {
            LoadedItem item = load(ImageSource::createWithData(bytes), QString());
            if (item.image.isNull() && !Cancellation::requested())
                item.failure = DecodeFailure::ofData(bytes, QString(), item.source.get());
            return item;
        },
        [this, request](LoadedItem item) { deliver(request, std::move(item)); });
    return request;
}

LoadedItem ImageLoader::loadRead(const QString& path, const Reader& read) {
    const std::optional<QByteArray> bytes = read();
    if (!bytes || bytes->isEmpty()) {
        LoadedItem none;
        none.path = path;
        none.failure = bytes ? DecodeFailure::NotAnImage : DecodeFailure::Damaged;
        return none;
    }
    // The entry's extension settles what the bytes leave open (a TIFF-based
    // camera raw, a headerless fax).
    LoadedItem item =
        load(ImageSource::createWithData(*bytes, ImageCollection::pathExtension(path)), path);
    if (item.image.isNull() && !Cancellation::requested())
        item.failure =
            DecodeFailure::ofData(*bytes, ImageCollection::pathExtension(path), item.source.get());
    item.data = *bytes;
    return item;
}

quint64 ImageLoader::loadFromReader(const QString& path, Reader read) {
    const quint64 request = newRequest();
    tasks.run([path, read]() { return loadRead(path, read); },
              [this, request](LoadedItem item) { deliver(request, std::move(item)); });
    return request;
}

QImage ImageLoader::firstLook(ImageSource& source, QSize* fullSize) {
    const QImage stored = source.firstLook();
    if (stored.isNull())
        return QImage();
    const QVariantMap properties = source.propertiesAtIndex(0);
    const int orientation = properties.value(QStringLiteral("Orientation"), 1).toInt();
    QSize full(properties.value(QStringLiteral("PixelWidth")).toInt(),
               properties.value(QStringLiteral("PixelHeight")).toInt());
    if (full.isEmpty())
        return QImage();
    if (orientation >= 5 && orientation <= 8)
        full.transpose();
    if (fullSize)
        *fullSize = full;
    return ImageOrientation::CGImageCreateDecoded(stored, orientation);
}

QImage ImageLoader::jpegPreview(const QString& path, const QSize& bound, QSize* fullSize) {
    // Only a regular file: a FIFO named like a photo must not hold up a
    // decoding thread. Qt's reader streams the file through a small buffer,
    // where reading it whole first would cost fresh memory on every step.
    const std::unique_ptr<QFile> file = RegularFile::open(path).takeDevice();
    if (!file)
        return QImage();
    QImageReader reader(file.get());
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(true);
    if (reader.format() != "jpeg")
        return QImage();
    const QSize stored = reader.size();
    const int orientation = ImageOrientation::orientationOf(reader.transformation());
    const bool turned = orientation >= 5 && orientation <= 8;
    const QSize upright = turned ? stored.transposed() : stored;
    if (!upright.isValid() ||
        (upright.width() <= bound.width() && upright.height() <= bound.height()))
        return QImage();
    // Too large to decode whole, the image is shown from an overview, whose
    // one decode is then its first look.
    if (!DecodeLimits::allows(stored.width(), stored.height(), 4))
        return QImage();
    // libjpeg scales while it decodes, and at an eighth it skips nearly all
    // of the inverse transform: little more than the entropy decoding that
    // any decode must do. The full image replaces it moments later.
    const QSize eighth((stored.width() + 7) / 8, (stored.height() + 7) / 8);
    reader.setScaledSize(eighth);
    QImage reduced;
    if (!reader.read(&reduced))
        return QImage();
    if (fullSize)
        *fullSize = upright;
    return ImageOrientation::CGImageCreateDecoded(reduced, orientation);
}

void ImageLoader::deliver(quint64 request, LoadedItem item) {
    // A newer request supersedes this one: the last request wins.
    if (request != latest)
        return;
    // A first look that comes after the full image has nothing to add.
    if (item.preview && request == completed)
        return;
    if (!item.preview) {
        pending = false;
        completed = request;
    }
    item.request = request;
    emit loaded(item);
}
