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

TEST(DesktopRecentFiles, FollowsTheDataHome) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/somewhere/data");
    EXPECT_EQ(DesktopRecentFiles::storePath(), "/somewhere/data/recently-used.xbel");
    qputenv("XDG_DATA_HOME", "relative/data");
    EXPECT_TRUE(DesktopRecentFiles::storePath().endsWith("/.local/share/recently-used.xbel"));
    qputenv("XDG_DATA_HOME", saved);
}

} // namespace
