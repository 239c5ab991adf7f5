#pragma once

#include <QList>
#include <QString>

class QAction;

// Every key and mouse action the viewer knows, for the Keyboard Shortcuts
// window. Made from the actions themselves and from the key map, probed key
// by key, so that the list shows what the keys do and cannot fall behind.
class ShortcutCatalog {
  public:
    struct Entry {
        QString group;
        QString action;
        // The keys or mouse gesture, as shown to the user.
        QStringList keys;
    };

    // The groups in the order shown.
    static QStringList groups();
    // The shortcuts of `actions` (those without one are left out), the key
    // map's bindings and the mouse's, in the groups' order.
    static QList<Entry> entries(const QList<QAction*>& actions);
    // The key map's bindings alone: every key the map acts on, by action.
    static QList<Entry> keyMapEntries();
    // How a key combination is written in the list.
    static QString keyText(int keyWithModifiers);
};
