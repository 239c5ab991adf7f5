#pragma once

#include <QImage>
#include <QList>
#include <QObject>

class ImageTransform;
class ImageTransformer;
class ViewController;

// Turns and flips of the shown image and its frames, worked out on a worker;
// the window refits when the result lands after a quarter turn. While one is
// worked out, what reads or changes the pixels waits.
class ViewerTransforms : public QObject {
    Q_OBJECT
  public:
    explicit ViewerTransforms(ViewController* viewer);

    void flipHorizontally();
    void flipVertically();
    void rotate180();
    void rotate90();
    void rotate90Counter();
    bool isTransforming() const;
    ImageTransformer* transformer() const { return imageTransformer; }

    // A new item: a turn still being worked out belongs to the image being left.
    void itemChanged();
    // A new page of the same item: a turn for the page before would land on it.
    void pageChanged();

  signals:
    // Started or ended: the commands' state follows.
    void runningChanged();

  private:
    void transformImage(const ImageTransform& step);
    void transformLanded(const QImage& image, const QImage& screenCopy, const QList<QImage>& frames,
                         const ImageTransform& step);
    void transformFailed();
    void setTransforming(bool running);

    ViewController* viewer = nullptr;
    ImageTransformer* imageTransformer = nullptr;
};
