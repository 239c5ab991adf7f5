#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "platform/CommandLine.h"
#include "platform/DisplayPlatform.h"
#include "platform/FileName.h"
#include "viewer/LaunchDecode.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <unistd.h>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

bool anyVisibleWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->isWindow() && !window->isMinimized())
            return true;
    }
    return false;
}

// The current folder by its exact bytes, for the same reason as the arguments.
QString workingFolder() {
    char* folder = ::getcwd(nullptr, 0);
    const QString result = folder ? FileName::decode(folder) : QDir::currentPath();
    ::free(folder);
    return result;
}

} // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // Decoded images are large and come and go with every step. glibc raises
    // its mmap threshold as such blocks are freed, after which buffers of up
    // to 32 MB (reduced copies) come from the heap and stay with the process
    // once freed; a fixed threshold gives every image buffer back.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    // A 100-megapixel photograph decodes to 400 MB; the guard against absurd
    // headers stays, just above what real photographs need.
    QImageReader::setAllocationLimit(1024);

    // The documents by the arguments' raw bytes, not QCoreApplication::arguments():
    // a file name that is not UTF-8 must reach the file system exactly as it
    // was given. Read before the application exists, so Qt's own options are
    // left out here as QApplication would take them out.
    // Options first, before anything else: --help must not open a window.
    const CommandLine line =
        CommandLine::parse(std::vector<std::string_view>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (const int status = line.answer(OVISTO_VERSION); status >= 0)
        return status;
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const QStringList paths = SingleInstance::absolutePaths(
        SingleInstance::documentArguments(arguments), workingFolder());

    // One instance per user: a second launch hands its documents over and
    // leaves before it builds anything of its own.
    auto instance = std::make_unique<SingleInstance>(SingleInstance::defaultSocketPath());
    if (instance->sendToRunningInstance(paths, 2000, line.fullScreen, line.slideshow))
        return 0;
    // Placing its own window needs X: on Wayland, XWayland when it is there.
    if (const QByteArray plugin = DisplayPlatform::preferredPlugin(DisplayPlatform::current());
        !plugin.isEmpty())
        qputenv("QT_QPA_PLATFORM", plugin);
    QApplication app(argc, argv);
    // This is the instance: the first image decodes while the window is
    // built. Not before the application exists: decoders load Qt's image
    // plugins, whose search paths the application sets up as it starts.
    if (!paths.isEmpty())
        LaunchDecode::start(paths.first());
    QCoreApplication::setOrganizationName(QStringLiteral("velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Ovisto"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OVISTO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("ovisto"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/ovisto.svg")));

    if (!instance->listen()) {
        // Another instance started meanwhile, or holds the socket but was
        // slow to answer: it may well have taken the paths, so a second try
        // decides, and either way this process must not become a rival.
        LaunchDecode::discard();
        if (instance->sendToRunningInstance(paths, 5000, line.fullScreen, line.slideshow))
            return 0;
        qWarning("ovisto: another instance is running but does not answer");
        return 1;
    }

    int status = 0;
    {
        AppDelegate delegate;
        QObject::connect(instance.get(), &SingleInstance::filesReceived, &delegate,
                         [&delegate](const QStringList& received, bool fullScreen, bool slideshow) {
                             if (received.isEmpty())
                                 delegate.applicationShouldHandleReopen(anyVisibleWindow());
                             else
                                 delegate.application(received, {fullScreen, slideshow});
                         });
        if (!paths.isEmpty())
            delegate.application(paths, {line.fullScreen, line.slideshow});
        delegate.applicationDidFinishLaunching();

        status = app.exec();
    }
    // The socket file goes with the instance.
    instance.reset();
    // Decodes and look-ups may still be running on our pools. Nothing of
    // theirs is wanted any more and nothing needs saving (settings are
    // written as they change), so the process ends now instead of waiting.
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // _Exit skips the leak check a sanitized build makes at exit; a leak
    // found here ends the process with the sanitizer's exit status.
    __lsan_do_leak_check();
#endif
    std::_Exit(status);
}
