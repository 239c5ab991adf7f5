#include "menus/OpenWithMenu.h"

#include "menus/AppMenuItem.h"

#include <QIcon>
#include <QMenu>

namespace {
const char* const filledWith = "openWithEntries";
}

void OpenWithMenu::fill(QMenu* menu, const QList<MenuState::OpenWithEntry>& entries,
                        const QString& owner, const QString& itemName, QObject* receiver,
                        const std::function<void(AppMenuItem*)>& open) {
    QStringList key{owner};
    for (const MenuState::OpenWithEntry& entry : entries)
        key << entry.title << entry.appURL << entry.iconName;
    const QString built = key.join(QChar(0));
    if (menu->property(filledWith).toString() == built && !menu->actions().isEmpty())
        return;
    menu->setProperty(filledWith, built);
    menu->clear();
    for (const MenuState::OpenWithEntry& entry : entries) {
        auto* item = new AppMenuItem(entry.title, menu);
        item->setObjectName(itemName);
        item->setAppURL(entry.appURL);
        const QIcon icon = QIcon::fromTheme(entry.iconName);
        if (!icon.isNull())
            item->setIcon(QIcon(icon.pixmap(QSize(16, 16))));
        QObject::connect(item, &QAction::triggered, receiver, [open, item] { open(item); });
        menu->addAction(item);
    }
    if (entries.isEmpty())
        menu->addAction(MenuState::noApplicationsTitle())->setEnabled(false);
}

void OpenWithMenu::showNoApplications(QMenu* menu) {
    // What the menu was filled with is gone: the next fill must not take it
    // for still there.
    menu->setProperty(filledWith, QVariant());
    menu->clear();
    menu->addAction(MenuState::noApplicationsTitle())->setEnabled(false);
}
