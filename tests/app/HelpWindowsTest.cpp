#include "app/AboutDialog.h"
#include "app/MainMenu.h"
#include "geometry/KeyMap.h"
#include "viewer/ShortcutCatalog.h"

#include <QAction>
#include <QListWidget>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QSet<QString> listedKeys(const QList<ShortcutCatalog::Entry>& entries) {
    QSet<QString> keys;
    for (const ShortcutCatalog::Entry& entry : entries) {
        EXPECT_TRUE(ShortcutCatalog::groups().contains(entry.group)) << entry.action.toStdString();
        for (const QString& key : entry.keys)
            keys << key;
    }
    return keys;
}

TEST(KeyboardShortcuts, ListEveryMenuShortcutAndEveryKeyTheMapActsOn) {
    MainMenu menu;
    const QSet<QString> listed = listedKeys(ShortcutCatalog::entries(menu.allItems()));
    for (const QAction* action : menu.allItems())
        for (const QKeySequence& shortcut : action->shortcuts())
            EXPECT_TRUE(listed.contains(shortcut.toString(QKeySequence::NativeText)))
                << action->text().toStdString();

    QList<int> keys;
    for (int key = Qt::Key_Space; key <= Qt::Key_ydiaeresis; ++key)
        keys << key;
    for (int key = Qt::Key_Escape; key <= Qt::Key_F35; ++key)
        keys << key;
    int bound = 0;
    for (Qt::KeyboardModifiers modifiers : {
             Qt::KeyboardModifiers(Qt::NoModifier),
             Qt::KeyboardModifiers(Qt::ControlModifier),
             Qt::KeyboardModifiers(Qt::AltModifier),
             Qt::ControlModifier | Qt::AltModifier,
         }) {
        for (int key : keys) {
            const bool acts =
                KeyMap::keyDown(0, key, modifiers).action != KeyMap::Action::None ||
                KeyMap::keyUp(0, key, modifiers) == KeyMap::KeyUpAction::ToggleFullScreen;
            if (!acts)
                continue;
            ++bound;
            EXPECT_TRUE(listed.contains(ShortcutCatalog::keyText(int(modifiers) | key)))
                << ShortcutCatalog::keyText(int(modifiers) | key).toStdString();
        }
    }
    EXPECT_GT(bound, 15);
}

TEST(AboutDialog, ListsTheLibrariesWithQtsRunningVersion) {
    AboutDialog dialog;
    QStringList rows;
    for (int row = 0; row < dialog.libraries()->count(); ++row)
        rows << dialog.libraries()->item(row)->text();
    EXPECT_GT(rows.size(), 5);
    EXPECT_TRUE(rows.contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())))
        << rows.join(", ").toStdString();
}

} // namespace
