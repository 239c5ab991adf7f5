#include "platform/SystemMemory.h"

#include <unistd.h>

qint64 SystemMemory::physicalMemory() {
    static const qint64 memory = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0)
            return qint64(4) << 30;
        return qint64(pages) * qint64(pageSize);
    }();
    return memory;
}
