#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>

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
    // An item by its name ("menuCopy", "menuOpen", ...); null when unknown.
    QAction* item(const QString& name) const { return items.value(name); }
    QList<QAction*> allItems() const { return items.values(); }
    QMenu* menuEditIn() const { return openWith; }
    QMenu* openRecent() const { return recent; }

private:
    QAction* add(QMenu* menu, const char* name, const QString& title,
                 const QKeySequence& shortcut = QKeySequence(), bool disabledAtStart = true);

    QMenu* root = nullptr;
    QMenu* openWith = nullptr;
    QMenu* recent = nullptr;
    QHash<QString, QAction*> items;
};
