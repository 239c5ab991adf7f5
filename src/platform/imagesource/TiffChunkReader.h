#pragma once

#include <QtGlobal>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <tiffio.h>
#include <vector>

// Reads a page's strips or tiles in a given order, a few ahead of whoever
// turns them into pixels: on a thread of its own when there are many, so
// that decompressing the next chunks and converting the last take both
// cores, which halves the overview of a large pyramid level. While it
// reads, nobody else may use the TIFF handle.
class TiffChunkReader {
  public:
    // A chunk of each plane: the first plane's number (the others' follow
    // at planeStride apart) and the bytes each must give.
    struct Request {
        uint32_t chunk = 0;
        tmsize_t wanted = 0;
    };
    // Reads up to `depth` requests ahead of the caller, on a thread of its
    // own when that is more than one and there are enough requests; a
    // buffer of chunkBytes for each plane of each.
    TiffChunkReader(TIFF* t, bool tiled, int planes, uint32_t planeStride,
                    std::vector<Request> order, tmsize_t chunkBytes, size_t depth);
    ~TiffChunkReader();
    TiffChunkReader(const TiffChunkReader&) = delete;
    TiffChunkReader& operator=(const TiffChunkReader&) = delete;

    // The next request's planes, valid until the next call; null once a
    // chunk is short or damaged, or all were handed over.
    const std::vector<std::vector<uchar>>* next();

  private:
    bool read(size_t index, std::vector<std::vector<uchar>>& planes) const;
    void readAhead();

    TIFF* tiff;
    bool tiled;
    uint32_t planeStride;
    size_t depth;
    std::vector<Request> order;
    std::vector<std::vector<std::vector<uchar>>> sets;
    size_t handedOut = 0; // requests handed to the caller
    bool holding = false; // whether the caller still holds the last one

    std::mutex mutex;
    std::condition_variable changed;
    size_t done = 0;     // requests read into their sets
    size_t released = 0; // sets the caller is done with
    bool failed = false;
    bool stopping = false;
    std::thread worker;
};
