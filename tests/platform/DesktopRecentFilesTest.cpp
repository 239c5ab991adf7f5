#include "platform/DesktopRecentFiles.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <glib.h>
#include <gtest/gtest.h>

namespace {

// A store as glib reads it; empty when it cannot.
struct Bookmarks {
    explicit Bookmarks(const QString& store = QString()) {
        if (!store.isEmpty())
            g_bookmark_file_load_from_file(file, QFile::encodeName(store).constData(), nullptr);
    }
    ~Bookmarks() { g_bookmark_file_free(file); }
    GBookmarkFile* file = g_bookmark_file_new();
};

QByteArray uri(const QString& path) {
    gchar* uri = g_filename_to_uri(QFile::encodeName(path).constData(), nullptr, nullptr);
    const QByteArray copy(uri);
    g_free(uri);
    return copy;
}

TEST(DesktopRecentFiles, AddsBesideTheEntriesOfOtherApplications) {
    QTemporaryDir dir;
    const QString store = dir.filePath("share/recently-used.xbel"),
                  photo = dir.filePath("café 1.jpg");
    const QByteArray other = uri(dir.filePath("notes.txt")), mine = uri(photo);
    Bookmarks existing;
    g_bookmark_file_add_application(existing.file, other.constData(), "editor", "editor %u");
    QDir().mkpath(dir.filePath("share"));
    ASSERT_TRUE(
        g_bookmark_file_to_file(existing.file, QFile::encodeName(store).constData(), nullptr));

    ASSERT_TRUE(DesktopRecentFiles::addTo(store, photo));
    ASSERT_TRUE(DesktopRecentFiles::addTo(store, photo));
    Bookmarks written(store);
    EXPECT_EQ(g_bookmark_file_get_size(written.file), 2);
    EXPECT_TRUE(g_bookmark_file_has_item(written.file, other.constData()));
    guint count = 0;
    EXPECT_TRUE(g_bookmark_file_get_application_info(written.file, mine.constData(), "Ovisto",
                                                     nullptr, &count, nullptr, nullptr));
    EXPECT_EQ(count, 2u) << "each opening counts";
    gchar* mime = g_bookmark_file_get_mime_type(written.file, mine.constData(), nullptr);
    EXPECT_STREQ(mime, "image/jpeg");
    g_free(mime);
}

TEST(DesktopRecentFiles, AListItCannotReadIsLeftAlone) {
    QTemporaryDir dir;
    const QString store = dir.filePath("recently-used.xbel");
    const QByteArray cut = "<?xml version=\"1.0\"?><xbel version=\"1.0\"><bookmark href=";
    ASSERT_TRUE(TestImages::write(store, cut));
    EXPECT_FALSE(DesktopRecentFiles::addTo(store, dir.filePath("a.png")));
    EXPECT_EQ(TestImages::read(store), cut);

    // An empty file is an empty list.
    const QString empty = dir.filePath("empty.xbel");
    ASSERT_TRUE(TestImages::write(empty, QByteArray()));
    EXPECT_TRUE(DesktopRecentFiles::addTo(empty, dir.filePath("a.png")));
    EXPECT_EQ(g_bookmark_file_get_size(Bookmarks(empty).file), 1);
}

// glib reads the list whole or not at all: whatever it cannot read is left as it is, bytes and
// all, with no copy beside it; a list it can read keeps every entry, however many and whether or
// not their files are still there.
TEST(DesktopRecentFiles, ADamagedListIsLeftAloneAndAReadableOneKeepsEveryEntry) {
    const QByteArray head = "<?xml version=\"1.0\"?><xbel version=\"1.0\">";
    const QByteArray stamps = "added=\"2020-01-01T00:00:00Z\" modified=\"2020-01-01T00:00:00Z\" "
                              "visited=\"2020-01-01T00:00:00Z\"";
    // As other programs write them: with the application that used the file.
    const auto entry = [&](const QByteArray& uri) {
        return "<bookmark href=\"" + uri + "\" " + stamps +
               "><info><metadata owner=\"http://freedesktop.org\"><bookmark:applications "
               "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\">"
               "<bookmark:application name=\"editor\" exec=\"editor %u\" " +
               stamps.mid(stamps.indexOf("modified")) +
               " count=\"1\"/></bookmark:applications></metadata></info></bookmark>";
    };
    QByteArray many = head;
    for (int i = 0; i < 5000; ++i)
        many += entry("file:///gone/" + QByteArray::number(i) + ".txt");
    many += "</xbel>";
    const struct {
        const char* name;
        QByteArray bytes;
        int entriesAfter; // 0: left alone
    } cases[] = {
        {"garbage", "\x89PNG\r\n\x1a\n\0\0\xff", 0},
        {"cut", head + entry("file:///a.txt").left(40), 0},
        {"unknown element", head + "<folder><title>f</title></folder></xbel>", 0},
        {"entry without address", head + "<bookmark><title>t</title></bookmark></xbel>", 0},
        {"nested entries",
         head + "<bookmark href=\"file:///a\">" + entry("file:///b") + "</bookmark></xbel>", 0},
        {"entry without an application",
         head + "<bookmark href=\"file:///b.txt\" " + stamps + "/></xbel>", 0},
        {"bad date", head + "<bookmark href=\"file:///a\" added=\"soon\"/></xbel>", 0},
        {"not a list", "<?xml version=\"1.0\"?><html/>", 0},
        {"not UTF-8", head + entry("file:///\xff\xfe.txt") + "</xbel>", 0},
        {"too large", head + QByteArray(DesktopRecentFiles::maximumBytes, ' ') + "</xbel>", 0},
        {"missing files",
         head + entry("file:///gone/a.txt") + entry("file:///gone/b.txt") + "</xbel>", 3},
        {"many entries", many, 5001},
    };
    QTemporaryDir dir;
    const QString store = dir.filePath("recently-used.xbel");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(TestImages::write(store, c.bytes));
        const bool added = DesktopRecentFiles::addTo(store, dir.filePath("a.png"));
        EXPECT_EQ(added, c.entriesAfter > 0);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"recently-used.xbel"});
        if (!added) {
            EXPECT_EQ(TestImages::read(store), c.bytes);
            continue;
        }
        const Bookmarks written(store);
        EXPECT_EQ(g_bookmark_file_get_size(written.file), c.entriesAfter);
        EXPECT_TRUE(g_bookmark_file_has_item(written.file, uri(dir.filePath("a.png")).constData()));
        EXPECT_TRUE(g_bookmark_file_has_item(
            written.file, c.entriesAfter == 3 ? "file:///gone/b.txt" : "file:///gone/4999.txt"));
    }
}

TEST(DesktopRecentFiles, FollowsTheDataHome) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/somewhere/data");
    EXPECT_EQ(DesktopRecentFiles::storePath(), "/somewhere/data/recently-used.xbel");
    qputenv("XDG_DATA_HOME", "relative/data");
    EXPECT_TRUE(DesktopRecentFiles::storePath().endsWith("/.local/share/recently-used.xbel"));
    qputenv("XDG_DATA_HOME", saved);
}

} // namespace
