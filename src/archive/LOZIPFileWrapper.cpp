#include "archive/LOZIPFileWrapper.h"

#include "platform/FileName.h"
#include "platform/SystemMemory.h"
#include <QDate>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QTime>
#include <QTimeZone>
#include <QtDebug>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <minizip/unzip.h>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// The stream the library reads an archive in memory through. Sizes are
// 32-bit, which is why archives in memory stay below 4 GiB.
struct ZipMemoryStream {
    QByteArray bytes; // the wrapper's own copy; base points into it
    const char* base = nullptr;
    quint32 size = 0;
    quint32 limit = 0;
    quint32 offset = 0;
    qint32 grow = 1;
};

const QString LOZIPFileWrapper::fileCreationDateKey = QStringLiteral("NSFileCreationDate");
const QString LOZIPFileWrapper::fileModificationDateKey = QStringLiteral("NSFileModificationDate");
const QString LOZIPFileWrapper::fileSizeKey = QStringLiteral("NSFileSize");
const QString LOZIPFileWrapper::fileTypeKey = QStringLiteral("NSFileType");
const QString LOZIPFileWrapper::fileTypeDirectory = QStringLiteral("NSFileTypeDirectory");
const QString LOZIPFileWrapper::compressedSizeKey =
    QStringLiteral("LOZIPFileWrapperCompressedSize");
const QString LOZIPFileWrapper::compressionRatioKey =
    QStringLiteral("LOZIPFileWrapperCompresseRation");
const QString LOZIPFileWrapper::encryptedKey = QStringLiteral("LOZIPFileWrapperEncrypted");

namespace {

constexpr unsigned readChunk = 8192;
constexpr unsigned nameBufferSize = 256;
// What a read may reserve up front from the size the archive declares.
constexpr quint64 maximumReservation = 64ull << 20;

void report(ZipError* slot, const ZipError& error) {
    if (slot)
        *slot = error;
}

// ---- the memory file functions ----

voidpf ZCALLBACK memoryOpen(voidpf opaque, const void*, int) {
    auto* stream = static_cast<ZipMemoryStream*>(opaque);
    stream->limit = stream->size;
    stream->offset = 0;
    return stream;
}

uLong ZCALLBACK memoryRead(voidpf, voidpf handle, void* buffer, uLong count) {
    auto* stream = static_cast<ZipMemoryStream*>(handle);
    const uLong available = stream->limit - stream->offset;
    const uLong taken = std::min(count, available);
    if (taken > 0)
        std::memcpy(buffer, stream->base + stream->offset, taken);
    stream->offset += quint32(taken);
    return taken;
}

uLong ZCALLBACK refuseWrite(voidpf, voidpf, const void*, uLong) {
    return 0; // read only
}

ZPOS64_T ZCALLBACK memoryTell(voidpf, voidpf handle) {
    return static_cast<ZipMemoryStream*>(handle)->offset;
}

// Where a seek lands in a stream of `size` bytes now at `current`; nothing
// for an unknown origin or a place past the end. Offsets come from the
// archive; a backwards move arrives wrapped around, which the unsigned sum
// undoes.
std::optional<ZPOS64_T> seekTarget(ZPOS64_T current, ZPOS64_T size, ZPOS64_T offset, int origin) {
    ZPOS64_T start = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        start = current;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        start = size;
        break;
    default:
        return std::nullopt;
    }
    const ZPOS64_T target = start + offset;
    if (target > size)
        return std::nullopt;
    return target;
}

long ZCALLBACK memorySeek(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
    auto* stream = static_cast<ZipMemoryStream*>(handle);
    const auto target = seekTarget(stream->offset, stream->limit, offset, origin);
    if (!target)
        return -1;
    stream->offset = quint32(*target);
    return 0;
}

int ZCALLBACK memoryClose(voidpf, voidpf) {
    return 0; // the wrapper frees the stream
}

int ZCALLBACK memoryError(voidpf, voidpf) {
    return 0;
}

// ---- the file functions ----

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
};

qint64 readAt(ZipFileStream* stream, char* buffer, quint64 count, quint64 offset) {
    for (;;) {
        const ssize_t got = pread(stream->fd, buffer, count, off_t(offset));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            stream->failed = true;
            return -1;
        }
    }
}

