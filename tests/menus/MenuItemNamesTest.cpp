#include "menus/MenuItemNames.h"
#include "app/MainMenu.h"
#include "platform/TouchBar.h"
#include "viewer/MainToolbar.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerCommands.h"

#include <QAction>
#include <QMenu>
#include <QSet>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// The object names of every item of a menu and its submenus.
QSet<QString> namesIn(const QMenu* menu) {
    QSet<QString> names;
    for (QAction* action : menu->actions()) {
        if (!action->objectName().isEmpty())
            names.insert(action->objectName());
        if (action->menu())
            names += namesIn(action->menu());
    }
    return names;
}

// Each name of the table is on the surface, and each named item of the
// surface is in the table.
void expectSameNames(CommandSurface surface, const QSet<QString>& real, const char* what) {
    QSet<QString> table;
    for (MenuItem item : MenuItemNames::onSurface(surface))
        table.insert(MenuItemNames::name(item, surface));
    for (const QString& name : table - real)
        ADD_FAILURE() << what << " has no " << name.toStdString();
    for (const QString& name : real - table)
        ADD_FAILURE() << what << "'s " << name.toStdString() << " is not in the table";
}

TEST(MenuItemNames, MatchTheRealMenusToolbarAndTouchBar) {
    MainMenu mainMenu;
    expectSameNames(CommandSurface::AppMenu, namesIn(mainMenu.menu()), "the main menu");
    for (MenuItem item : MenuItemNames::onSurface(CommandSurface::AppMenu))
        EXPECT_TRUE(mainMenu.item(item)) << int(item);

    ViewController viewer;
    expectSameNames(CommandSurface::ViewerMenu, namesIn(viewer.commands()->contextMenu()),
                    "the context menu");
    for (MenuItem item : MenuItemNames::onSurface(CommandSurface::ViewerMenu))
        EXPECT_TRUE(viewer.commands()->item(item)) << int(item);

    QSet<QString> buttons, touch;
    for (const QToolButton* button : viewer.toolbar()->findChildren<QToolButton*>())
        buttons.insert(button->objectName());
    buttons.remove(QString());
    expectSameNames(CommandSurface::Toolbar, buttons, "the toolbar");
    TouchBar bar;
    for (const TouchBar::Button& button : bar.buttons())
        touch.insert(button.identifier);
    expectSameNames(CommandSurface::TouchBar, touch, "the touch bar");
}

TEST(MenuItemNames, NamesLeadBackToTheirItems) {
    for (MenuItem item : MenuItemNames::all()) {
        bool somewhere = false;
        for (auto surface : {CommandSurface::AppMenu, CommandSurface::ViewerMenu,
                             CommandSurface::Toolbar, CommandSurface::TouchBar}) {
            const QString name = MenuItemNames::name(item, surface);
            if (name.isEmpty())
                continue;
            somewhere = true;
            EXPECT_EQ(MenuItemNames::item(name, surface), item) << name.toStdString();
        }
        EXPECT_TRUE(somewhere) << int(item);
    }
    EXPECT_FALSE(MenuItemNames::item(QStringLiteral("menuStretchToFill"), CommandSurface::AppMenu))
        << "the viewer's name for stretching is its own";
}

} // namespace
