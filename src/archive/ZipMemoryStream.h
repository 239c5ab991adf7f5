#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <minizip/ioapi.h>

// The stream the library reads an archive in memory through. Sizes are
// 32-bit, which is why archives in memory stay below 4 GiB.
struct ZipMemoryStream {
    QByteArray bytes; // the wrapper's own copy; base points into it
    const char* base = nullptr;
    quint32 size = 0;
    quint32 limit = 0;
    quint32 offset = 0;
    qint32 grow = 1;

    // The library's file functions over this stream; the stream outlives
    // the archive handle that reads through them.
    zlib_filefunc64_def fileFunctions();
};
