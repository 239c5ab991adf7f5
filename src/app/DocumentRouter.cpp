#include "app/DocumentRouter.h"

#include "core/FileTypes.h"

#include <QObject>
#include <optional>

DocumentRouter::Held DocumentRouter::hold(RoutableWindow* window) {
    QObject* object = dynamic_cast<QObject*>(window);
    return Held{window, object, object != nullptr};
}

QList<DocumentRouter::Held> DocumentRouter::hold(const QList<RoutableWindow*>& windows) {
    QList<Held> held;
    for (RoutableWindow* window : windows)
        held.append(hold(window));
    return held;
}

void DocumentRouter::start(const Held& held, const QString& path) {
    if (RoutableWindow* window = held.live())
        window->startWithFile(path);
    // The window first: noting the recent document writes a file.
    if (RoutableWindow* window = held.live())
        window->present();
    addToRecent(path);
}

RoutableWindow* DocumentRouter::route(const QStringList& paths,
                                      const QList<RoutableWindow*>& candidates, int windowMode) {
    const QList<Held> windows = hold(candidates);
    std::optional<Held> first;
    for (const QString& path : paths) {
        std::optional<Held> target;
        if (windowMode >= 1) {
            const QString folder = FileTypes::folderOf(path);
            for (const Held& held : windows) {
                RoutableWindow* window = held.live();
                if (!window)
                    continue;
                const QString shown = window->openedURL();
                if (!shown.isEmpty() && FileTypes::folderOf(shown) == folder) {
                    target = held;
                    break;
                }
            }
        }
        if (!target) {
            for (const Held& held : windows) {
                RoutableWindow* window = held.live();
                if (window && !window->isStarted()) {
                    target = held;
                    break;
                }
            }
        }
        if (!target) {
            if (RoutableWindow* made = newWindow())
                target = hold(made);
        }
        if (target) {
            start(*target, path);
            if (!first)
                first = target;
        }
    }
    return first ? first->live() : nullptr;
}

void DocumentRouter::routeFromPasteboard(const QStringList& paths,
                                         const QList<RoutableWindow*>& candidates) {
    const QList<Held> windows = hold(candidates);
    for (const QString& path : paths) {
        bool routed = false;
        for (const Held& held : windows) {
            RoutableWindow* window = held.live();
            if (window && !window->isStarted()) {
                start(held, path);
                routed = true;
            }
        }
        if (!routed) {
            if (RoutableWindow* window = newWindow())
                start(hold(window), path);
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
