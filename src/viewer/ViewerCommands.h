#pragma once

#include "menus/MenuItem.h"

#include <QList>
#include <QObject>
#include <map>

class MenuState;
class QAction;
class QMenu;
class QToolButton;
class ViewController;

// The viewer's own commands: its context menu with the Open With submenu,
// and the enabled and checked state of that menu and of the toolbar's
// buttons. The window controller decides the state; this applies it.
class ViewerCommands : public QObject {
    Q_OBJECT
public:
    explicit ViewerCommands(ViewController* viewer);

    QMenu* contextMenu() const { return menu; }
    QMenu* openWithMenu() const { return menuEditIn; }
    // A context menu item; null for a command the menu does not have.
    QAction* item(MenuItem item) const;
    QList<QAction*> items() const;
    // A toolbar button; null for a command the toolbar does not have.
    QToolButton* toolbarButton(MenuItem item) const;

    // Sets the context menu's items and the toolbar's buttons, all of them or
    // just the items given.
    void apply(const MenuState& state, const QList<MenuItem>& only = {});

private:
    QAction* add(MenuItem item, const QString& title);

    ViewController* viewer = nullptr;
    QMenu* menu = nullptr;
    QMenu* menuEditIn = nullptr;
    std::map<MenuItem, QAction*> actions;
};
