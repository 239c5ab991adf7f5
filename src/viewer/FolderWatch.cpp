#include "viewer/FolderWatch.h"

#include "platform/WorkerPools.h"
#include "viewer/ImageCollection.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <utility>

FolderWatch::FolderWatch(QObject* parent)
    : QObject(parent), quiet(new QTimer(this)), listing(this, WorkerPools::lookups()) {
    quiet->setSingleShot(true);
    quiet->setInterval(quietMs);
    connect(quiet, &QTimer::timeout, this, &FolderWatch::relist);
}

FolderWatch::~FolderWatch() = default;

void FolderWatch::watch(const QString& folder) {
    // A new watcher rather than a path swapped in it: nothing the old folder
    // reported may still be queued for the new one, and a folder opened
    // again after it was removed and made anew is watched again.
    delete std::exchange(watcher, nullptr);
    quiet->stop();
    listing.cancelAll();
    watched = folder;
    if (folder.isEmpty())
        return;
    watcher = new QFileSystemWatcher(this);
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, &FolderWatch::changed);
    watcher->addPath(folder);
}

void FolderWatch::changed() {
    // Each change restarts the wait, so a burst ends in one listing; but a
    // folder that never rests is still listed every little while.
    if (!quiet->isActive())
        burst.start();
    if (burst.elapsed() < longestMs)
        quiet->start();
}

void FolderWatch::relist() {
    // A listing still running is of an older state of the folder.
    listing.cancelAll();
    listing.run([folder = watched] { return ImageCollection::imagesIn(folder); },
                [this, folder = watched](std::optional<QStringList> images) {
                    if (images && folder == watched)
                        emit listed(*images);
                });
}
