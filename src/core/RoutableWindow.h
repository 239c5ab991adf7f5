#pragma once

#include <QByteArray>
#include <QString>

// A window that documents can be routed to, as the router sees it.
class RoutableWindow {
public:
    virtual ~RoutableWindow() = default;
    virtual bool isStarted() const = 0;
    // Path of the item shown, empty when none (clipboard images have none).
    virtual QString openedURL() const = 0;
    virtual void startWithFile(const QString& path) = 0;
    virtual void startWithData(const QByteArray& bytes) = 0;
    // Show it, key and in front.
    virtual void present() = 0;
};
