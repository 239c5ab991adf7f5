#include "archive/LOZIPFileWrapper.h"
#include "support/ZipBuilder.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Wrapper = std::unique_ptr<LOZIPFileWrapper>;

Wrapper open(const QByteArray& bytes, ZipError* error = nullptr) {
    return LOZIPFileWrapper::initWithZIPData(bytes, std::nullopt, error);
}

QStringList list(std::initializer_list<const char*> names) {
    QStringList out;
    for (const char* name : names)
        out.append(QString::fromUtf8(name));
    return out;
}

std::optional<QByteArray> read(const Wrapper& wrapper, const char* name,
                               ZipError* error = nullptr) {
    return wrapper->contentsAtPath(QString::fromUtf8(name), error);
}

// One field of an entry's record in the listing without folders.
QVariant field(const Wrapper& wrapper, const char* name, const QString& key) {
    return wrapper->contentAttributesOfZIPFileIncludingFolders(false, nullptr)
        ->value(QString::fromUtf8(name))
        .value(key);
}

QStringList sorted(const std::optional<QStringList>& list) {
    QStringList copy = list.value_or(QStringList{QStringLiteral("<none>")});
    copy.sort();
    return copy;
}

QStringList listed(const Wrapper& wrapper, bool folders) {
    return sorted(wrapper->contentOfZIPFileIncludingFolders(folders, nullptr));
}

void expectError(const ZipError& error, int code, const char* message, std::optional<int> status) {
    EXPECT_EQ(error.domain(), ZipError::wrapperDomain);
    EXPECT_EQ(error.code(), code);
    EXPECT_EQ(error.localizedDescription(), QString::fromUtf8(message));
    EXPECT_EQ(error.status(), status);
}

// A pseudo-random byte pattern that still compresses a little, like image data.
QByteArray noise(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = char((state >> 16) & 0x3F);
    }
    return bytes;
}

// ---- construction and errors ----

