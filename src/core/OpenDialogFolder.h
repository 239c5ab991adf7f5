#pragma once

#include <QString>
#include <functional>

// The folder the Open dialog starts in: where the image in front lives (an
// archive entry's archive, not the entry), else the folder last opened from,
// else home. A folder that no longer exists is passed over.
class OpenDialogFolder {
  public:
    struct Inputs {
        // The front window's file, or the archive holding its entry; empty
        // for clipboard bytes or no window.
        QString document;
        QString lastUsed;
        QString home;
    };
    using IsFolder = std::function<bool(const QString&)>;

    static QString choose(const Inputs& inputs, const IsFolder& isFolder);
    // The check against the file system.
    static QString choose(const Inputs& inputs);
};