voidpf ZCALLBACK fileOpen(voidpf, const void* filename, int) {
    const int fd = ::open(static_cast<const char*>(filename), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto* stream = new (std::nothrow) ZipFileStream;
    if (!stream) {
        ::close(fd);
        return nullptr;
    }
    stream->fd = fd;
    stream->size = quint64(info.st_size);
    return stream;
}

uLong ZCALLBACK fileRead(voidpf, voidpf handle, void* buffer, uLong count) {
    auto* stream = static_cast<ZipFileStream*>(handle);
    char* out = static_cast<char*>(buffer);
    // Most calls are for one byte of a header field.
    if (count == 1 && stream->position - stream->blockStart < stream->blockLength) {
        *out = stream->block[stream->position++ - stream->blockStart];
        return 1;
    }
    uLong done = 0;
    while (done < count) {
        const quint64 at = stream->position;
        if (at >= stream->blockStart && at < stream->blockStart + stream->blockLength) {
            const quint64 taken =
                std::min<quint64>(count - done, stream->blockStart + stream->blockLength - at);
            std::memcpy(out + done, stream->block + (at - stream->blockStart), taken);
            done += taken;
            stream->position += taken;
            continue;
        }
        // Large reads (compressed data) bypass the block.
        const bool direct = count - done >= sizeof stream->block / 4;
        const qint64 got = direct ? readAt(stream, out + done, count - done, at)
                                  : readAt(stream, stream->block, sizeof stream->block, at);
        if (got <= 0)
            break;
        if (direct) {
            done += uLong(got);
            stream->position += quint64(got);
        } else {
            stream->blockStart = at;
            stream->blockLength = quint64(got);
        }
    }
    return done;
}

ZPOS64_T ZCALLBACK fileTell(voidpf, voidpf handle) {
    return static_cast<ZipFileStream*>(handle)->position;
}

long ZCALLBACK fileSeek(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
    auto* stream = static_cast<ZipFileStream*>(handle);
    const auto target = seekTarget(stream->position, stream->size, offset, origin);
    if (!target)
        return -1;
    stream->position = *target;
    return 0;
}

int ZCALLBACK fileClose(voidpf, voidpf handle) {
    auto* stream = static_cast<ZipFileStream*>(handle);
    const int result = ::close(stream->fd);
    delete stream;
    return result;
}

int ZCALLBACK fileError(voidpf, voidpf handle) {
    return static_cast<ZipFileStream*>(handle)->failed ? 1 : 0;
}

// ---- entry paths and records ----

std::optional<QString> decodeWindows1252(const QByteArray& bytes) {
    // 0x80-0x9F; zero marks the five bytes the code page leaves undefined.
    static const char16_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte <= 0x9F) {
            if (high[byte - 0x80] == 0)
                return std::nullopt;
            *out++ = QChar(high[byte - 0x80]);
        } else {
            *out++ = QChar(byte);
        }
    }
    return text;
}

QString decodedPath(const QByteArray& stored, QStringDecoder& utf8) {
    const bool ascii = std::all_of(stored.cbegin(), stored.cend(), [](char c) { return c >= 0; });
    QString path;
    if (ascii) {
        path = QString::fromLatin1(stored);
    } else {
        utf8.resetState();
        path = utf8.decode(stored);
    }
    if (!ascii && utf8.hasError()) {
        const std::optional<QString> latin = decodeWindows1252(stored);
        path = latin ? *latin : QStringLiteral("Untitled Document");
    }
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

tm_unz brokenDown(const quint32 (&date)[6]) {
    tm_unz tm;
    tm.tm_sec = date[0];
    tm.tm_min = date[1];
    tm.tm_hour = date[2];
    tm.tm_mday = date[3];
    tm.tm_mon = date[4];
    tm.tm_year = date[5];
    return tm;
}

bool isValidDate(const tm_unz& tm) {
    // The month arrives 0-based, so a stored month 0 shows up as a huge number.
    return tm.tm_sec < 60 && tm.tm_min < 60 && tm.tm_hour < 24 && tm.tm_mday != 0 && tm.tm_mon < 12;
}

// The path without its last component, as a view into the path itself; a
// trailing slash is not a component, and the parent of a top-level path
// beginning with "/" is "/".
QStringView parentPath(QStringView path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringView();
    if (slash == 0)
        return path.left(1);
    QStringView parent = path.left(slash);
    while (parent.size() > 1 && parent.endsWith(QLatin1Char('/')))
        parent.chop(1);
    return parent;
}

} // namespace

