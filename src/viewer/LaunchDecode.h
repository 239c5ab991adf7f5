#pragma once

#include "platform/Cancellation.h"
#include "platform/FileStamp.h"
#include "viewer/ImageLoader.h"

#include <QMutex>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

// The first image's decodes, started as soon as the process knows it is the
// running instance and what to show: they run while the application and its
// window are built, which takes as long as a reduced decode does. The window
// adopts them when it opens that file; until then their results wait here.
// A file changed since they started (size or modification time) is decoded
// again, not adopted.
class LaunchDecode : public std::enable_shared_from_this<LaunchDecode> {
  public:
    // The first image is larger than a screen the process has not asked
    // about yet: a first look is made for anything larger than this.
    static QSize assumedScreen() { return QSize(1920, 1080); }

    // Starts the decodes of `path` on the decoding pool, and keeps them as
    // the process's pending launch decode. Nothing for what is not a regular file.
    static std::shared_ptr<LaunchDecode> start(const QString& path,
                                               ImageLoader::SourceMaker make = {});
    // The pending launch decode when it is of `path` and the file is as it
    // was; the first ask ends the wait either way, since only the first item
    // opened can use it.
    static std::shared_ptr<LaunchDecode> take(const QString& path);
    // Drops the pending one: the paths went to another instance.
    static void discard();

    // What the decodes made goes to `deliver` on `receiver`'s thread, in
    // order, including what was made before. `drawn` sizes the screen copy.
    void attach(QObject* receiver, ImageLoader::DrawnSize drawn, ImageLoader::Emit deliver);
    // Stops the decodes; nothing more is delivered.
    void cancel();
    const QString& path() const { return file; }

  private:
    LaunchDecode(QString path, FileStamp identity) : file(std::move(path)), identity(identity) {}
    void arrived(LoadedItem item);
    void post(LoadedItem item);
    ImageLoader::DrawnSize drawnSize();

    const QString file;
    const FileStamp identity;
    CancelToken token;
    QMutex lock;
    QObject* receiver = nullptr; // cleared by cancel(), which its owner calls before it goes
    ImageLoader::Emit deliver;
    ImageLoader::DrawnSize drawn;
    bool attached = false;
    std::vector<LoadedItem> waiting;
};
