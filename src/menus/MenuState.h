#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

struct ApplicationInfo;

// What the command surfaces show for one viewer's state: which menu items,
// toolbar buttons and touch bar buttons are enabled and which zoom-mode item
// carries the check mark. Items are named as the widgets' object names.
class MenuState {
public:
    struct Viewer {
        bool isFileLoaded = false;
        bool canZoomIn = false;
        bool canZoomOut = false;
        bool hasSelection = false;
        bool hasFrames = false;
        int currentFrame = 0;
        int framesCount = 0;
        bool isDirectory = false;
        int zoomMode = 0;
    };

    // One item of the Open With submenu.
    struct OpenWithEntry {
        QString title;
        QString appURL; // the application's desktop file
        QString iconName;
    };

    static MenuState compute(const Viewer& viewer);

    // The application's menu items (shared by all viewer windows).
    QHash<QString, bool> appMenu;
    // The viewer's own (context) menu items.
    QHash<QString, bool> viewerMenu;
    QHash<QString, bool> toolbar;
    QHash<QString, bool> touchBar;
    // The checked zoom-mode item of each menu.
    QString appMenuChecked;
    QString viewerMenuChecked;

    // The four zoom-mode items of each menu (check marks are cleared on all).
    static const QStringList& appZoomModeItems();
    static const QStringList& viewerZoomModeItems();
    // The items the application disables when no viewer window is in front.
    static const QStringList& disabledWithoutViewer();

    // The Open With submenu for a file: no entries for archive entries and
    // clipboard images, and never the viewer itself.
    static QList<OpenWithEntry> openWithEntries(const QList<ApplicationInfo>* appUrls, bool isZip,
                                                bool isData);
    static QString noApplicationsTitle();
};