LOZIPFileWrapper::LOZIPFileWrapper() : sizeLimit(defaultEntrySizeLimit()) {}

LOZIPFileWrapper::~LOZIPFileWrapper() {
    // The handle reads through the memory stream, so it goes first.
    if (zip)
        unzClose(zip);
    unzmem.reset();
}

std::unique_ptr<LOZIPFileWrapper>
LOZIPFileWrapper::initWithURL(const QString& path, const std::optional<QString>& password,
                              ZipError* error) {
    std::unique_ptr<LOZIPFileWrapper> wrapper(new LOZIPFileWrapper);
    wrapper->archivePath = path;
    wrapper->passwordText = password;
    zlib_filefunc64_def functions;
    functions.zopen64_file = fileOpen;
    functions.zread_file = fileRead;
    functions.zwrite_file = refuseWrite;
    functions.ztell64_file = fileTell;
    functions.zseek64_file = fileSeek;
    functions.zclose_file = fileClose;
    functions.zerror_file = fileError;
    functions.opaque = nullptr;
    // A NUL would end the C path early and open some other file.
    if (!path.contains(QChar(0)))
        wrapper->zip = unzOpen2_64(FileName::encode(path).constData(), &functions);
    if (!wrapper->zip) {
        report(error, ZipError::withMessage(2, QStringLiteral("error in unzOpen")));
        return nullptr;
    }
    return finishOpening(std::move(wrapper), error);
}

std::unique_ptr<LOZIPFileWrapper>
LOZIPFileWrapper::initWithZIPData(const QByteArray& data, const std::optional<QString>& password,
                                  ZipError* error) {
    // The memory stream counts in 32 bits: 4 GiB or more would be read cut
    // short at the wrapped-around size, so such bytes are refused outright.
    if (quint64(data.size()) > std::numeric_limits<quint32>::max()) {
        report(error, ZipError::withMessage(2, QStringLiteral("error in unzOpen2")));
        return nullptr;
    }
    std::unique_ptr<LOZIPFileWrapper> wrapper(new LOZIPFileWrapper);
    wrapper->passwordText = password;
    auto stream = std::make_unique<ZipMemoryStream>();
    // A deep copy: the caller's bytes may be borrowed storage that goes away.
    stream->bytes = QByteArray(data.constData(), data.size());
    stream->base = stream->bytes.constData();
    stream->size = quint32(data.size());
    stream->grow = 1;
    wrapper->archiveBytes = stream->bytes;

    zlib_filefunc64_def functions;
    functions.zopen64_file = memoryOpen;
    functions.zread_file = memoryRead;
    functions.zwrite_file = refuseWrite;
    functions.ztell64_file = memoryTell;
    functions.zseek64_file = memorySeek;
    functions.zclose_file = memoryClose;
    functions.zerror_file = memoryError;
    functions.opaque = stream.get();
    wrapper->unzmem = std::move(stream);
    wrapper->zip = unzOpen2_64("__notused__", &functions);
    if (!wrapper->zip) {
        report(error, ZipError::withMessage(2, QStringLiteral("error in unzOpen2")));
        return nullptr;
    }
    return finishOpening(std::move(wrapper), error);
}

std::unique_ptr<LOZIPFileWrapper>
LOZIPFileWrapper::finishOpening(std::unique_ptr<LOZIPFileWrapper> wrapper, ZipError* error) {
    if (!wrapper->openWithError(error))
        return nullptr;
    ZipError listingFailure;
    wrapper->contentAttributes =
        wrapper->rawContentAttributes(&listingFailure, &wrapper->storedKeys);
    if (!wrapper->contentAttributes) {
        // The wrapper is still handed out, without a listing; the slot tells.
        wrapper->listingError = listingFailure;
        report(error, listingFailure);
        return wrapper;
    }
    for (auto it = wrapper->contentAttributes->keyBegin();
         it != wrapper->contentAttributes->keyEnd(); ++it) {
        if (isAppleDoublePath(*it))
            wrapper->appleDoubleFiles.insert(*it);
    }
    return wrapper;
}

