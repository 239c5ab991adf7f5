#pragma once

#include <QtGlobal>
#include <minizip/ioapi.h>

// The library reads the central directory a byte at a time and seeks before
// every entry; through stdio each of those bytes is a locked fread. This
// stream keeps one block of the file and answers from it, which makes
// listing a large archive several times faster. Read only, like the rest.
struct ZipFileStream {
    int fd = -1;
    quint64 size = 0;
    quint64 position = 0;
    bool failed = false;
    quint64 blockStart = 0;
    quint64 blockLength = 0;
    char block[64 * 1024];

    // The library's file functions: each open makes a stream of its own
    // for the path given, refusing anything but a regular file.
    static zlib_filefunc64_def fileFunctions();
};
