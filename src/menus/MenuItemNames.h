#pragma once

#include "menus/MenuItem.h"

#include <QList>
#include <QString>
#include <optional>

// The one table of the object names commands carry on each surface (the
// names tests and style sheets see). Nothing else spells them.
class MenuItemNames {
public:
    // Empty when the command is not on that surface.
    static QString name(MenuItem item, CommandSurface surface);
    static std::optional<MenuItem> item(const QString& name, CommandSurface surface);
    // The commands that appear on the surface, in the table's order.
    static QList<MenuItem> onSurface(CommandSurface surface);
    static QList<MenuItem> all();
};
