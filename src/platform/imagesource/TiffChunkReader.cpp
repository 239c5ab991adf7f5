#include "platform/imagesource/TiffChunkReader.h"

#include <algorithm>
#include <system_error>

namespace {

// Fewer than this are read as asked: a thread costs more than it saves.
constexpr size_t threadedFrom = 8;

} // namespace

TiffChunkReader::TiffChunkReader(TIFF* t, bool tiled, int planes, uint32_t planeStride,
                                 std::vector<Request> requests, tmsize_t chunkBytes, size_t ahead)
    : tiff(t), tiled(tiled), planeStride(planeStride), depth(std::max<size_t>(ahead, 1)),
      order(std::move(requests)) {
    if (order.size() < threadedFrom)
        depth = 1;
    sets.assign(depth, std::vector<std::vector<uchar>>(size_t(planes),
                                                       std::vector<uchar>(size_t(chunkBytes))));
    if (depth == 1)
        return;
    try {
        worker = std::thread([this] { readAhead(); });
    } catch (const std::system_error&) {
        depth = 1; // no thread to be had: read as asked
    }
}

TiffChunkReader::~TiffChunkReader() {
    if (!worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    worker.join();
}

bool TiffChunkReader::read(size_t index, std::vector<std::vector<uchar>>& planes) const {
    const Request& request = order[index];
    for (size_t p = 0; p < planes.size(); ++p) {
        void* into = planes[p].data();
        const uint32_t chunk = request.chunk + uint32_t(p) * planeStride;
        const tmsize_t got = tiled ? TIFFReadEncodedTile(tiff, chunk, into, request.wanted)
                                   : TIFFReadEncodedStrip(tiff, chunk, into, request.wanted);
        if (got < request.wanted)
            return false;
    }
    return true;
}

void TiffChunkReader::readAhead() {
    for (size_t i = 0; i < order.size(); ++i) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return stopping || i - released < depth; });
            if (stopping)
                return;
        }
        const bool ok = read(i, sets[i % depth]);
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (ok)
                done = i + 1;
            else
                failed = true;
        }
        changed.notify_all();
        if (!ok)
            return;
    }
}

const std::vector<std::vector<uchar>>* TiffChunkReader::next() {
    if (handedOut >= order.size())
        return nullptr;
    if (!worker.joinable()) {
        if (!read(handedOut, sets[0]))
            return nullptr;
        ++handedOut;
        return &sets[0];
    }
    std::unique_lock<std::mutex> lock(mutex);
    // The slot handed out last is free to be read into again.
    if (holding)
        ++released;
    changed.notify_all();
    changed.wait(lock, [&] { return done > handedOut || failed; });
    if (done <= handedOut)
        return nullptr;
    holding = true;
    return &sets[handedOut++ % depth];
}
