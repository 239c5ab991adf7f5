#include "platform/DesktopRecentFiles.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <glib.h>
#include <gtest/gtest.h>

namespace {

QStringList urisIn(const QString& store) {
    QStringList uris;
    GBookmarkFile* bookmarks = g_bookmark_file_new();
    if (g_bookmark_file_load_from_file(bookmarks, QFile::encodeName(store).constData(), nullptr)) {
        gsize count = 0;
        gchar** all = g_bookmark_file_get_uris(bookmarks, &count);
        for (gsize i = 0; i < count; ++i)
            uris.append(QString::fromUtf8(all[i]));
        g_strfreev(all);
    }
    g_bookmark_file_free(bookmarks);
    return uris;
}

TEST(DesktopRecentFiles, AddsBesideTheEntriesOfOtherApplications) {
    QTemporaryDir dir;
    const QString store = dir.filePath("share/recently-used.xbel");
    const QString other = dir.filePath("notes.txt");
    GBookmarkFile* existing = g_bookmark_file_new();
    gchar* uri = g_filename_to_uri(QFile::encodeName(other).constData(), nullptr, nullptr);
    g_bookmark_file_add_application(existing, uri, "editor", "editor %u");
    QDir().mkpath(dir.filePath("share"));
    ASSERT_TRUE(g_bookmark_file_to_file(existing, QFile::encodeName(store).constData(), nullptr));
    g_bookmark_file_free(existing);

    const QString photo = dir.filePath("café 1.jpg");
    ASSERT_TRUE(DesktopRecentFiles::addTo(store, photo));
    ASSERT_TRUE(DesktopRecentFiles::addTo(store, photo));
    const QStringList uris = urisIn(store);
    EXPECT_EQ(uris.size(), 2);
    EXPECT_TRUE(uris.contains(QString::fromUtf8(uri)));
    g_free(uri);

    GBookmarkFile* written = g_bookmark_file_new();
    ASSERT_TRUE(
        g_bookmark_file_load_from_file(written, QFile::encodeName(store).constData(), nullptr));
    gchar* photoUri = g_filename_to_uri(QFile::encodeName(photo).constData(), nullptr, nullptr);
    EXPECT_TRUE(g_bookmark_file_has_application(written, photoUri, "Ovisto", nullptr));
    guint count = 0;
    g_bookmark_file_get_application_info(written, photoUri, "Ovisto", nullptr, &count, nullptr,
                                         nullptr);
    EXPECT_EQ(count, 2u) << "each opening counts";
    gchar* mime = g_bookmark_file_get_mime_type(written, photoUri, nullptr);
    EXPECT_STREQ(mime, "image/jpeg");
    g_free(mime);
    g_free(photoUri);
    g_bookmark_file_free(written);
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
    EXPECT_EQ(urisIn(empty).size(), 1);
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