bool LOZIPFileWrapper::openWithError(ZipError* error) {
    int status = unzGoToFirstFile(zip);
    if (status != UNZ_OK) {
        report(error, ZipError::withStatus(
                          1, QStringLiteral("error %d with zipfile in unzGoToFirstFile"), status));
        return false;
    }
    unz_file_info64 info;
    status = unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    if (status != UNZ_OK) {
        report(error,
               ZipError::withStatus(
                   1, QStringLiteral("error %d with zipfile in unzGetCurrentFileInfo"), status));
        return false;
    }
    const QByteArray password = passwordText ? passwordText->toUtf8() : QByteArray();
    status = unzOpenCurrentFilePassword(zip, passwordText ? password.constData() : nullptr);
    if (status != UNZ_OK) {
        report(error, ZipError::withStatus(
                          1, QStringLiteral("error %d with zipfile in unzOpenCurrentFilePassword"),
                          status));
        return false;
    }
    char buffer[256];
    const int read = unzReadCurrentFile(zip, buffer, sizeof buffer);
    if (read < 0 && error) {
        // Without the right password an encrypted entry inflates to garbage.
        if (read == Z_DATA_ERROR && (info.flag & 1))
            *error = ZipError::withStatus(
                3, QStringLiteral("error %d with zipfile in unzReadCurrentFile"), 0);
        else
            *error = ZipError::withStatus(
                4, QStringLiteral("error %d with zipfile in unzReadCurrentFile"), read);
    }
    const int closed = unzCloseCurrentFile(zip);
    if (closed != UNZ_OK && error) {
        *error = ZipError::withStatus(
                     1, QStringLiteral("error %d with zipfile in unzCloseCurrentFile"), closed)
                     .withUnderlying(*error);
    }
    return read >= 0;
}

std::optional<LOZIPFileWrapper::Listing>
LOZIPFileWrapper::rawContentAttributes(ZipError* error, QStringList* order) {
    // Gathered in order first, so that the map is built once at its final
    // size instead of rehashing every key as it grows.
    std::vector<std::pair<QString, EntryInfo>> entries;
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    int status = unzGoToFirstFile(zip);
    if (status != UNZ_OK) {
        report(error, ZipError::withStatus(
                          1, QStringLiteral("error %d with zipfile in unzGoToFirstFile"), status));
        return std::nullopt;
    }
    char name[nameBufferSize];
    for (;;) {
        unz_file_info64 info;
        status = unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        if (status != UNZ_OK) {
            qWarning("LOZIPFileWrapper: error %d with zipfile in unzGetCurrentFileInfo", status);
            report(error, ZipError::withStatus(
                              1, QStringLiteral("error %d with zipfile in unzGetCurrentFileInfo"),
                              status));
            return std::nullopt;
        }
        // A longer name fills the buffer and is left without its terminating
        // NUL, so its length is the smaller of the two.
        const QByteArray stored(name, qsizetype(std::min<uLong>(info.size_filename, sizeof name)));
        EntryInfo entry;
        entry.size = info.uncompressed_size;
        entry.compressedSize = info.compressed_size;
        const tm_unz& tm = info.tmu_date;
        const quint32 date[6] = {tm.tm_sec,  tm.tm_min, tm.tm_hour,
                                 tm.tm_mday, tm.tm_mon, tm.tm_year};
        std::copy(std::begin(date), std::end(date), entry.date);
        entry.encrypted = (info.flag & 1) != 0;
        entries.emplace_back(decodedPath(stored, utf8), entry);
        status = unzGoToNextFile(zip);
        if (status == UNZ_END_OF_LIST_OF_FILE)
            break;
        if (status != UNZ_OK) {
            report(error,
                   ZipError::withStatus(
                       1, QStringLiteral("error %d with zipfile in unzGoToNextFile"), status));
            return std::nullopt;
        }
    }
    Listing listing;
    listing.reserve(qsizetype(entries.size()));
    order->clear();
    order->reserve(qsizetype(entries.size()));
    for (auto& [path, entry] : entries) {
        const qsizetype before = listing.size();
        listing.insert(path, entry); // a later entry of the same path wins
        if (listing.size() != before)
            order->append(std::move(path));
    }
    return listing;
}

