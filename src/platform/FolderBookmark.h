#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A grant of a folder kept across runs: the folder's canonical path with its
// device and inode numbers. Resolving checks that the path still names that
// same folder, so a grant never silently covers whatever was put in its place.
class FolderBookmark {
  public:
    // Nothing when the path is not an existing folder.
    static std::optional<QByteArray> create(const QString& folder);
    // The folder the bookmark names, or nothing when the bytes are not a
    // bookmark or the folder is gone or replaced.
    static std::optional<QString> resolve(const QByteArray& bookmark);
};
