#pragma once

#include "platform/DecodeFailure.h"
#include "platform/FileStamp.h"
#include "platform/Workspace.h"
#include "viewer/BackgroundTask.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class ImageSource;
class LaunchDecode;

// What one load produced: the decoder, its frame count and frame 0 upright.
struct LoadedItem {
    quint64 request = 0;
    QString path;                        // empty for bytes
    std::shared_ptr<ImageSource> source; // null when nothing recognised the content
    int framesCount = 0;
    QImage image; // null when nothing could be decoded
    // A reduced first look at a large JPEG; the full decode follows under the
    // same request. fullSize is the upright size of the full image.
    bool preview = false;
    QSize fullSize;
    // The image is too large to decode whole, and `image` is its overview:
    // parts of it are decoded sharp as the view needs them.
    bool overview = false;
    // The bytes decoded, when they were read by the loader (archive entries).
    QByteArray data;
    // Made ahead with the decode: the image area-averaged to the size it
    // will be drawn at, so its first paint is a plain copy. Null when none.
    QImage screenCopy;
    // The applications that open the file, when looked up with the decode.
    std::optional<QList<ApplicationInfo>> applications;
    // The file as it was just before it was read, for telling later whether
    // what was decoded is still what it holds; nothing when not stamped.
    std::optional<FileStamp> stamp;
    // Why `image` is null, when it is.
    DecodeFailure::Reason failure = DecodeFailure::None;
};

Q_DECLARE_METATYPE(LoadedItem)

// Decodes items on worker threads and hands the results back on the thread
// that owns the loader. Only the newest request is delivered: a new request
// cancels the ones before it, so that their decodes still queued never run
// and those running stop early, and a result that arrives after a later
// request was made is dropped.
class ImageLoader : public QObject {
    Q_OBJECT
  public:
    explicit ImageLoader(QObject* parent = nullptr);
    ~ImageLoader() override;

    // The size, in device pixels, an image of the given pixel size will be
    // drawn at once placed; empty when it is drawn at its own size or larger.
    using DrawnSize = std::function<QSize(const QSize& pixels)>;

    // A JPEG larger than `previewSize` is first delivered from a reduced
    // (DCT-scaled, an eighth) decode, and a camera raw from its own preview,
    // then in full. With `drawn`, the full image comes with its screen copy.
    quint64 loadFile(const QString& path, const QSize& previewSize = QSize(), DrawnSize drawn = {});
    // Takes over the decodes started at launch, before this loader existed,
    // as the load of their file. `previewSize` and `drawn` as for loadFile.
    quint64 adopt(std::shared_ptr<LaunchDecode> early, const QSize& previewSize, DrawnSize drawn);
    quint64 loadData(const QByteArray& bytes);
    // Bytes that must be read first (an archive entry, a sketch's preview):
    // `read` runs on the worker; nothing read means nothing to decode.
    using Reader = std::function<std::optional<QByteArray>()>;
    quint64 loadFromReader(const QString& path, Reader read);
    static LoadedItem loadRead(const QString& path, const Reader& read);
    // Forget whatever is in flight.
    void cancel();
    bool isLoading() const { return pending; }

    // The synchronous core, also used for stepping through frames. An image
    // too large to decode whole comes as its overview, made at the size
    // `drawn()` says it will be drawn at (asked only then).
    static LoadedItem load(std::unique_ptr<ImageSource> source, const QString& path,
                           const std::function<DrawnSize()>& drawn = {});
    // The upright overview of an image too large to decode whole, and its
    // upright full size; null when the image fits the budget (a failed
    // decode of such an image is damage) or its header is not sound.
    static QImage overviewOf(ImageSource& source, const DrawnSize& drawn, QSize* fullSize);
    // One frame with its stored orientation applied; null when it cannot be decoded.
    static QImage decodeFrame(ImageSource& source, int index);
    // The reduced first look at a JPEG file larger than `bound`, upright, and
    // the upright size of the full image; null when the file is not such a JPEG.
    static QImage jpegPreview(const QString& path, const QSize& bound, QSize* fullSize);
    // The source's quick stand-in for image 0 (a camera raw's preview),
    // upright, and the upright size of the full image; null when it has none.
    static QImage firstLook(ImageSource& source, QSize* fullSize);
    // How each file is opened; tests put slow or counting decoders here.
    using SourceMaker = std::function<std::unique_ptr<ImageSource>(const QString& path)>;
    void setSourceMaker(SourceMaker make) { makeSource = std::move(make); }

    // The halves of a file's load, run on workers, each handing over what it
    // makes through `out`: the reduced first look of a JPEG larger than
    // `bound`; and the full item, after a camera raw's own first look when
    // `firstLooks` (`drawn()` asked only once the image is decoded).
    using Emit = std::function<void(LoadedItem)>;
    static void decodeFirstLook(const QString& path, const QSize& bound,
                                const std::function<DrawnSize()>& drawn, const Emit& out);
    static void decodeFile(const QString& path, bool firstLooks, const SourceMaker& make,
                           const std::function<DrawnSize()>& drawn, const Emit& out);
    // The image area-averaged to the size it will be drawn at; null when it
    // is not drawn reduced.
    static QImage screenCopyFor(const QImage& image, const DrawnSize& drawn);
    // A first look enlarged to the size the full image will be drawn at, so
    // that its paint, the first of the window, is a plain copy; null when
    // that size is not known.
    static QImage firstLookCopy(const QImage& image, const QSize& fullSize, const DrawnSize& drawn);

  signals:
    void loaded(const LoadedItem& item);

  private:
    void deliver(quint64 request, LoadedItem item);
    quint64 newRequest();

    SourceMaker makeSource;
    std::shared_ptr<LaunchDecode> adopted;

    BackgroundTask tasks{this};
    quint64 latest = 0;
    quint64 completed = 0; // the last request whose full image was delivered
    bool pending = false;
};
