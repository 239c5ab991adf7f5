#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// A file's size and modification time, looked up by the name's exact bytes:
// enough to tell that what was decoded from it is still what it holds. The
// device and inode say which file it is, whatever name (a link, another
// spelling of the path) leads to it: a file renamed over the name is another
// one. The status change time catches a rewrite in place that kept the size
// and set the modification time back (a copy that preserves times), which no
// program can set back.
struct FileStamp {
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds since the epoch
    qint64 changed = 0;  // status change, nanoseconds since the epoch
    bool regular = false;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;

    bool isSameFile(const FileStamp& other) const {
        return device == other.device && inode == other.inode;
    }

    // Nothing when the name leads to no file.
    static std::optional<FileStamp> of(const QString& path);
};