QVariantMap LOZIPFileWrapper::recordOf(const EntryInfo& info) {
    QVariantMap record;
    const tm_unz tm = brokenDown(info.date);
    if (isValidDate(tm)) {
        const QDateTime date = dateFromTM(tm);
        record.insert(fileCreationDateKey, date);
        record.insert(fileModificationDateKey, date);
    }
    record.insert(fileSizeKey, QVariant::fromValue(info.size));
    record.insert(compressedSizeKey, QVariant::fromValue(info.compressedSize));
    record.insert(
        compressionRatioKey,
        QVariant::fromValue(info.size == 0 ? quint64(0) : info.compressedSize * 100 / info.size));
    record.insert(encryptedKey, info.encrypted);
    return record;
}

QStringList LOZIPFileWrapper::publicKeys(bool includeFolders, QSet<QString>* folders) const {
    QStringList keys;
    if (appleDoubleFiles.isEmpty()) {
        keys = storedKeys;
    } else {
        keys.reserve(storedKeys.size());
        for (const QString& key : storedKeys) {
            if (!appleDoubleFiles.contains(key))
                keys.append(key);
        }
    }
    if (!includeFolders)
        return keys;

    // Views into the keys, whose characters the cached listing keeps alive;
    // a string is made only for the few folders that are new. Entries come
    // folder by folder, so most share the previous entry's folder.
    QSet<QStringView> derived;
    QStringView previous;
    const qsizetype stored = keys.size();
    for (qsizetype i = 0; i < stored; ++i) {
        QStringView folder = parentPath(keys.at(i));
        if (!previous.isNull() && folder == previous)
            continue;
        previous = folder.isNull() ? QStringView(u"") : folder;
        // The root of an absolute path is not a folder of the archive, and
        // it is its own parent, so the walk ends there.
        for (; !folder.isEmpty() && folder != QLatin1String("/"); folder = parentPath(folder)) {
            if (derived.contains(folder))
                break; // and so are all its parents
            derived.insert(folder);
            const QString name = folder.toString();
            if (folders)
                folders->insert(name);
            // A stored entry of that name gives way to the folder but keeps
            // its one key. A folder never begins with "__MACOSX": its
            // entries would too, and they were left out above.
            if (!contentAttributes->contains(name))
                keys.append(name);
        }
    }
    return keys;
}

std::optional<LOZIPFileWrapper::ContentAttributes>
LOZIPFileWrapper::contentAttributesOfZIPFileIncludingFolders(bool includeFolders,
                                                             ZipError* error) const {
    if (!contentAttributes) {
        report(error, listingError);
        return std::nullopt;
    }
    ContentAttributes listing;
    QSet<QString> folders;
    const QStringList keys = publicKeys(includeFolders, &folders);
    listing.reserve(keys.size());
    const QVariantMap folderRecord{{fileTypeKey, fileTypeDirectory}};
    for (const QString& key : keys) {
        // Derived folders replace whatever record was stored under their path.
        listing.insert(key, folders.contains(key) ? folderRecord
                                                  : recordOf(contentAttributes->value(key)));
    }
    return listing;
}

std::optional<QStringList>
LOZIPFileWrapper::contentOfZIPFileIncludingFolders(bool includeFolders, ZipError* error) const {
    if (!contentAttributes) {
        report(error, listingError);
        return std::nullopt;
    }
    return publicKeys(includeFolders);
}

