#pragma once

#include "menus/MenuItem.h"

#include <QList>
#include <QString>
#include <map>

struct ApplicationInfo;
struct ViewerState;

// What the command surfaces show for one viewer's state: which menu items,
// toolbar buttons and touch bar buttons are enabled and which zoom-mode item
// carries the check mark.
class MenuState {
public:
    // One item of the Open With submenu.
    struct OpenWithEntry {
        QString title;
        QString appURL; // the application's desktop file
        QString iconName;
    };
    // Enabled or not, for the items a surface has; the others are absent.
    using Items = std::map<MenuItem, bool>;

    static MenuState compute(const ViewerState& viewer);

    // The application's menu items (shared by all viewer windows).
    Items appMenu;
    // The viewer's own (context) menu items.
    Items viewerMenu;
    Items toolbar;
    Items touchBar;
    // The zoom-mode item that carries the check mark, in both menus.
    MenuItem checkedZoomMode = MenuItem::FitToScreen;

    // Commands whose work has not landed yet: disabled on every surface,
    // whatever the viewer shows. An item leaves this list with the change
    // that makes it do something.
    static bool isBuilt(MenuItem item);

    // The four zoom-mode items (check marks are cleared on all).
    static const QList<MenuItem>& zoomModeItems();
    // The items that change as an animation plays, frame by frame.
    static const QList<MenuItem>& frameItems();
    // The items the application disables when no viewer window is in front.
    static const QList<MenuItem>& disabledWithoutViewer();

    // The Open With submenu for a file: no entries for archive entries and
    // clipboard images, and never the viewer itself.
    static QList<OpenWithEntry> openWithEntries(const QList<ApplicationInfo>* appUrls, bool isZip,
                                                bool isData);
    static QString noApplicationsTitle();
};
