#include "platform/imagesource/DecodeLimits.h"

#include "platform/SystemMemory.h"
#include <QImageReader>
#include <algorithm>

qint64 DecodeLimits::budgetBytes() {
    const qint64 machineBudget = std::max(SystemMemory::physicalMemory() / 4, qint64(256) << 20);
    const int qtLimitMb = QImageReader::allocationLimit();
    if (qtLimitMb > 0)
        return std::min(machineBudget, qint64(qtLimitMb) << 20);
    return machineBudget;
}

qint64 DecodeLimits::workBudgetBytes() {
    return std::max(SystemMemory::physicalMemory() / 2, qint64(512) << 20);
}

bool DecodeLimits::allows(qint64 width, qint64 height, int bytesPerPixel, int workBytesPerPixel) {
    if (!allowsSize(width, height) || bytesPerPixel <= 0 || workBytesPerPixel < 0)
        return false;
    const qint64 pixels = width * height; // at most 2^36: no overflow below
    return pixels * bytesPerPixel <= budgetBytes() && allowsWork(pixels * workBytesPerPixel);
}

bool DecodeLimits::allowsWork(qint64 bytes) {
    return bytes >= 0 && bytes <= workBudgetBytes();
}

qint64 DecodeLimits::maxFileBytes() {
    return budgetBytes();
}
