// How long a window takes to list, filter and sort a large folder: 100,000
// entries, half of them with supported extensions, in mixed case and with
// digit runs, as camera folders have them.
#include "viewer/ImageCollection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QTemporaryDir& largeFolder() {
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        const char* image[] = {"jpg", "JPG", "png", "nef", "tif"};
        const char* other[] = {"txt", "xmp", "mov", "json", "db"};
        for (int i = 0; i < 100000; ++i) {
            const char* ext = (i % 2 == 0) ? image[i % 5] : other[i % 5];
            const QByteArray name =
                QFile::encodeName(dir.path()) + "/IMG_" + QByteArray::number(i * 7919 % 100000) +
                (i % 3 == 0 ? "_édité." : ".") + ext;
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
            if (fd >= 0)
                ::close(fd);
        }
        made = true;
    }
    return dir;
}

void ListFilterAndSort100k(benchmark::State& state) {
    const QString folder = largeFolder().path();
    qsizetype count = 0;
    for (auto _ : state) {
        const auto list = ImageCollection::scanFolder(folder);
        count = list ? list->size() : 0;
        benchmark::DoNotOptimize(count);
    }
    state.counters["images"] = double(count);
}
BENCHMARK(ListFilterAndSort100k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void SortOnly50k(benchmark::State& state) {
    auto list = ImageCollection::scanFolder(largeFolder().path());
    for (auto _ : state) {
        QStringList copy = *list;
        ImageCollection::sortByFileName(copy);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(SortOnly50k)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
