#include "platform/DesktopRecentFiles.h"

#include "platform/FileName.h"
#include "platform/WorkerPools.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMutex>
#include <QRunnable>
#include <QThreadPool>
#include <glib.h>

namespace {
// Every writer of the file reads it whole and replaces it: two of ours at
// once would drop one another's entry.
QMutex& writing() {
    // Never destroyed: a write may still hold it while the process exits.
    static auto* mutex = new QMutex;
    return *mutex;
}

// The list as glib would write it, when that holds every entry it has; else
// nothing. Its writer skips an entry no application is registered for
// (valid in the format, and some programs write them), so what it writes is
// read back and counted before it replaces the file.
gchar* wholeList(GBookmarkFile* bookmarks, gsize* length) {
    gchar* data = g_bookmark_file_to_data(bookmarks, length, nullptr);
    if (!data)
        return nullptr;
    GBookmarkFile* reread = g_bookmark_file_new();
    const bool whole = g_bookmark_file_load_from_data(reread, data, *length, nullptr) &&
                       g_bookmark_file_get_size(reread) == g_bookmark_file_get_size(bookmarks);
    g_bookmark_file_free(reread);
    if (!whole)
        g_clear_pointer(&data, g_free);
    return data;
}

QString typeByName(const QString& path) {
    const QMimeDatabase database;
    return database.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
}
} // namespace

QString DesktopRecentFiles::storePath() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is to be ignored, as freedesktop.org says.
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/recently-used.xbel");
}

void DesktopRecentFiles::add(const QString& path) {
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString store = storePath();
    const QString type = typeByName(absolute);
    WorkerPools::lookups()->start([store, absolute, type] { addTo(store, absolute, type); });
}

bool DesktopRecentFiles::addTo(const QString& store, const QString& path) {
    return addTo(store, path, typeByName(path));
}

bool DesktopRecentFiles::addTo(const QString& store, const QString& path, const QString& nameType) {
    const QMutexLocker locker(&writing());
    const QByteArray file = FileName::encode(store);
    GBookmarkFile* bookmarks = g_bookmark_file_new();
    GError* error = nullptr;
    const QFileInfo existing(store);
    if (existing.exists() && existing.size() > maximumBytes) {
        qWarning("Recent files: %s is left alone: larger than %lld bytes", file.constData(),
                 maximumBytes);
        g_bookmark_file_free(bookmarks);
        return false;
    }
    // glib takes the whole file or nothing: an element it does not know, an
    // entry without its address or a bad date fail the load. A list it
    // cannot read is never written, not even after a copy: the file is the
    // desktop's, other programs read and write it, and a copy beside it is
    // one none of them would ever look at, so replacing the list with ours
    // alone would lose the user's history for good. Without our entry the
    // list stays as whole as its writer left it.
    if (existing.exists() && existing.size() > 0 &&
        !g_bookmark_file_load_from_file(bookmarks, file.constData(), &error)) {
        qWarning("Recent files: %s is left alone: %s", file.constData(),
                 error ? error->message : "cannot read it");
        g_clear_error(&error);
        g_bookmark_file_free(bookmarks);
        return false;
    }
    gchar* uri = g_filename_to_uri(FileName::encode(path).constData(), nullptr, &error);
    if (!uri) {
        g_clear_error(&error);
        g_bookmark_file_free(bookmarks);
        return false;
    }
    const QString type = QFileInfo(path).isDir() ? QStringLiteral("inode/directory") : nameType;
    g_bookmark_file_set_mime_type(bookmarks, uri, type.toUtf8().constData());
    // Adding the application again counts the use and stamps the time.
    g_bookmark_file_add_application(bookmarks, uri, applicationName, applicationExec);
    g_free(uri);
    gsize length = 0;
    gchar* data = wholeList(bookmarks, &length);
    g_bookmark_file_free(bookmarks);
    if (!data) {
        qWarning("Recent files: %s is left alone: writing it would drop entries", file.constData());
        return false;
    }
    QDir().mkpath(existing.absolutePath());
    // Written to a temporary file and renamed over the old one.
    const bool saved = g_file_set_contents(file.constData(), data, gssize(length), &error);
    g_free(data);
    if (!saved) {
        qWarning("Recent files: cannot write %s: %s", file.constData(),
                 error ? error->message : "unknown error");
        g_clear_error(&error);
    }
    return saved;
}
