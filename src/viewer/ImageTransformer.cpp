#include "viewer/ImageTransformer.h"

#include "platform/Cancellation.h"

ImageTransformer::ImageTransformer(QObject* parent) : QObject(parent), task(this) {}

ImageTransformer::Job ImageTransformer::transformed(Job job) {
    job.image = job.step.apply(job.image);
    job.screenCopy = job.step.apply(job.screenCopy);
    for (QImage& frame : job.frames) {
        if (Cancellation::requested())
            return Job();
        frame = job.step.apply(frame);
    }
    return job;
}

void ImageTransformer::start(Job job) {
    running = true;
    task.run([job = std::move(job)]() mutable { return transformed(std::move(job)); },
             [this](Job result) {
                 running = false;
                 if (result.serial != currentSerial || result.image.isNull())
                     return;
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
