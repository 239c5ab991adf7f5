#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// A file's size and modification time, looked up by the name's exact bytes:
// enough to tell that what was decoded from it is still what it holds.
struct FileStamp {
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds since the epoch
    bool regular = false;
    bool operator==(const FileStamp&) const = default;

    // Nothing when the name leads to no file.
    static std::optional<FileStamp> of(const QString& path);
};
