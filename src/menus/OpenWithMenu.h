#pragma once

#include "menus/MenuState.h"

#include <QList>
#include <QString>
#include <functional>

class AppMenuItem;
class QMenu;
class QObject;

// Fills an Open With submenu. A menu keeps what it was last filled with, so
// that a refresh with the same entries costs nothing (loading the icons again
// would cost a step several milliseconds).
class OpenWithMenu {
public:
    // One item per entry, each named `itemName`, opening through `open`; the
    // disabled "No applications" item when there are none. `owner` tells
    // whose entries they are: the application's menu is shared by windows.
    static void fill(QMenu* menu, const QList<MenuState::OpenWithEntry>& entries,
                     const QString& owner, const QString& itemName, QObject* receiver,
                     const std::function<void(AppMenuItem*)>& open);
    // Only the disabled "No applications" item.
    static void showNoApplications(QMenu* menu);
};
