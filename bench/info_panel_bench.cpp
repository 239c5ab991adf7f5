// What the information panel costs the viewer, measured in-process:
//  - the histogram of a 100-megapixel image, counted on the reduced copy the
//    viewer draws from (and, for comparison, on the full image);
//  - stepping through decoded-ahead 24-megapixel JPEGs with the panel open:
//    the step until painted, then until the panel shows that image's details;
//  - holding a key through the folder: how many of the panel's computations
//    ran, and whether the settings file was written meanwhile.
// Prints its figures.
#include "BenchPhoto.h"
#include "BenchSteps.h"
#include "BenchTiming.h"
#include "app/AppDelegate.h"
#include "app/InfoViewController.h"
#include "app/InfoWindowController.h"
#include "info/Histogram.h"
#include "viewer/DNSImageView.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/Prefetcher.h"
#include "viewer/ScaledImageCache.h"
#include "viewer/ViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QImage photo(int width, int height, int seed) {
    return benchPhoto(width, height, seed);
}

void histogram() {
    const QImage full = photo(12240, 8170, 1);
    // What the viewer draws a 100 MP image from on a 1920 x 1080 screen.
    const QImage reduced = ScaledImageCache::reducedTo(full, QSize(1617, 1080));
    const double onCopy = best(20, [&] { HistogramView::readImage(reduced); });
    const double onFull = best(5, [&] { HistogramView::readImage(full); });
    std::printf("histogram of a 100 MP image: %.1f ms from the %dx%d screen copy, %.1f ms from the "
                "full image\n",
                onCopy, reduced.width(), reduced.height(), onFull);
}

int stepping(const QString& dir) {
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << dir + QStringLiteral("/p%1.jpg").arg(i);
        photo(6000, 4000, i).save(files.last(), "JPEG", 90);
    }
    AppDelegate delegate;
    delegate.application({files[0]});
    delegate.applicationDidFinishLaunching();
    ViewController* vc = delegate.viewerWindows().first()->vc();
    vc->window()->resize(1920, 1080);
    InfoViewController* panel = delegate.infoController->contentViewController();
    if (!QTest::qWaitFor([&] { return vc->loadState() == ViewController::LoadState::Shown; },
                         30000)) {
        std::printf("the first image did not load\n");
        return 1;
    }
    delegate.showDetailsPanel();
    QTest::qWait(500);
    const QString conf = QSettings().fileName();
    const QDateTime writtenBefore = QFileInfo(conf).lastModified();

    std::vector<double> paints, details;
    for (int i = 1; i <= 9; ++i) {
        quint64 shownSerial = 0;
        const auto connection = QObject::connect(panel, &InfoViewController::detailsShown, panel,
                                                 [&](quint64 serial) { shownSerial = serial; });
        QElapsedTimer step;
        const double painted = stepToDecodedAhead(vc, files[i % files.size()], 30000, 300, step);
        if (painted < 0) {
            std::printf("the neighbour was not decoded ahead\n");
            return 1;
        }
        const quint64 wanted = panel->requests().latest();
        while (shownSerial != wanted && step.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QObject::disconnect(connection);
        paints.push_back(painted);
        details.push_back(step.nsecsElapsed() / 1e6 - painted);
    }
    std::printf("panel open, step to a decoded-ahead 24 MP image until painted: median %.1f ms "
                "(max %.1f)\n",
                median(paints), *std::max_element(paints.begin(), paints.end()));
    std::printf("  then until the panel shows its details: median %.1f ms (max %.1f)\n",
                median(details), *std::max_element(details.begin(), details.end()));

    // Held key: a step every 30 ms, whatever is still loading.
    int shown = 0;
    int mostWaiting = 0;
    const auto counting = QObject::connect(panel, &InfoViewController::detailsShown, panel,
                                           [&](quint64) { ++shown; });
    const quint64 before = panel->requests().latest();
    QElapsedTimer held;
    held.start();
    for (int i = 0; i < 30; ++i) {
        vc->showNextImage();
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < 30) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            mostWaiting = std::max(mostWaiting, panel->requests().hasWaiting() ? 1 : 0);
        }
    }
    const quint64 requested = panel->requests().latest() - before;
    const bool settled = QTest::qWaitFor(
        [&] { return !panel->requests().isRunning() && !panel->requests().hasWaiting(); }, 10000);
    QObject::disconnect(counting);
    std::printf("held key, 30 steps in %.0f ms: %llu panel requests, %d shown, at most %d waiting "
                "behind the running one%s\n",
                held.nsecsElapsed() / 1e6, static_cast<unsigned long long>(requested), shown,
                mostWaiting, settled ? "" : " (did not settle)");
    QTest::qWait(300);
    std::printf("settings file written while stepping: %s\n",
                QFileInfo(conf).lastModified() == writtenBefore ? "no" : "yes");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Ovisto"));
    QSettings().setValue(QStringLiteral("hideWelcomeScreen"), 1);
    QSettings().sync();
    histogram();
    return stepping(dir.path());
}
