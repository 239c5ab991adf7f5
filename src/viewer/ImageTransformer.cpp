#include "viewer/ImageTransformer.h"

#include "platform/Cancellation.h"
#include "platform/WorkerPools.h"

#include <QSemaphore>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace {

// Runs piece(0) to piece(count - 1) on this thread and, when the decoding
// pool has a thread free at once, on that one too: a large turn takes half
// as long on two cores. Pieces are claimed one by one, so neither waits for
// a helper that never started. False when cancelled on the way.
bool shareOut(int count, const std::function<void(int)>& piece) {
    struct Shared {
        std::atomic<int> next{0};
        std::atomic<bool> stop{false};
        QSemaphore helperDone;
    };
    const auto shared = std::make_shared<Shared>();
    const auto work = [shared, count, &piece] {
        for (int i; !shared->stop && (i = shared->next++) < count;)
            piece(i);
    };
    const bool helped = count > 1 && WorkerPools::decoding()->tryStart([shared, work] {
        work();
        shared->helperDone.release();
    });
    for (int i; (i = shared->next++) < count;) {
        if (Cancellation::requested()) {
            shared->stop = true;
            break;
        }
        piece(i);
    }
    if (helped)
        shared->helperDone.acquire(); // `piece` lives on this thread's stack
    return !shared->stop;
}

QImage transformedShared(const QImage& image, const ImageTransform& step) {
    if (image.isNull() || step.isIdentity())
        return image;
    const QImage source = ImageTransform::movable(image);
    QImage out = step.blankResult(source);
    if (out.isNull())
        return out;
    uchar* bits = out.bits();
    const qsizetype line = out.bytesPerLine();
    constexpr int rowsPerPiece = 128;
    const int pieces = (out.height() + rowsPerPiece - 1) / rowsPerPiece;
    if (!shareOut(pieces, [&](int i) {
            step.applyRows(source, bits, line, i * rowsPerPiece, (i + 1) * rowsPerPiece);
        }))
        return QImage();
    return out;
}

} // namespace

ImageTransformer::ImageTransformer(QObject* parent) : QObject(parent), task(this) {}

ImageTransformer::Job ImageTransformer::transformed(Job job) {
    job.image = transformedShared(job.image, job.step);
    job.screenCopy = job.step.apply(job.screenCopy);
    // The list shares its frames with the player's until written to: detach
    // it here, once, rather than from two threads.
    QImage* frames = job.frames.data();
    std::atomic<bool> frameMissing{false};
    if (!shareOut(int(job.frames.size()), [&](int i) {
            const bool had = !frames[i].isNull();
            frames[i] = job.step.apply(frames[i]);
            if (had && frames[i].isNull())
                frameMissing = true;
        }))
        return Job();
    // Half an animation turned would play half turned.
    if (frameMissing)
        job.image = QImage();
    return job;
}

void ImageTransformer::start(Job job) {
    running = true;
    const quint64 serial = job.serial;
    task.run([job = std::move(job), work = work]() mutable { return work(std::move(job)); },
             [this, serial](Job result) {
                 running = false;
                 if (serial != currentSerial)
                     return;
                 if (result.image.isNull())
                     emit failed();
                 else
                     emit finished(result);
             });
}

void ImageTransformer::cancel() {
    task.cancelAll();
    running = false;
}

void ImageTransformer::setCurrentSerial(quint64 serial) {
    if (serial != currentSerial)
        cancel();
    currentSerial = serial;
}