TEST(LOZIPFileWrapperConstruction, WhatCannotBeOpenedFailsWithItsCodeAndMessage) {
    ZipError error;
    EXPECT_FALSE(
        LOZIPFileWrapper::initWithURL(QStringLiteral("/nonexistent/a.zip"), std::nullopt, &error));
    expectError(error, 2, "error in unzOpen", std::nullopt);
    EXPECT_EQ(error.userInfo().size(), 1) << "the message alone";

    ZipBuilder encrypted;
    encrypted.add("secret.png", noise(5000)).password = "pass";
    struct Case {
        QByteArray bytes;
        int code;
        const char* message;
        std::optional<int> status;
    };
    const Case cases[] = {
        {"PK\3\4 not really a zip", 2, "error in unzOpen2", std::nullopt},
        // The library finds no end record at offset 0, so a bare empty archive already fails to
        // open; behind a prefix it opens and has no first entry.
        {ZipBuilder().bytes(), 2, "error in unzOpen2", std::nullopt},
        {ZipBuilder().bytes("#!/bin/sh\n"), 1, "error -103 with zipfile in unzGoToFirstFile", -103},
        // An encrypted first entry fails the trial read.
        {encrypted.bytes(), 3, "error 0 with zipfile in unzReadCurrentFile", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        error = ZipError();
        EXPECT_FALSE(open(c.bytes, &error));
        expectError(error, c.code, c.message, c.status);
        EXPECT_FALSE(open(c.bytes)) << "fails the same way without an error slot";
    }
    // Debian's build of the library leaves decryption out and refuses any password.
    error = ZipError();
    EXPECT_FALSE(
        LOZIPFileWrapper::initWithZIPData(encrypted.bytes(), QStringLiteral("pass"), &error));
    expectError(error, 1, "error -102 with zipfile in unzOpenCurrentFilePassword", -102);

    // 4 GiB or more are refused unread: address space that faults on any access would crash a
    // wrapper that copied or parsed the bytes.
    const size_t size = 4ull << 30;
    void* region =
        mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(region, MAP_FAILED);
    error = ZipError();
    EXPECT_FALSE(
        open(QByteArray::fromRawData(static_cast<const char*>(region), qsizetype(size)), &error));
    expectError(error, 2, "error in unzOpen2", std::nullopt);
    munmap(region, size);
}

TEST(LOZIPFileWrapperConstruction, FailingCloseAfterTheTrialReadKeepsTheWrapperAndEarlierError) {
    ZipBuilder zip;
    zip.add("small.png", "tiny").crc = 0xDEADBEEF; // read whole by the trial, so checked
    const ZipError earlier = ZipError::withMessage(9, QStringLiteral("earlier"));
    ZipError error = earlier;
    const Wrapper wrapper = open(zip.bytes(), &error);
    ASSERT_TRUE(wrapper);
    expectError(error, 1, "error -105 with zipfile in unzCloseCurrentFile", -105);
    EXPECT_EQ(error.underlyingError(), earlier);
    EXPECT_EQ(listed(wrapper, false), QStringList{QStringLiteral("small.png")});
    EXPECT_EQ(wrapper->ZIPData(), zip.bytes());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.zip"));
    ASSERT_TRUE(zip.writeTo(path));
    EXPECT_EQ(LOZIPFileWrapper::initWithURL(path, std::nullopt, nullptr)->URL(), path);
}

TEST(LOZIPFileWrapperConstruction, DamagedDirectoryGivesAWrapperWithoutListing) {
    ZipBuilder zip;
    zip.add("a.png", "first");
    zip.add("b/c.jpg", noise(20000));
    QByteArray bytes = zip.bytes();
    const qsizetype first = bytes.indexOf("PK\1\2");
    bytes[bytes.indexOf("PK\1\2", first + 1) + 3] = 'X';
    ZipError error;
    const Wrapper wrapper = open(bytes, &error);
    ASSERT_TRUE(wrapper) << "the listing fails after the trial read succeeded";
    expectError(error, 1, "error -103 with zipfile in unzGoToNextFile", -103);
    ZipError listingError;
    EXPECT_FALSE(wrapper->contentOfZIPFileIncludingFolders(true, &listingError));
    EXPECT_EQ(listingError, error);
    EXPECT_FALSE(wrapper->contentAttributesOfZIPFileIncludingFolders(false, nullptr));
    EXPECT_EQ(read(wrapper, "a.png"), QByteArray("first"));
}

// ---- names and paths ----

TEST(LOZIPFileWrapperNames, StoredNamesAreDecodedForTheListingButLookedUpAsBytes) {
    ZipBuilder zip;
    zip.add("dir\\img.png", "backslash");
    zip.add("caf\xE9.png", "windows-1252");
    zip.add("bad\x81\xC3.png", "neither");
    zip.add("\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE/photo.png", "utf-8");
    zip.add(QByteArray(255, 'a'), "fits");
    zip.add(QByteArray(256, 'b'), "at the lookup limit");
    zip.add(QByteArray(300, 'c'), "beyond the buffer");
    zip.add("../../etc/evil.png", "up");
    zip.add("/abs/x.png", "root");
    zip.add("twice.png", "earlier");
    zip.add("twice.png", "the later one");
    const Wrapper wrapper = open(zip.bytes());
    ASSERT_TRUE(wrapper);
    // Long names are cut in the listing; nothing is resolved, and the root is no folder.
    const QStringList names =
        list({"dir/img.png", "café.png", "Untitled Document", "фото/photo.png",
              "../../etc/evil.png", "/abs/x.png", "twice.png"}) +
        QStringList{QString(255, 'a'), QString(256, 'b'), QString(256, 'c')};
    EXPECT_EQ(listed(wrapper, false), sorted(names));
    EXPECT_EQ(listed(wrapper, true),
              sorted(names + list({"dir", "фото", "../../etc", "../..", "..", "/abs"})));

    const std::pair<QString, std::optional<QByteArray>> reads[] = {
        {QStringLiteral("dir\\img.png"), "backslash"},
        {QStringLiteral("dir/img.png"), std::nullopt},
        {QStringLiteral("фото/photo.png"), "utf-8"},
        {QStringLiteral("фото/PHOTO.png"), std::nullopt}, // case matters
        {QStringLiteral("dir\\img.png") + QChar(0) + QStringLiteral("x"), std::nullopt},
        {QString(255, 'a'), "fits"},
        {QStringLiteral("../../etc/evil.png"), "up"},
        {QStringLiteral("twice.png"), "earlier"}, // the earlier is read, the later listed
    };
    for (const auto& [name, contents] : reads) {
        ZipError error;
        EXPECT_EQ(wrapper->contentsAtPath(name, &error), contents) << name.left(40).toStdString();
        if (!contents)
            expectError(error, 5, "file not found", std::nullopt);
    }
    EXPECT_EQ(field(wrapper, "twice.png", LOZIPFileWrapper::fileSizeKey), 13u);
}

// ---- listing ----

// Folders are derived from paths only when asked; AppleDouble entries are left out but stay
// readable.
TEST(LOZIPFileWrapperListing, FoldersAreDerivedFromPathsOnlyWhenAskedAndAppleDoubleIsLeftOut) {
    ZipBuilder zip;
    zip.add("a/b/c.png", "c");
    zip.add("photos/");
    zip.add("photos/cat.png", "cat");
    zip.add("a", "a file named like a folder");
    zip.add("__MACOSX/._cover.png", "resource fork");
    zip.add("__MACOSXjunk.png");
    zip.add("sub/._cover.png", "kept");
    const Wrapper wrapper = open(zip.bytes());
    ASSERT_TRUE(wrapper);
    const QStringList stored =
        list({"a/b/c.png", "photos/", "photos/cat.png", "a", "sub/._cover.png"});
    EXPECT_EQ(listed(wrapper, false), sorted(stored));
    EXPECT_EQ(listed(wrapper, true), sorted(stored + list({"a/b", "photos", "sub"})));

    const auto listing = wrapper->contentAttributesOfZIPFileIncludingFolders(true, nullptr);
    const QVariantMap folder{{LOZIPFileWrapper::fileTypeKey, LOZIPFileWrapper::fileTypeDirectory}};
    EXPECT_EQ(listing->value(QStringLiteral("a/b")), folder);
    EXPECT_EQ(listing->value(QStringLiteral("a")), folder) << "the folder takes the file's place";
    EXPECT_EQ(listing->value(QStringLiteral("photos")), folder);
    EXPECT_NE(listing->value(QStringLiteral("photos/")), folder)
        << "a stored folder keeps its record";

    EXPECT_EQ(read(wrapper, "photos/"), QByteArray(""));
    EXPECT_EQ(read(wrapper, "__MACOSX/._cover.png"), QByteArray("resource fork"));
    ZipError error;
    EXPECT_FALSE(read(wrapper, "photos", &error)) << "derived, not stored";
    EXPECT_EQ(error.code(), 5);
}

// ---- reading ----

QStringList logged;
void keepMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    logged.append(message);
}

