// The zip reader against Info-ZIP's unzip on the same archives: opening and
// listing an archive of 10,000 entries against `unzip -l`, and reading a
// 50 MB deflated entry against `unzip -p ENTRY > /dev/null`. All figures are
// wall-clock times; unzip runs as a child process, so its figures include
// starting it (about a millisecond). The unzip cases are skipped when unzip
// is not installed. bench/zip_vs_unzip.sh prints the ratios.
#include "archive/LOZIPFileWrapper.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <minizip/zip.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char* const bigEntry = "scans/page-001.tif";
constexpr int bigSize = 50 * 1000 * 1000;

struct Archives {
    QTemporaryDir dir;
    QString many;
    QString big;
};

bool addEntry(zipFile zip, const QByteArray& name, const QByteArray& data) {
    zip_fileinfo info{};
    info.tmz_date = {30, 20, 10, 15, 5, 2021};
    return zipOpenNewFileInZip64(zip, name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 Z_DEFLATED, 6, data.size() > 0x7fffffff) == ZIP_OK &&
           zipWriteInFileInZip(zip, data.constData(), unsigned(data.size())) == ZIP_OK &&
           zipCloseFileInZip(zip) == ZIP_OK;
}

// Written with the library's own writer, so that neither side reads an
// archive made by our reader's tests.
const Archives& archives() {
    static Archives made = [] {
        Archives a;
        a.many = a.dir.filePath(QStringLiteral("many.zip"));
        a.big = a.dir.filePath(QStringLiteral("big.zip"));
        zipFile zip = zipOpen64(QFile::encodeName(a.many).constData(), APPEND_STATUS_CREATE);
        for (int i = 0; i < 10000; ++i) {
            const QByteArray name = "photos/set" + QByteArray::number(i / 500) + "/IMG_" +
                                    QByteArray::number(i) + ".jpg";
            addEntry(zip, name, QByteArray(200 + i % 300, char('a' + i % 26)));
        }
        zipClose(zip, nullptr);

        // Image-like content: smooth ramps with a little noise, so that
        // deflate neither gives up nor finds it trivial.
        QByteArray pixels(bigSize, Qt::Uninitialized);
        quint32 state = 1;
        for (int i = 0; i < bigSize; ++i) {
            state = state * 1664525u + 1013904223u;
            pixels[i] = char((i % 3000) / 12 + (state >> 29));
        }
        zip = zipOpen64(QFile::encodeName(a.big).constData(), APPEND_STATUS_CREATE);
        addEntry(zip, "readme.txt", "scans");
        addEntry(zip, bigEntry, pixels);
        zipClose(zip, nullptr);
        return a;
    }();
    return made;
}

bool runQuietly(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool haveUnzip() {
    static const bool found = runQuietly({"unzip", "-v"});
    return found;
}

void OpenAndList10k(benchmark::State& state) {
    const QString path = archives().many;
    qsizetype count = 0;
    for (auto _ : state) {
        const auto wrapper = LOZIPFileWrapper::initWithURL(path, std::nullopt, nullptr);
        count = wrapper ? wrapper->contentOfZIPFileIncludingFolders(true, nullptr)
                              .value_or(QStringList())
                              .size()
                        : 0;
        benchmark::DoNotOptimize(count);
    }
    state.SetLabel(std::to_string(count) + " entries");
}
BENCHMARK(OpenAndList10k)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void UnzipList10k(benchmark::State& state) {
    if (!haveUnzip()) {
        state.SkipWithError("unzip is not installed");
        return;
    }
    const std::string path = QFile::encodeName(archives().many).toStdString();
    for (auto _ : state)
        benchmark::DoNotOptimize(runQuietly({"unzip", "-l", path}));
}
BENCHMARK(UnzipList10k)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// What a step costs before decoding: the reader is open, and the lookup
// walks the directory from its start to the last entry.
void ReadLastOf10k(benchmark::State& state) {
    const auto wrapper = LOZIPFileWrapper::initWithURL(archives().many, std::nullopt, nullptr);
    const QString last = QStringLiteral("photos/set19/IMG_9999.jpg");
    for (auto _ : state)
        benchmark::DoNotOptimize(wrapper->contentsAtPath(last, nullptr));
}
BENCHMARK(ReadLastOf10k)->Unit(benchmark::kMillisecond)->UseRealTime();

void Read50MBEntry(benchmark::State& state) {
    const QString path = archives().big;
    qsizetype size = 0;
    for (auto _ : state) {
        const auto wrapper = LOZIPFileWrapper::initWithURL(path, std::nullopt, nullptr);
        size = wrapper ? wrapper->contentsAtPath(QString::fromLatin1(bigEntry), nullptr)
                             .value_or(QByteArray())
                             .size()
                       : 0;
        benchmark::DoNotOptimize(size);
    }
    state.SetLabel(std::to_string(size) + " bytes");
}
BENCHMARK(Read50MBEntry)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void UnzipPipe50MBEntry(benchmark::State& state) {
    if (!haveUnzip()) {
        state.SkipWithError("unzip is not installed");
        return;
    }
    const std::string path = QFile::encodeName(archives().big).toStdString();
    for (auto _ : state)
        benchmark::DoNotOptimize(runQuietly({"unzip", "-p", path, bigEntry}));
}
BENCHMARK(UnzipPipe50MBEntry)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
