#pragma once

#include <QObject>
#include <QTimer>

// One repeating timer per viewer window: every tick steps to the next image.
// The interval is fixed when the slideshow starts.
class Slideshow : public QObject {
    Q_OBJECT
public:
    explicit Slideshow(QObject* parent = nullptr);

    // Start when stopped, stop when running.
    void playSlideshow(int delaySeconds);
    void stopSlideshow();
    bool isRunning() const { return timer.isActive(); }
    int interval() const { return timer.interval(); }

    static QString toolbarPicture(bool running) {
        return running ? QStringLiteral("slideshow-pause-Template") : QStringLiteral("slideshow-Template");
    }
    static QString touchBarPicture(bool running) {
        return running ? QStringLiteral("touch-slideshow-pause-Template")
                       : QStringLiteral("touch-slideshow-Template");
    }

signals:
    void tick();
    void runningChanged(bool running);

private:
    QTimer timer;
};
