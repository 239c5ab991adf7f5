#pragma once

#include "selection/ImageTransform.h"
#include "viewer/BackgroundTask.h"

#include <QImage>
#include <QList>
#include <QObject>

// Turns or flips the shown image, its screen copy and the decoded frames of
// an animation on a worker, so that the window keeps responding (and its
// spinner turning) while a large image or a long animation is transformed.
// One transform runs at a time. Each carries the load serial of the image it
// was asked for: a result for an image the user has left is dropped.
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

    // The work itself, on whichever thread calls it.
    static Job transformed(Job job);

  signals:
    void finished(const ImageTransformer::Job& result);

  private:
    BackgroundTask task;
    quint64 currentSerial = 0;
    bool running = false;
};
