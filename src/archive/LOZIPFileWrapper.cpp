#include "archive/LOZIPFileWrapper.h"

#include "archive/ZipEntryFields.h"
#include "archive/ZipFileStream.h"
#include "archive/ZipMemoryStream.h"
#include "platform/FileName.h"
#include "platform/SystemMemory.h"
#include <QDate>
#include <QSet>
#include <QStringDecoder>
#include <QTime>
#include <QTimeZone>
#include <QtDebug>
#include <algorithm>
#include <cerrno>
#include <limits>
#include <minizip/unzip.h>
#include <new>
#include <optional>
#include <vector>

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

using ZipEntryFields::brokenDown;
using ZipEntryFields::decodedPath;
using ZipEntryFields::isValidDate;
using ZipEntryFields::parentPath;

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
    zlib_filefunc64_def functions = ZipFileStream::fileFunctions();
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

    zlib_filefunc64_def functions = stream->fileFunctions();
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