// Entries read whole, archives within archives too; damaged entries fail with their codes and
// the others stay readable.
TEST(LOZIPFileWrapperReading, ReadsEntriesWholeAndDamagedOnesFailWithTheirCodes) {
    ZipBuilder inner;
    inner.add("inner.png", "deep");
    ZipBuilder zip;
    zip.add("good.png", "fine");
    zip.add("stored.png", noise(100000)).deflated = false;
    zip.add("deflated.png", noise(300001));
    zip.add("nested.zip", inner.bytes());
    zip.add("cut.png", noise(50000)).keepCompressed = 1000;
    zip.add("crc.png", noise(50000)).crc = 1;
    const Wrapper wrapper = open(zip.bytes());
    ASSERT_TRUE(wrapper);
    EXPECT_EQ(read(wrapper, "stored.png"), noise(100000));
    EXPECT_EQ(read(wrapper, "deflated.png"), noise(300001));
    const Wrapper nested = open(read(wrapper, "nested.zip").value());
    ASSERT_TRUE(nested);
    EXPECT_EQ(read(nested, "inner.png"), QByteArray("deep"));

    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    ZipError error;
    EXPECT_FALSE(read(wrapper, "cut.png", &error));
    qInstallMessageHandler(previous);
    EXPECT_EQ(error.code(), 4);
    ASSERT_TRUE(error.status() && *error.status() < 0);
    EXPECT_EQ(
        logged,
        QStringList{QStringLiteral("LOZIPFileWrapper: error %1 with zipfile in unzReadCurrentFile")
                        .arg(*error.status())});
    error = ZipError();
    EXPECT_FALSE(read(wrapper, "crc.png", &error));
    expectError(error, 1, "error -105 with zipfile in unzCloseCurrentFile", -105);
    EXPECT_EQ(read(wrapper, "good.png"), QByteArray("fine"));
}

