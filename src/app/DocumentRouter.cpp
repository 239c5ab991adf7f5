#include "app/DocumentRouter.h"

#include "core/FileTypes.h"

void DocumentRouter::start(RoutableWindow* window, const QString& path) {
    window->startWithFile(path);
    // The window first: noting the recent document writes a file.
    window->present();
    addToRecent(path);
}

void DocumentRouter::route(const QStringList& paths, const QList<RoutableWindow*>& windows,
                           int windowMode) {
    for (const QString& path : paths) {
        RoutableWindow* target = nullptr;
        if (windowMode >= 1) {
            const QString folder = FileTypes::folderOf(path);
            for (RoutableWindow* window : windows) {
                const QString shown = window->openedURL();
                if (!shown.isEmpty() && FileTypes::folderOf(shown) == folder) {
                    target = window;
                    break;
                }
            }
        }
        if (!target) {
            for (RoutableWindow* window : windows) {
                if (!window->isStarted()) {
                    target = window;
                    break;
                }
            }
        }
        if (!target)
            target = newWindow();
        if (target)
            start(target, path);
    }
}

void DocumentRouter::routeFromPasteboard(const QStringList& paths,
                                         const QList<RoutableWindow*>& windows) {
    for (const QString& path : paths) {
        bool routed = false;
        for (RoutableWindow* window : windows) {
            if (!window->isStarted()) {
                start(window, path);
                routed = true;
            }
        }
        if (!routed) {
            if (RoutableWindow* window = newWindow())
                start(window, path);
        }
    }
}

void DocumentRouter::routeData(const QByteArray& bytes, const QList<RoutableWindow*>& windows) {
    bool routed = false;
    for (RoutableWindow* window : windows) {
        if (!window->isStarted()) {
            window->startWithData(bytes);
            window->present();
            routed = true;
        }
    }
    if (!routed) {
        if (RoutableWindow* window = newWindow()) {
            window->startWithData(bytes);
            window->present();
        }
    }
}
