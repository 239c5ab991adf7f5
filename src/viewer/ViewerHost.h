#pragma once

#include "menus/MenuItem.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class OrvaneWindowController;
class QAction;
class QMenu;
struct ViewerState;

// The application as a viewer window sees it: the shared menus, the
// information panel and the routing of documents. The application object
// implements it, so the viewer never includes the application.
class ViewerHost : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The shared menu and its items; null for an item it does not have.
    virtual QMenu* mainMenu() const = 0;
    virtual QAction* menuItem(MenuItem item) const = 0;
    virtual QMenu* menuEditIn() const = 0;
    // Every action with a key equivalent, for the windows to carry.
    virtual QList<QAction*> shortcutActions() const = 0;
    // No viewer window in front: the viewer commands are disabled.
    virtual void disableMenus() = 0;

    // What the information panel describes; false when there is no panel.
    // `shown` is the viewer's decoded image of that item (or a reduced copy),
    // so that the panel never decodes it again; null when there is none.
    virtual bool updateDetailsPanel(const QString& path, const QImage& shown = QImage()) = 0;
    // Archive entries and clipboard images: the item's own bytes.
    virtual bool updateDetailsPanelWithData(const QByteArray& bytes,
                                            const QImage& shown = QImage()) = 0;
    virtual void checkToShowInfo() = 0;
    virtual void checkToHideInfo() = 0;
    // Shows or hides the panel for the viewer's item.
    virtual void getInfoFor(const ViewerState& viewer, const QImage& shown = QImage()) = 0;

    // Documents dropped on a window, routed as any others.
    virtual void openFiles(const QStringList& paths) = 0;
    virtual void windowClosed(OrvaneWindowController* controller) = 0;
};
