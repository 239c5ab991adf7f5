#pragma once

#include "core/Settings.h"

#include <QAbstractAnimation>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class CCNPreferencesWindow;
class PreferencesPane;
class QAction;
class QActionGroup;
class QToolBar;
class QVBoxLayout;

// The window that hosts the preference panes: a toolbar with one item per
// pane, the pane shown below it. Choosing another pane resizes the window to
// it with the top edge fixed while the pane fades in. Closing only hides the
// window; its frame is kept across runs under its own key.
class CCNPreferencesWindowController : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* FrameKey = Settings::PreferencesFrame;
    static constexpr const char* ToolbarIdentifier = "CCNPreferencesMainToolbar";
    static constexpr int animationMilliseconds = 250;

    explicit CCNPreferencesWindowController(QObject* parent = nullptr);
    ~CCNPreferencesWindowController() override;

    // The panes, in order; the controller's window takes their views.
    void setPreferencesViewControllers(const QList<PreferencesPane*>& panes);
    void addPreferencesViewController(PreferencesPane* pane);
    void setCenterToolbarItems(bool center);
    bool centerToolbarItems() const { return centered; }

    // Shows the window on the first pane, every time.
    void showPreferencesWindow();
    void dismissPreferencesWindow();
    void activateViewController(PreferencesPane* pane, bool animate);
    PreferencesPane* viewControllerWithIdentifier(const QString& identifier) const;
    // The toolbar item of the pane with this identifier was chosen.
    void toolbarItemAction(const QString& identifier);

    // The pane shown, or the one a running switch is going to.
    PreferencesPane* activeViewController() const { return active; }
    CCNPreferencesWindow* window() const { return preferencesWindow; }
    QToolBar* toolbar() const { return bar; }
    QStringList toolbarDefaultItemIdentifiers() const;
    // The switch in progress, null when none runs.
    QAbstractAnimation* runningAnimation() const { return animation; }

  private:
    void setupToolbar();
    void restoreFrame();
    void saveFrame();

    CCNPreferencesWindow* preferencesWindow = nullptr;
    QVBoxLayout* content = nullptr;
    QToolBar* bar = nullptr;
    QActionGroup* items = nullptr;
    QList<PreferencesPane*> panes;
    PreferencesPane* active = nullptr;
    QPointer<QAbstractAnimation> animation;
    bool centered = true;
    bool restoring = false;
    Settings settings;
};
