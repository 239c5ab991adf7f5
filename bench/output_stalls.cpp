// How long the main thread is busy while the viewer copies or exports a
// large image: the longest gap between ticks of a 5 ms timer, from the
// command until the work is done. Export of a 24-megapixel photo in each
// format the worker writes; Select All and Copy on a 50-megapixel photo,
// and then what a paste of the PNG costs the window that still owns the
// clipboard. Prints its figures; the worst of three runs each.
#include "BenchPhoto.h"
#include "StallWatch.h"
#include "support/TestImages.h"
#include "viewer/ImageExporter.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerOutput.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImageReader>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

void exports(const QTemporaryDir& dir) {
    const QImage image = benchPhoto(6000, 4000, 1);
    const struct {
        ExportFormat format;
        const char* name;
    } formats[] = {{ExportFormat::Jpeg, "JPEG"},
                   {ExportFormat::Png, "PNG"},
                   {ExportFormat::Tiff, "TIFF"},
                   {ExportFormat::Jpeg2000, "JPEG 2000"}};
    for (const auto& f : formats) {
        double worstStall = 0, worstTime = 0;
        for (int run = 0; run < 3; ++run) {
            ImageExporter exporter;
            ExportWriter::Request request;
            request.image = image;
            request.format = f.format;
            request.path = dir.filePath(QStringLiteral("export%1.%2").arg(run).arg(int(f.format)));
            StallWatch stalls;
            QElapsedTimer clock;
            clock.start();
            stalls.start();
            exporter.start(request);
            if (!QTest::qWaitFor([&] { return !exporter.isRunning(); }, 300000)) {
                std::printf("%s export never finished\n", f.name);
                return;
            }
            worstStall = std::max(worstStall, stalls.stop());
            worstTime = std::max(worstTime, clock.nsecsElapsed() / 1e6);
        }
        std::printf("export of a 24 MP photo as %s: done in %.0f ms, longest main-thread stall "
                    "%.0f ms\n",
                    f.name, worstTime, worstStall);
    }
}

void copy(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("big.jpg"));
    if (!TestImages::writeImage(path, benchPhoto(8660, 5774, 2), "JPEG")) {
        std::printf("could not write the 50 MP photo\n");
        return;
    }
    auto* controller = new OrvaneWindowController;
    std::unique_ptr<OrvaneWindow> window(controller->window());
    ViewController* vc = controller->vc();
    vc->startWithFile(path);
    if (!QTest::qWaitFor([&] { return vc->isImageShown(); }, 120000)) {
        std::printf("the 50 MP photo did not open\n");
        return;
    }
    QTest::qWait(1000); // the full-resolution decode and the screen copy settle
    double worstCopy = 0, worstPaste = 0;
    for (int run = 0; run < 3; ++run) {
        vc->selectAll();
        StallWatch stalls;
        stalls.start();
        if (!vc->output()->copySelectionToClipboard()) {
            std::printf("nothing was copied\n");
            return;
        }
        QTest::qWait(200);
        worstCopy = std::max(worstCopy, stalls.stop());
        // A paste from a program that asks for PNG bytes: the clipboard's
        // owner encodes them at that moment.
        stalls.start();
        const QByteArray png = QGuiApplication::clipboard()->mimeData()->data("image/png");
        worstPaste = std::max(worstPaste, stalls.stop());
        if (png.isEmpty()) {
            std::printf("the clipboard gave no PNG\n");
            return;
        }
    }
    std::printf("Select All and Copy on a 50 MP photo: longest main-thread stall %.0f ms\n"
                "  a later paste asking for PNG bytes: %.0f ms on the owner's main thread\n",
                worstCopy, worstPaste);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QImageReader::setAllocationLimit(1024); // as the viewer's own start sets it
    QTemporaryDir dir;
    if (!qEnvironmentVariableIsSet("OVISTO_BENCH_COPY_ONLY"))
        exports(dir);
    copy(dir);
    return 0;
}
