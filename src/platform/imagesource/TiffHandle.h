#pragma once

#include <QByteArray>

typedef struct tiff TIFF;

// A read-only libtiff handle over bytes in memory. libtiff's warnings and
// errors about damaged data go nowhere (the caller's failure path speaks for
// them), and no single allocation of libtiff's own exceeds the decode budget.
class TiffHandle {
public:
    explicit TiffHandle(const QByteArray& bytes);
    ~TiffHandle();
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    // Null when libtiff cannot read the header and first directory.
    TIFF* handle() const { return tiff; }

    // The directories in the bytes, counting no further than `limit` so that a
    // looping chain of directories ends; 0 when the header is unreadable.
    static int pageCount(const QByteArray& bytes, int limit);

    // The bytes and libtiff's reading position in them.
    struct Memory {
        const QByteArray* bytes;
        quint64 position = 0;
    };

private:
    Memory memory;
    TIFF* tiff = nullptr;
};
