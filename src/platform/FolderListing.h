#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Listing one folder's immediate children, with the reason when it fails.
// Tests stand in for the file system here: running as root, they cannot make
// a folder that refuses to be listed.
class FolderListing {
  public:
    struct Result {
        // Full paths of the children (hidden ones included); nothing on failure.
        std::optional<QStringList> children;
        // The errno of the failure, 0 on success.
        int error = 0;
        // The folder exists but may not be read: the one failure a grant can mend.
        bool deniedPermission() const;
    };
    using Lister = std::function<Result(const QString& folder)>;

    static Result list(const QString& folder);
    // Replaces the file system for every later listing; an empty one restores it.
    static void setLister(Lister lister);
    static Result listFileSystem(const QString& folder);
};
