#include "platform/MappedFile.h"

#include "platform/RegularFile.h"

#include <sys/mman.h>

std::shared_ptr<const MappedFile> MappedFile::open(const QString& path) {
    const RegularFile file = RegularFile::open(path);
    if (!file.isOpen() || file.size() <= 0)
        return nullptr;
    const size_t length = size_t(file.size());
    void* data = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, file.handle(), 0);
    if (data == MAP_FAILED)
        return nullptr;
    // Read front to back: pages far behind may go first.
    ::madvise(data, length, MADV_SEQUENTIAL);
    return std::shared_ptr<const MappedFile>(new MappedFile(data, length));
}

MappedFile::~MappedFile() {
    ::munmap(data, length);
}
