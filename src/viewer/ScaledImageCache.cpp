#include "viewer/ScaledImageCache.h"


ScaledImageCache::ScaledImageCache(QObject* parent) : QObject(parent) {}

QImage ScaledImageCache::reduceByHalf(const QImage& source) {
    const QImage in = source.format() == QImage::Format_ARGB32_Premultiplied ||
                              source.format() == QImage::Format_RGB32
                          ? source
                          : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = std::max(1, in.width() / 2);
    const int h = std::max(1, in.height() / 2);
    QImage out(w, h, in.format());
    if (out.isNull())
        return out;
    for (int y = 0; y < h; ++y) {
        const int y0 = std::min(2 * y, in.height() - 1);
        const int y1 = std::min(2 * y + 1, in.height() - 1);
        const auto* r0 = reinterpret_cast<const quint32*>(in.constScanLine(y0));
        const auto* r1 = reinterpret_cast<const quint32*>(in.constScanLine(y1));
        auto* o = reinterpret_cast<quint32*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int x0 = std::min(2 * x, in.width() - 1);
            const int x1 = std::min(2 * x + 1, in.width() - 1);
            const quint32 p[4] = {r0[x0], r0[x1], r1[x0], r1[x1]};
            quint32 sum[4] = {2, 2, 2, 2}; // rounds to nearest
            for (quint32 px : p) {
                sum[0] += px >> 24;
                sum[1] += (px >> 16) & 0xff;
                sum[2] += (px >> 8) & 0xff;
                sum[3] += px & 0xff;
            }
            o[x] = ((sum[0] / 4) << 24) | ((sum[1] / 4) << 16) | ((sum[2] / 4) << 8) | (sum[3] / 4);
        }
    }
    return out;
}

QImage ScaledImageCache::areaAverage(const QImage& image, const QSize& size) {
    // Qt's smooth scaling averages every source pixel that falls into an
    // output pixel when it reduces.
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage ScaledImageCache::reducedTo(const QImage& image, const QSize& size) {
    QImage source = image;
    while (qint64(source.width()) * source.height() > directReductionPixels &&
           source.width() >= 4 * size.width() && source.height() >= 4 * size.height())
        source = reduceByHalf(source);
    return areaAverage(source, size);
}

void ScaledImageCache::setImage(const QImage& image, const QImage& screenCopy) {
    BackgroundTask::release(std::exchange(full, image));
    BackgroundTask::release(std::exchange(pyramid, {}));
    BackgroundTask::release(std::exchange(exact, screenCopy));
    wanted = screenCopy.size();
    exactPending = false;
    ++generation;
    // Halvings are made once a size other than the screen copy's is asked
    // for (a zoom): an image only looked at whole never holds them.
    pyramidPending = !image.isNull() && (image.width() > 1 || image.height() > 1);
    pyramidStarted = false;
}

void ScaledImageCache::buildPyramid() {
    if (!pyramidPending || pyramidStarted)
        return;
    pyramidStarted = true;
    const quint64 mine = generation;
    tasks.run(
        [image = full]() {
            QList<QImage> levels;
            QImage level = image;
            while (level.width() > 64 || level.height() > 64) {
                level = reduceByHalf(level);
                if (level.isNull())
                    break;
                levels.append(level);
            }
            return levels;
        },
        [this, mine](QList<QImage> levels) {
            if (mine != generation)
                return;
            pyramid = std::move(levels);
            pyramidPending = false;
            if (wanted.isValid() && !exactPending && exact.size() != wanted)
                buildExact(wanted);
            emit updated();
        });
}

QImage ScaledImageCache::reductionSource(const QSize& size) const {
    if (qint64(full.width()) * full.height() <= directReductionPixels)
        return full;
    QImage best = full;
    for (const QImage& level : pyramid) {
        if (level.width() >= 2 * size.width() && level.height() >= 2 * size.height())
            best = level;
    }
    return best;
}

void ScaledImageCache::buildExact(const QSize& size) {
    exactPending = true;
    const quint64 mine = generation;
    const QImage source = reductionSource(size);
    tasks.run([source, size]() { return areaAverage(source, size); },
              [this, mine, size](QImage reduced) {
                  if (mine != generation)
                      return;
                  exactPending = false;
                  if (size == wanted) {
                      exact = std::move(reduced);
                      emit updated();
                  } else if (wanted.isValid()) {
                      buildExact(wanted); // the view moved on meanwhile
                  }
              });
}

ScaledImageCache::Source ScaledImageCache::sourceFor(const QSize& deviceSize) {
    if (full.isNull() || deviceSize.isEmpty())
        return {full, false};
    if (exact.size() == deviceSize)
        return {exact, true};
    buildPyramid();
    if (wanted != deviceSize) {
        wanted = deviceSize;
        // Huge images wait for their halvings, so the reduction does not
        // start from the full image.
        const bool needsPyramid = qint64(full.width()) * full.height() > directReductionPixels;
        if (!exactPending && !(needsPyramid && pyramidPending))
            buildExact(deviceSize);
    }
    // Meanwhile: the smallest halving still at least as large as asked.
    QImage best = full;
    for (const QImage& level : pyramid) {
        if (level.width() >= deviceSize.width() && level.height() >= deviceSize.height())
            best = level;
    }
    return {best, false};
}
