// A camera card's or a download folder's worst: 100,000 files, one in ten
// damaged (a few random bytes named .jpg), the rest tiny PNGs. How long the
// window takes to list the folder and decode the first image, and what a
// step costs the decoding worker on a damaged file against a good one.
// The folder is made under /tmp and removed at the end.
#include "platform/ImageSource.h"
#include "viewer/ImageCollection.h"
#include "viewer/ImageLoader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int fileCount = 100000;

QByteArray tinyPng() {
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixel.save(&buffer, "PNG");
    return bytes;
}

QString nameOf(int i) {
    return QStringLiteral("IMG_%1.%2").arg(i, 6, 10, QChar(u'0')).arg(i % 10 == 5 ? "jpg" : "png");
}

const QTemporaryDir& hostileFolder() {
    static QTemporaryDir dir(QStringLiteral("/tmp/ovisto-hostile-XXXXXX"));
    static bool made = false;
    if (!made) {
        const QByteArray png = tinyPng();
        QRandomGenerator random(7);
        for (int i = 0; i < fileCount; ++i) {
            QByteArray bytes = png;
            if (i % 10 == 5) {
                bytes = QByteArray(8, Qt::Uninitialized);
                random.fillRange(reinterpret_cast<quint32*>(bytes.data()), 2);
            }
            const QByteArray path = QFile::encodeName(dir.filePath(nameOf(i)));
            const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            if (fd >= 0) {
                [[maybe_unused]] const ssize_t written =
                    ::write(fd, bytes.constData(), size_t(bytes.size()));
                ::close(fd);
            }
        }
        made = true;
    }
    return dir;
}

LoadedItem decode(const QString& path) {
    LoadedItem item;
    ImageLoader::decodeFile(
        path, false, [](const QString& file) { return ImageSource::createWithURL(file); }, {},
        [&item](LoadedItem out) { item = std::move(out); });
    return item;
}

// What opening one file of the folder does before its image can be shown:
// list and sort the folder, then decode the file.
void ListAndDecodeFirst100k(benchmark::State& state) {
    const QString first = hostileFolder().filePath(nameOf(0));
    qsizetype count = 0;
    for (auto _ : state) {
        const auto list = ImageCollection::scanFolder(first);
        count = list ? list->size() : 0;
        benchmark::DoNotOptimize(decode(list->first()).image);
    }
    state.counters["entries"] = double(count);
}
BENCHMARK(ListAndDecodeFirst100k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One step's decode, on a good file or a damaged one, over many files so
// that no one file's pages stay warmer than a step would find them.
void StepDecode(benchmark::State& state) {
    const bool damaged = state.range(0) != 0;
    const QTemporaryDir& dir = hostileFolder();
    int i = damaged ? 5 : 0;
    qint64 failed = 0;
    for (auto _ : state) {
        const LoadedItem item = decode(dir.filePath(nameOf(i)));
        failed += item.image.isNull();
        i = (i + (damaged ? 10 : 1) + (!damaged && (i + 1) % 10 == 5)) % fileCount;
    }
    state.SetLabel(damaged ? "damaged" : "good");
    state.counters["failed"] =
        benchmark::Counter(double(failed), benchmark::Counter::kAvgIterations);
}
BENCHMARK(StepDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
