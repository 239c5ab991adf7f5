#pragma once

#include <QIcon>
#include <QList>
#include <QString>

struct ApplicationInfo {
    QString id;       // desktop id, e.g. "org.gnome.eog.desktop"
    QString name;     // display name
    QString iconName; // theme icon name, or an absolute icon file path (may be empty)
    QString path;     // the .desktop file path (the application's "URL")
};

// The desktop's knowledge of applications, through GIO: which ones open a file, and opening a
// file with one of them.
class Workspace {
  public:
    // Applications for the file's content type: the recommended ones first, then the others,
    // without duplicates and without our own desktop entry. Empty when the file has no known type.
    // Kept per type until the desktop reports a change in the installed applications.
    // Safe on any thread, but call watchApplications() on the main thread first.
    static QList<ApplicationInfo> applicationsForFile(const QString& path);
    // Starts listening for changes of the installed applications. GIO tells
    // the thread that first asked, through its main loop: call it on the main thread.
    static void watchApplications();
    // Launches the application (by desktop file path or desktop id) with the file; false when
    // the file or the application is missing or the launch fails.
    static bool openFile(const QString& path, const QString& applicationPath);
    // The application's icon from the icon theme (or its icon file); null when there is none.
    static QIcon iconForApplication(const ApplicationInfo& app);

    // The content type GIO sees for the file, e.g. "image/png"; empty when it cannot tell.
    static QString contentTypeForFile(const QString& path);

    // The desktop's privacy settings, where the desktop has a page for them (GNOME's
    // control centre); false when there is none, and the button offering it stays hidden.
    static bool canOpenPrivacySettings();
    static bool openPrivacySettings();

    static constexpr const char* ownDesktopId = "ovisto.desktop";
};
