#include "app/ShortcutsWindow.h"

#include "viewer/ChromeStyle.h"
#include "viewer/ShortcutCatalog.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

ShortcutsWindow::ShortcutsWindow(const QList<QAction*>& actions, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Keyboard Shortcuts"));
    ChromeStyle::darken(this);
    tree = new QTreeWidget(this);
    tree->setColumnCount(2);
    tree->setHeaderLabels({tr("Action"), tr("Keys")});
    tree->setRootIsDecorated(false);
    tree->setSelectionMode(QAbstractItemView::NoSelection);
    const QList<ShortcutCatalog::Entry> entries = ShortcutCatalog::entries(actions);
    for (const QString& group : ShortcutCatalog::groups()) {
        auto* heading = new QTreeWidgetItem(tree, {group});
        QFont bold = heading->font(0);
        bold.setBold(true);
        heading->setFont(0, bold);
        heading->setFirstColumnSpanned(true);
        for (const ShortcutCatalog::Entry& entry : entries)
            if (entry.group == group)
                new QTreeWidgetItem(heading, {entry.action, entry.keys.join(QStringLiteral(", "))});
        if (heading->childCount() == 0)
            delete heading;
    }
    tree->expandAll();
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree);
    resize(560, 640);
}
