// WebP, AVIF and JPEG XL at 24 megapixels, measured in one run:
//  - the full decode through ImageSource against each library's own
//    command-line decoder on the same file (dwebp, heif-convert, djxl);
//  - the first look at a progressive JPEG XL against decoding its DC pass
//    alone with libjxl;
//  - stepping to a decoded-ahead image of each type, until painted.
// Prints its figures. Usage: new_formats_bench [rounds]
#include "BenchPhoto.h"
#include "BenchSteps.h"
#include "BenchTiming.h"
#include "platform/ImageSource.h"
#include "platform/LargeImage.h"
#include "viewer/DNSImageView.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/Prefetcher.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerDocument.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <jxl/decode.h>
#include <jxl/resizable_parallel_runner.h>
#include <vector>

namespace {

// A photograph-like 6000 x 4000 picture: gradients and texture.
QImage photo(int seed) {
    return benchPhoto(6000, 4000, seed);
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, arguments);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

struct Format {
    const char* ext;
    QStringList encode; // %1 the PNG, %2 the output
    QString decoder;
    QStringList decode; // %1 the file, %2 a scratch output
};

// libjxl decoding a file's DC pass and nothing more, as our first look does:
// from reading the file, into the same kind of memory as ours, so that the
// ratio is what we add.
double dcPassAlone(const QString& file) {
    return timed([&] {
        QFile in(file);
        in.open(QIODevice::ReadOnly);
        const QByteArray bytes = in.readAll();
        JxlDecoder* d = JxlDecoderCreate(nullptr);
        void* runner = JxlResizableParallelRunnerCreate(nullptr);
        JxlResizableParallelRunnerSetThreads(runner,
                                             JxlResizableParallelRunnerSuggestThreads(6000, 4000));
        JxlDecoderSetParallelRunner(d, JxlResizableParallelRunner, runner);
        JxlDecoderSubscribeEvents(d, JXL_DEC_FULL_IMAGE | JXL_DEC_FRAME_PROGRESSION);
        JxlDecoderSetProgressiveDetail(d, kDC);
        JxlDecoderSetInput(d, reinterpret_cast<const uint8_t*>(bytes.constData()),
                           size_t(bytes.size()));
        JxlDecoderCloseInput(d);
        QImage out = LargeImage::allocate(QSize(6000, 4000), QImage::Format_RGBX8888);
        const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        for (bool done = false; !done;) {
            switch (JxlDecoderProcessInput(d)) {
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
                JxlDecoderSetImageOutBuffer(d, &format, out.bits(), size_t(out.sizeInBytes()));
                break;
            case JXL_DEC_FRAME_PROGRESSION:
                JxlDecoderFlushImage(d);
                done = true;
                break;
            default:
                done = true;
            }
        }
        JxlDecoderDestroy(d);
        JxlResizableParallelRunnerDestroy(runner);
    });
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString scratch = dir.filePath(QStringLiteral("scratch"));
    const std::vector<Format> formats = {
        {"webp",
         {QStringLiteral("-quiet"), QStringLiteral("-q"), QStringLiteral("90"),
          QStringLiteral("%1"), QStringLiteral("-o"), QStringLiteral("%2")},
         QStringLiteral("dwebp"),
         {QStringLiteral("-mt"), QStringLiteral("%1"), QStringLiteral("-ppm"), QStringLiteral("-o"),
          QStringLiteral("/dev/null")}},
        {"avif",
         {QStringLiteral("-A"), QStringLiteral("-q"), QStringLiteral("80"), QStringLiteral("-p"),
          QStringLiteral("chroma=422"), QStringLiteral("-p"), QStringLiteral("speed=9"),
          QStringLiteral("%1"), QStringLiteral("-o"), QStringLiteral("%2")},
         QStringLiteral("heif-convert"),
         {QStringLiteral("%1"), QStringLiteral("%2.y4m")}},
        {"jxl",
         {QStringLiteral("%1"), QStringLiteral("%2"), QStringLiteral("-p"), QStringLiteral("-d"),
          QStringLiteral("1"), QStringLiteral("-e"), QStringLiteral("3")},
         QStringLiteral("djxl"),
         {QStringLiteral("%1"), QStringLiteral("--num_reps=1")}},
    };
    const QHash<QString, QString> encoders = {{QStringLiteral("webp"), QStringLiteral("cwebp")},
                                              {QStringLiteral("avif"), QStringLiteral("heif-enc")},
                                              {QStringLiteral("jxl"), QStringLiteral("cjxl")}};

    // Three photographs of each type, each type in a folder of its own.
    QHash<QString, QStringList> files;
    for (int i = 0; i < 3; ++i) {
        const QString png = dir.filePath(QStringLiteral("photo%1.png").arg(i));
        photo(i).save(png, "PNG", 100);
        for (const Format& f : formats) {
            const QString ext = QLatin1String(f.ext);
            QDir().mkpath(dir.filePath(ext));
            const QString out = dir.filePath(QStringLiteral("%1/photo%2.%1").arg(ext).arg(i));
            QStringList arguments;
            for (const QString& a : f.encode)
                arguments.append(QString(a)
                                     .replace(QStringLiteral("%1"), png)
                                     .replace(QStringLiteral("%2"), out));
            if (!run(encoders.value(ext), arguments)) {
                std::printf("%s could not encode the photograph\n",
                            qPrintable(encoders.value(ext)));
                return 1;
            }
            files[ext].append(out);
        }
    }

    // Full decodes, ours and the tool's alternating, so both see the same load.
    std::printf("24-megapixel full decode, %d alternating rounds    fastest   median\n", rounds);
    for (const Format& f : formats) {
        const QString ext = QLatin1String(f.ext);
        const QString file = files[ext].first();
        QStringList arguments;
        for (const QString& a : f.decode)
            arguments.append(QString(a)
                                 .replace(QStringLiteral("%1"), file)
                                 .replace(QStringLiteral("%2"), scratch));
        std::vector<double> ours, theirs;
        for (int r = 0; r < rounds; ++r) {
            ours.push_back(timed([&] {
                auto source = ImageSource::createWithURL(file);
                if (!source || source->imageAtIndex(0).isNull())
                    std::printf("ImageSource could not decode %s\n", qPrintable(file));
                source->propertiesAtIndex(0);
            }));
            theirs.push_back(timed([&] {
                if (!run(f.decoder, arguments))
                    std::printf("%s failed\n", qPrintable(f.decoder));
            }));
        }
        const double a = *std::min_element(ours.begin(), ours.end());
        const double b = *std::min_element(theirs.begin(), theirs.end());
        std::printf("%-5s ImageSource %8.1f ms %8.1f ms | %-12s %8.1f ms %8.1f ms | ratio %.2f\n",
                    f.ext, a, median(ours), qPrintable(f.decoder), b, median(theirs), a / b);
    }

    // The first look at the progressive JPEG XL against its DC pass alone.
    {
        const QString file = files[QStringLiteral("jxl")].first();
        std::vector<double> ours, dc;
        for (int r = 0; r < rounds; ++r) {
            ours.push_back(timed([&] {
                auto source = ImageSource::createWithURL(file);
                if (source->firstLook().isNull())
                    std::printf("no first look\n");
            }));
            dc.push_back(dcPassAlone(file));
        }
        const double a = *std::min_element(ours.begin(), ours.end());
        const double b = *std::min_element(dc.begin(), dc.end());
        std::printf(
            "jxl   first look  %8.1f ms %8.1f ms | DC pass alone %7.1f ms %8.1f ms | ratio %.2f\n",
            a, median(ours), b, median(dc), a / b);
    }

    // Steps to a neighbour decoded ahead, until painted, in a 1920 x 1080 window.
    for (const Format& f : formats) {
        const QStringList& list = files[QLatin1String(f.ext)];
        auto* controller = new OrvaneWindowController;
        std::unique_ptr<OrvaneWindow> window(controller->window());
        window->resize(1920, 1080);
        window->show();
        ViewController* vc = controller->vc();
        vc->startWithFile(list.first());
        if (!QTest::qWaitFor([&] { return vc->loadState() == ViewController::LoadState::Shown; },
                             60000)) {
            std::printf("%s did not open\n", f.ext);
            return 1;
        }
        std::vector<double> steps;
        for (int i = 1; i <= 7; ++i) {
            QElapsedTimer step;
            const double painted = stepToDecodedAhead(vc, list[i % list.size()], 60000, 50, step);
            if (painted < 0) {
                std::printf("the neighbour was not decoded ahead\n");
                return 1;
            }
            steps.push_back(painted);
        }
        std::printf("%-5s step to a decoded-ahead image, until painted:", f.ext);
        for (double ms : steps)
            std::printf(" %.1f", ms);
        std::printf(" ms; median %.1f ms\n", median(steps));
    }
    return 0;
}
