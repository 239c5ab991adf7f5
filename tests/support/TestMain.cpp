// One QApplication for every test program: widget tests need it, and logic
// tests that touch QImage, QSettings or timers are happier with it too.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// Built into every test program, so that they hold however it is started.
extern "C" const char* __asan_default_options() {
    // Full stacks for allocations: a library built without frame pointers
    // (x265 under libheif) otherwise leaves too short a stack to match below.
    return "detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_suppressions() {
    // Caches that system libraries keep for the life of the process.
    return
           "leak:libfontconfig\n"
           "leak:libglib\n"
           "leak:libgio\n"
           "leak:libdbus\n"
           "leak:libxcb\n"
           "leak:libX11\n"
           "leak:libx265\n"
           // libheif 1.15's AV1 plugin leaks a packet that dav1d refuses.
           "leak:libdav1d\n";
}

extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Each test process gets settings and a runtime folder of its own, so
    // that tests run in parallel never see each other's preferences, and the
    // user's real ones are out of reach.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    for (const char* folder : {"config", "data", "runtime", "cache"})
        QDir(home.path()).mkpath(QString::fromLatin1(folder));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.filePath(QStringLiteral("runtime"))));
    // Opened documents are added to the desktop's recent files under the data home.
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    // Thumbnails made by tests never reach the user's cache.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Ovisto"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