std::optional<QByteArray> LOZIPFileWrapper::contentsAtPath(const QString& path, ZipError* error) {
    const QByteArray name = path.toUtf8();
    // The lookup compares C strings: a NUL would cut the path short and find
    // some other entry.
    int status = name.contains('\0') ? UNZ_PARAMERROR : UNZ_OK;
    if (status == UNZ_OK) {
        // The lookup refuses to search once a damaged directory left the
        // cursor on nothing; starting over gives every lookup the same chance.
        unzGoToFirstFile(zip);
        status = unzLocateFile(zip, name.constData(), 1);
    }
    if (status != UNZ_OK) {
        report(error, ZipError::withMessage(5, QStringLiteral("file not found")));
        return std::nullopt;
    }
    unz_file_info64 info;
    status = unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    if (status != UNZ_OK) {
        report(error,
               ZipError::withStatus(
                   1, QStringLiteral("error %d with zipfile in unzGetCurrentFileInfo"), status));
        return std::nullopt;
    }
    const QByteArray password = passwordText ? passwordText->toUtf8() : QByteArray();
    status = unzOpenCurrentFilePassword(zip, passwordText ? password.constData() : nullptr);
    if (status != UNZ_OK) {
        report(error, ZipError::withStatus(
                          1, QStringLiteral("error %d with zipfile in unzOpenCurrentFilePassword"),
                          status));
        return std::nullopt;
    }

    const qint64 limit =
        std::clamp<qint64>(sizeLimit, 0, std::numeric_limits<qsizetype>::max() / 2);
    QByteArray bytes;
    qsizetype size = 0;
    try {
        // The declared size comes from the archive and may be a lie in
        // either direction: reserve no more than a modest amount from it and
        // let the buffer grow with what actually comes out.
        bytes.reserve(qsizetype(
            std::min({quint64(info.uncompressed_size), maximumReservation, quint64(limit) + 1})));
        for (;;) {
            const qint64 room = limit - size;
            // One byte past the limit is enough to tell that the entry goes on.
            const unsigned ask = room >= qint64(readChunk) ? readChunk : unsigned(room) + 1;
            if (bytes.capacity() - size < qsizetype(ask)) {
                const qint64 grown = std::max<qint64>(qint64(bytes.capacity()) * 2, size + ask);
                bytes.reserve(qsizetype(std::min<qint64>(grown, limit + 1)));
            }
            bytes.resize(size + ask);
            const int read = unzReadCurrentFile(zip, bytes.data() + size, ask);
            if (read == 0)
                break;
            int failure = read < 0 ? read : 0;
            if (read > 0) {
                size += read;
                // Inflating this far means a zip bomb or an archive the
                // machine cannot hold; stop before memory runs out.
                if (size > limit)
                    failure = entryTooLargeStatus();
            }
            if (failure != 0) {
                qWarning("LOZIPFileWrapper: error %d with zipfile in unzReadCurrentFile", failure);
                report(error, ZipError::withStatus(
                                  4, QStringLiteral("error %d with zipfile in unzReadCurrentFile"),
                                  failure));
                return std::nullopt;
            }
        }
        bytes.resize(size);
        if (bytes.capacity() - size > (1 << 20))
            bytes.squeeze(); // the declared size promised more than there was
    } catch (const std::bad_alloc&) {
        report(error, ZipError::posix(ENOMEM, QStringLiteral("Error allocating memory")));
        return std::nullopt;
    }

    const int closed = unzCloseCurrentFile(zip);
    if (closed != UNZ_OK) {
        // A CRC mismatch shows up here, after all the bytes were read.
        if (error) {
            *error = ZipError::withStatus(
                         1, QStringLiteral("error %d with zipfile in unzCloseCurrentFile"), closed)
                         .withUnderlying(*error);
        }
        return std::nullopt;
    }
    return bytes;
}

QDateTime LOZIPFileWrapper::dateFromTM(const tm_unz_s& tm) {
    // Built up by adding, so that 31 February becomes early March rather
    // than an invalid date.
    const QDate date =
        QDate(int(tm.tm_year), 1, 1).addMonths(int(tm.tm_mon)).addDays(qint64(tm.tm_mday) - 1);
    return QDateTime(date, QTime(0, 0), QTimeZone::utc())
        .addSecs(qint64(tm.tm_hour) * 3600 + qint64(tm.tm_min) * 60 + qint64(tm.tm_sec));
}

bool LOZIPFileWrapper::isAppleDoublePath(const QString& path) {
    return path.startsWith(QLatin1String("__MACOSX"));
}

qint64 LOZIPFileWrapper::defaultEntrySizeLimit() {
    const qint64 limit = SystemMemory::physicalMemory() / 4;
    return std::clamp<qint64>(limit, 64ll << 20, std::numeric_limits<qsizetype>::max() / 2);
}

int LOZIPFileWrapper::entryTooLargeStatus() {
    return Z_MEM_ERROR;
}