// An entry that inflates beyond the limit is stopped; a declared size does not size the buffer.
TEST(LOZIPFileWrapperReading, TheSizeLimitStopsAnEntryAndTheDeclaredSizeAllocatesNothing) {
    ZipBuilder zip;
    zip.add("first.png", "x");
    zip.add("bomb.png", QByteArray(4 << 20, '\0'));
    zip.add("liar.png", "only this").declaredSize = 0xFFFFFFF0u;
    zip.add("big liar.png", "and this").declaredSize = 1ull << 62; // through the zip64 field
    const Wrapper wrapper = open(zip.bytes());
    ASSERT_TRUE(wrapper);
    const qint64 limitGiven = wrapper->entrySizeLimit();
    EXPECT_GE(limitGiven, 64 << 20);
    wrapper->setEntrySizeLimit(4 << 20);
    EXPECT_EQ(read(wrapper, "bomb.png")->size(), 4 << 20) << "exactly at the limit is still fine";
    wrapper->setEntrySizeLimit((4 << 20) - 1);
    ZipError error;
    EXPECT_FALSE(read(wrapper, "bomb.png", &error));
    EXPECT_EQ(error.code(), 4);
    wrapper->setEntrySizeLimit(limitGiven);

    // With little address space to spare, reserving the declared 4 GiB would fail the read.
    rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &limit), 0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    const rlim_t used =
        rlim_t(statm.readAll().split(' ').value(0).toULongLong()) * rlim_t(getpagesize());
    rlimit lowered = limit;
    lowered.rlim_cur = std::min<rlim_t>(limit.rlim_max, used + (rlim_t(512) << 20));
    ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
    const auto bytes = read(wrapper, "liar.png");
    setrlimit(RLIMIT_AS, &limit);
    EXPECT_EQ(bytes, QByteArray("only this"));
    EXPECT_EQ(read(wrapper, "big liar.png"), QByteArray("and this"));
}

// ---- dates ----

// Records carry sizes, the ratio and the encryption bit; DOS dates read as UTC, invalid ones are
// left out.
TEST(LOZIPFileWrapperRecords, SizesRatioEncryptionAndDosDatesAsUtc) {
    ZipBuilder zip;
    zip.add("plain.png");
    zip.add("image.png", QByteArray(1000, 'a'));
    zip.add("locked.png", "x").password = "pw";
    zip.add("day0.png").dosDate = ZipBuilder::packDosDate(2021, 6, 0, 10, 0, 0);
    zip.add("month13.png").dosDate = ZipBuilder::packDosDate(2021, 13, 1, 10, 0, 0);
    zip.add("feb31.png").dosDate = ZipBuilder::packDosDate(2021, 2, 31, 23, 59, 58);
    const Wrapper wrapper = open(zip.bytes());
    ASSERT_TRUE(wrapper);
    auto date = [&](const char* name) {
        return field(wrapper, name, LOZIPFileWrapper::fileCreationDateKey);
    };
    const QDateTime plain(QDate(2021, 6, 15), QTime(10, 20, 30), QTimeZone::utc());
    EXPECT_EQ(date("plain.png").toDateTime(), plain);
    EXPECT_EQ(field(wrapper, "plain.png", LOZIPFileWrapper::fileModificationDateKey), plain);
    EXPECT_FALSE(date("day0.png").isValid());
    EXPECT_FALSE(date("month13.png").isValid());
    EXPECT_TRUE(field(wrapper, "month13.png", LOZIPFileWrapper::fileSizeKey).isValid());
    EXPECT_EQ(date("feb31.png").toDateTime(),
              QDateTime(QDate(2021, 3, 3), QTime(23, 59, 58), QTimeZone::utc()));

    using W = LOZIPFileWrapper;
    const quint64 compressed = quint64(ZipBuilder::deflate(QByteArray(1000, 'a')).size());
    EXPECT_EQ(field(wrapper, "image.png", W::fileSizeKey), 1000u);
    EXPECT_EQ(field(wrapper, "image.png", W::compressedSizeKey), compressed);
    EXPECT_EQ(field(wrapper, "image.png", W::compressionRatioKey), compressed * 100 / 1000);
    EXPECT_EQ(field(wrapper, "image.png", W::encryptedKey), false);
    EXPECT_EQ(field(wrapper, "plain.png", W::compressionRatioKey), 0u);
    EXPECT_EQ(field(wrapper, "locked.png", W::encryptedKey), true);
}

} // namespace
