#pragma once

#include "core/RoutableWindow.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

// Decides which viewer window receives each document of a batch. The windows
// are taken once per batch, so windows made while routing it are not
// candidates for its later documents.
class DocumentRouter {
public:
    using WindowFactory = std::function<RoutableWindow*()>;
    using RecentSink = std::function<void(const QString& path)>;

    DocumentRouter(WindowFactory newWindow, RecentSink addToRecent)
        : newWindow(std::move(newWindow)), addToRecent(std::move(addToRecent)) {}

    // Files and folders, in the order given. With windowMode 1 or more a
    // document goes to the window already showing an image of its folder;
    // otherwise to the first idle window, otherwise to a new one.
    // The window the first path went to, if any.
    RoutableWindow* route(const QStringList& paths, const QList<RoutableWindow*>& windows,
                          int windowMode);
    // File URLs from the clipboard: every idle window gets each of them, or
    // a new window when none is idle. The window mode is not consulted.
    void routeFromPasteboard(const QStringList& paths, const QList<RoutableWindow*>& windows);
    // Image bytes from the clipboard: to every idle window, or a new one.
    // Clipboard images are not recent documents.
    void routeData(const QByteArray& bytes, const QList<RoutableWindow*>& windows);

private:
    // A window as the batch holds it: starting a document can run a nested
    // event loop (the folder chooser), and a window closed meanwhile is skipped.
    struct Held {
        RoutableWindow* window;
        QPointer<QObject> object;
        bool tracked;
        RoutableWindow* live() const { return tracked && !object ? nullptr : window; }
    };
    static QList<Held> hold(const QList<RoutableWindow*>& windows);
    static Held hold(RoutableWindow* window);
    void start(const Held& held, const QString& path);

    WindowFactory newWindow;
    RecentSink addToRecent;
};
