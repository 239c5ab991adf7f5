#pragma once

#include "selection/ImageTransform.h"
#include "viewer/BackgroundTask.h"

#include <QImage>
#include <QList>
#include <QObject>

#include <functional>

// Turns or flips the shown image, its screen copy and the decoded frames of
// an animation on a worker, so that the window keeps responding (and its
// spinner turning) while a large image or a long animation is transformed.
// One transform runs at a time. Each carries the load serial of the image it
// was asked for: a result for an image the user has left is dropped. One
// that could not be made (no memory for the turned copy) is reported as such.
class ImageTransformer : public QObject {
    Q_OBJECT
  public:
    struct Job {
        quint64 serial = 0;
        ImageTransform step;
        QImage image;
        QImage screenCopy;
        QList<QImage> frames;
    };

    explicit ImageTransformer(QObject* parent = nullptr);

    void start(Job job);
    bool isRunning() const { return running; }
    // The result of what is running, if any, will never be delivered.
    void cancel();
    // Only results for this serial are delivered.
    void setCurrentSerial(quint64 serial);

    // The work itself, on whichever thread calls it. Its image is null when
    // the result could not be made.
    static Job transformed(Job job);
    // What runs on the worker instead of transformed() (tests supply their own).
    void setWork(std::function<Job(Job)> work) { this->work = std::move(work); }

  signals:
    void finished(const ImageTransformer::Job& result);
    // The transform for the current image gave nothing: the image stays as it was.
    void failed();

  private:
    BackgroundTask task;
    std::function<Job(Job)> work = &ImageTransformer::transformed;
    quint64 currentSerial = 0;
    bool running = false;
};
