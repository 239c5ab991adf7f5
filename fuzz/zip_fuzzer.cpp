// libFuzzer target for the zip reader: any bytes are opened as an archive in
// memory and, through a file, the same bytes on disk; both are listed both
// ways and every listed entry is read back. Besides the sanitizers, it
// checks that a failure always leaves an error behind, that the listings
// agree with each other, and that the file and the memory form give the same
// answers.
#include "archive/LOZIPFileWrapper.h"

#include <QByteArray>
#include <QSet>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The reader writes a line to the log for every damaged entry; thousands of
// inputs a second would drown the fuzzer's own output.
void discardMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// A file in memory, rewritten for every input and opened by its path.
int scratchFile() {
    static const int fd = memfd_create("zip_fuzzer", MFD_CLOEXEC);
    return fd;
}

std::unique_ptr<LOZIPFileWrapper> openAsFile(const uint8_t* data, size_t size, ZipError* error) {
    const int fd = scratchFile();
    require(fd >= 0 && ftruncate(fd, 0) == 0);
    require(size == 0 || pwrite(fd, data, size, 0) == ssize_t(size));
    return LOZIPFileWrapper::initWithURL(QStringLiteral("/proc/self/fd/%1").arg(fd), std::nullopt,
                                         error);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(discardMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    ZipError error, fileError;
    auto wrapper = LOZIPFileWrapper::initWithZIPData(bytes, std::nullopt, &error);
    auto fromFile = openAsFile(data, size, &fileError);
    require(bool(wrapper) == bool(fromFile));
    // The two forms name different calls when the archive cannot be opened.
    require(error.code() == fileError.code() && error.status() == fileError.status());
    if (!wrapper) {
        require(error.isError());
        require(!LOZIPFileWrapper::initWithZIPData(bytes, std::nullopt, nullptr));
        return 0;
    }
    // A small limit keeps a bomb among the inputs from eating the fuzzer's memory.
    wrapper->setEntrySizeLimit(8 << 20);
    fromFile->setEntrySizeLimit(8 << 20);

    ZipError listingError;
    const auto plain = wrapper->contentAttributesOfZIPFileIncludingFolders(false, &listingError);
    const auto withFolders = wrapper->contentAttributesOfZIPFileIncludingFolders(true, nullptr);
    const auto names = wrapper->contentOfZIPFileIncludingFolders(true, nullptr);
    const auto plainNames = wrapper->contentOfZIPFileIncludingFolders(false, nullptr);
    require(plain.has_value() == withFolders.has_value() &&
            plain.has_value() == names.has_value() && plain.has_value() == plainNames.has_value());
    require(withFolders == fromFile->contentAttributesOfZIPFileIncludingFolders(true, nullptr));
    if (!plain) {
        require(listingError.isError());
        return 0;
    }
    require(names->size() == withFolders->size() && plainNames->size() == plain->size());
    require(QSet<QString>(names->cbegin(), names->cend()).size() == names->size());
    for (auto it = plain->keyBegin(); it != plain->keyEnd(); ++it)
        require(withFolders->contains(*it));

    for (const QString& name : *names) {
        ZipError readError, fileReadError;
        const auto entry = wrapper->contentsAtPath(name, &readError);
        require(entry.has_value() != readError.isError());
        require(entry == fromFile->contentsAtPath(name, &fileReadError) &&
                readError == fileReadError);
        if (entry)
            require(entry->size() <= wrapper->entrySizeLimit());
    }
    return 0;
}
