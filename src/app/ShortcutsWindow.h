#pragma once

#include <QWidget>

class QAction;
class QTreeWidget;

// Help > Keyboard Shortcuts: every key and mouse action, grouped, as the
// catalog makes them from the actions and the key map.
class ShortcutsWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ShortcutsWindow(const QList<QAction*>& actions, QWidget* parent = nullptr);

    QTreeWidget* list() const { return tree; }

  private:
    QTreeWidget* tree = nullptr;
};
