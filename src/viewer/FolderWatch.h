#pragma once

#include "viewer/BackgroundTask.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

class QFileSystemWatcher;
class QTimer;

// Watches the folder a window steps through and lists its images again once
// it has changed. Changes are gathered until the folder has been quiet for a
// moment, so that copying a thousand files in costs one listing; the listing
// runs on a worker, so that a large folder never stalls the window.
class FolderWatch : public QObject {
    Q_OBJECT
  public:
    explicit FolderWatch(QObject* parent = nullptr);
    ~FolderWatch() override;

    // Watches `folder` instead of what was watched; an empty one watches nothing.
    void watch(const QString& folder);
    void stop() { watch(QString()); }
    const QString& folder() const { return watched; }

    // How long the folder must be quiet before it is listed, and how long a
    // folder that keeps changing (a long copy into it) waits at most.
    static constexpr int quietMs = 200;
    static constexpr int longestMs = 2000;

  signals:
    // The folder's images, sorted as a list is, after a change; nothing when
    // the folder can no longer be listed, so the list shown is kept.
    void listed(const QStringList& images);

  private:
    void changed();
    void relist();

    QString watched;
    QFileSystemWatcher* watcher = nullptr;
    QTimer* quiet = nullptr;
    QElapsedTimer burst; // since the first change not yet listed
    BackgroundTask listing;
};
