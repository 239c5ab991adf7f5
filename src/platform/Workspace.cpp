#include "platform/Workspace.h"

#include "platform/FileName.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>

// glib uses "signals" as an identifier, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enough for every magic number in the shared MIME database.
constexpr qint64 sniffBytes = 4096;

template <typename T> struct GObjectDeleter {
    void operator()(T* object) const {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct GListDeleter {
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};
using AppInfoList = std::unique_ptr<GList, GListDeleter>;

// Listing applications reads every desktop entry for the type again, some
// milliseconds that each step through a folder would pay: the lists are kept
// per type until GIO reports that the installed applications changed.
struct ApplicationsCache {
    QMutex lock;
    QHash<QString, QList<ApplicationInfo>> byType;
    GAppInfoMonitor* monitor = nullptr;
};

ApplicationsCache& applicationsCache() {
    static ApplicationsCache cache;
    return cache;
}

void forgetApplications(GAppInfoMonitor*, gpointer) {
    ApplicationsCache& cache = applicationsCache();
    QMutexLocker locker(&cache.lock);
    cache.byType.clear();
}

QString fromUtf8(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

QString iconNameOf(GAppInfo* info) {
    GIcon* icon = g_app_info_get_icon(info); // owned by info
    if (!icon)
        return {};
    if (G_IS_THEMED_ICON(icon)) {
        const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
        return names && names[0] ? fromUtf8(names[0]) : QString();
    }
    if (G_IS_FILE_ICON(icon)) {
        gchar* path = g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon)));
        const QString result = FileName::decode(path);
        g_free(path);
        return result;
    }
    return {};
}

ApplicationInfo describe(GAppInfo* info) {
    ApplicationInfo app;
    app.id = fromUtf8(g_app_info_get_id(info));
    app.name = fromUtf8(g_app_info_get_name(info));
    app.iconName = iconNameOf(info);
    if (G_IS_DESKTOP_APP_INFO(info)) {
        const char* filename = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info));
        app.path = FileName::decode(filename);
    }
    return app;
}

} // namespace

QString Workspace::contentTypeForFile(const QString& path) {
    if (path.isEmpty())
        return {};
    const QByteArray native = FileName::encode(path);
    struct stat status {};
    if (::stat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return QStringLiteral("inode/directory");

    // Only regular files are read: opening a FIFO or a device could block or never end.
    const QByteArray head = RegularFile::readHead(path, sniffBytes);
    const QByteArray name = native.mid(native.lastIndexOf('/') + 1);
    gboolean uncertain = FALSE;
    gchar* type =
        g_content_type_guess(name.constData(), reinterpret_cast<const guchar*>(head.constData()),
                             gsize(head.size()), &uncertain);
    QString result;
    if (type && !g_content_type_is_unknown(type))
        result = fromUtf8(type);
    g_free(type);
    return result;
}

QList<ApplicationInfo> Workspace::applicationsForFile(const QString& path) {
    const QString type = contentTypeForFile(path);
    if (type.isEmpty())
        return {};
    const QByteArray typeUtf8 = type.toUtf8();
    ApplicationsCache& cache = applicationsCache();
    watchApplications();
    {
        QMutexLocker locker(&cache.lock);
        const auto known = cache.byType.constFind(type);
        if (known != cache.byType.cend())
            return *known;
    }

    QList<ApplicationInfo> result;
    QSet<QString> seen{QString::fromLatin1(ownDesktopId)};
    auto collect = [&](GList* list) {
        const AppInfoList owner(list);
        for (GList* item = list; item; item = item->next) {
            auto* info = static_cast<GAppInfo*>(item->data);
            ApplicationInfo app = describe(info);
            if (app.id.isEmpty() || seen.contains(app.id))
                continue;
            seen.insert(app.id);
            result.append(std::move(app));
        }
    };
    collect(g_app_info_get_recommended_for_type(typeUtf8.constData()));
    collect(g_app_info_get_all_for_type(typeUtf8.constData()));
    QMutexLocker locker(&cache.lock);
    cache.byType.insert(type, result);
    return result;
}

void Workspace::watchApplications() {
    ApplicationsCache& cache = applicationsCache();
    QMutexLocker locker(&cache.lock);
    if (!cache.monitor) {
        cache.monitor = g_app_info_monitor_get();
        g_signal_connect(cache.monitor, "changed", G_CALLBACK(forgetApplications), nullptr);
    }
}

bool Workspace::openFile(const QString& path, const QString& applicationPath) {
    const QByteArray native = FileName::encode(path);
    if (path.isEmpty() || applicationPath.isEmpty() || ::access(native.constData(), F_OK) != 0)
        return false;

    GObjectPtr<GDesktopAppInfo> app(
        QDir::isAbsolutePath(applicationPath)
            ? g_desktop_app_info_new_from_filename(FileName::encode(applicationPath).constData())
            : g_desktop_app_info_new(applicationPath.toUtf8().constData()));
    if (!app) {
        qWarning("Workspace: no application %s", qUtf8Printable(applicationPath));
        return false;
    }

    GObjectPtr<GFile> file(g_file_new_for_path(native.constData()));
    GList files{file.get(), nullptr, nullptr};
    GError* error = nullptr;
    const bool launched = g_app_info_launch(G_APP_INFO(app.get()), &files, nullptr, &error);
    if (!launched) {
        qWarning("Workspace: cannot open %s with %s: %s", qUtf8Printable(path),
                 qUtf8Printable(applicationPath), error ? error->message : "unknown error");
        g_clear_error(&error);
    }
    return launched;
}

QIcon Workspace::iconForApplication(const ApplicationInfo& app) {
    if (app.iconName.isEmpty())
        return {};
    if (QDir::isAbsolutePath(app.iconName)) {
        QIcon icon(app.iconName);
        return QFileInfo::exists(app.iconName) && !icon.isNull() ? icon : QIcon();
    }
    QIcon icon = QIcon::fromTheme(app.iconName);
    return icon.isNull() ? QIcon() : icon;
}

namespace {
QString privacySettingsProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("gnome-control-center"));
}
} // namespace

bool Workspace::canOpenPrivacySettings() {
    return !privacySettingsProgram().isEmpty();
}

bool Workspace::openPrivacySettings() {
    const QString program = privacySettingsProgram();
    return !program.isEmpty() && QProcess::startDetached(program, {QStringLiteral("privacy")});
}
