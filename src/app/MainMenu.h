#pragma once

#include "menus/MenuItem.h"

#include <QKeySequence>
#include <QObject>
#include <map>

class QAction;
class QMenu;

// The application's menu: one tree of actions shared by every window. It is
// opened from each viewer window's header, and its key equivalents work in
// every window the actions are added to.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(QObject* parent = nullptr);
    ~MainMenu() override;

    QMenu* menu() const { return root; }
    // Null for a command the menu does not have.
    QAction* item(MenuItem item) const;
    QList<QAction*> allItems() const;
    QMenu* menuEditIn() const { return openWith; }
    QMenu* openRecent() const { return recent; }

private:
    QAction* add(QMenu* menu, MenuItem item, const QString& title,
                 const QKeySequence& shortcut = QKeySequence(), bool disabledAtStart = true);

    QMenu* root = nullptr;
    QMenu* openWith = nullptr;
    QMenu* recent = nullptr;
    std::map<MenuItem, QAction*> items;
};
