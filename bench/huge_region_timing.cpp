// Parts of an image too large to decode whole, as the viewer decodes them
// when the user zooms in: the overview at screen size, the preparation for
// regions (a JPEG's index of rows), then at actual size a
// screen-sized part (with the viewer's margin about it) at
// the top, the middle and the bottom, and a quarter-scale part in the
// middle. Prints the best of a few runs of each.
// Usage: huge_region_timing FILE [runs] [overview|export]   (bench/make_panorama makes one)
//   overview: only the overview. export: instead, the file exported whole as
//   JPEG and as PNG, a band at a time, with the time and the peak memory.
#include "BenchTiming.h"
#include "core/ExportWriter.h"
#include "platform/ImageSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    auto source = ImageSource::createWithURL(QString::fromLocal8Bit(argv[1]));
    if (!source)
        return 1;
    const QVariantMap properties = source->propertiesAtIndex(0);
    const QSize full(properties.value("PixelWidth").toInt(),
                     properties.value("PixelHeight").toInt());
    std::printf("%d x %d\n", full.width(), full.height());
    if (argc > 3 && QByteArray(argv[3]) == "export") {
        QTemporaryDir folder;
        for (const auto& [name, format] :
             {std::pair{"jpg", ExportFormat::Jpeg}, std::pair{"png", ExportFormat::Png}}) {
            ExportWriter::Request request;
            request.format = format;
            request.path = folder.filePath(QStringLiteral("out.") + name);
            request.metadataFile = QString::fromLocal8Bit(argv[1]);
            request.streamed = true;
            QString reason;
            const double ms = best(1, [&] { reason = ExportWriter::write(request); });
            QFile status(QStringLiteral("/proc/self/status"));
            status.open(QIODevice::ReadOnly);
            QByteArray peak;
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM"))
                    peak = line;
            std::printf("exported as %s: %.0f ms%s; %s\n", name, ms,
                        reason.isEmpty() ? "" : qPrintable(" failed: " + reason),
                        peak.simplified().constData());
        }
        return 0;
    }
    const QSize screen(1440, 900);
    // The viewer's margin: a screen's width left and right, half its height above and below.
    const QSize part(screen.width() * 3, screen.height() * 2);
    std::printf("overview at %d x %d: %.0f ms\n", screen.width(), screen.height(),
                best(runs, [&] { source->overview(screen); }));
    if (argc > 3 && QByteArray(argv[3]) == "overview")
        return 0;
    // Once, as the viewer does on a worker after the overview.
    std::printf("region preparation: %.0f ms\n", best(1, [&] { source->prepareRegions(); }));
    for (const auto& [name, y] :
         {std::pair{"top", 0}, std::pair{"middle", (full.height() - part.height()) / 2},
          std::pair{"bottom", full.height() - part.height()}}) {
        const QRect area(QPoint((full.width() - part.width()) / 2, y), part);
        std::printf("actual-size part at the %s: %.0f ms\n", name,
                    best(runs, [&] { source->region(area, 1); }));
    }
    const QRect quarter(
        QPoint(full.width() / 2 - part.width() * 2, full.height() / 2 - part.height() * 2),
        part * 4);
    std::printf("quarter-scale part in the middle: %.0f ms\n",
                best(runs, [&] { source->region(quarter.intersected(QRect(QPoint(), full)), 4); }));
    return 0;
}
