#pragma once

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

// What one load produced: the decoder, its frame count and frame 0 upright.
struct LoadedItem {
    quint64 request = 0;
    QString path;                        // empty for bytes
    std::shared_ptr<ImageSource> source; // null when nothing recognised the content
    int framesCount = 0;
    QImage image;                        // null when nothing could be decoded
    // A reduced first look at a large JPEG; the full decode follows under the
    // same request. fullSize is the upright size of the full image.
    bool preview = false;
    QSize fullSize;
    // The bytes decoded, when they were read by the loader (archive entries).
    QByteArray data;
    // Made ahead with the decode: the image area-averaged to the size it
    // will be drawn at, so its first paint is a plain copy. Null when none.
    QImage screenCopy;
    // The applications that open the file, when looked up with the decode.
    std::optional<QList<ApplicationInfo>> applications;
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

    // A JPEG larger than `previewSize` is first delivered from a reduced
    // (DCT-scaled, an eighth) decode, and a camera raw from its own preview,
    // then in full.
    quint64 loadFile(const QString& path, const QSize& previewSize = QSize());
    quint64 loadData(const QByteArray& bytes);
    // Bytes that must be read first (an archive entry, a sketch's preview):
    // `read` runs on the worker; nothing read means nothing to decode.
    using Reader = std::function<std::optional<QByteArray>()>;
    quint64 loadFromReader(const QString& path, Reader read);
    static LoadedItem loadRead(const QString& path, const Reader& read);
    // Forget whatever is in flight.
    void cancel();
    bool isLoading() const { return pending; }

    // The synchronous core, also used for stepping through frames.
    static LoadedItem load(std::unique_ptr<ImageSource> source, const QString& path);
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

signals:
    void loaded(const LoadedItem& item);

private:
    void deliver(quint64 request, LoadedItem item);
    quint64 newRequest();

    SourceMaker makeSource;

    BackgroundTask tasks{this};
    quint64 latest = 0;
    quint64 completed = 0; // the last request whose full image was delivered
    bool pending = false;
};
