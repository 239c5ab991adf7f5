#pragma once

#include "core/RoutableWindow.h"
#include "menus/MenuItem.h"

#include <QList>
#include <QObject>
#include <QPointer>

class AppMenuItem;
class MenuState;
class OrvaneWindow;
class QKeyEvent;
class QMenu;
class TouchBar;
class ViewController;
class ViewerHost;
struct ViewerState;

// Manages one viewer window: keeps every command surface in step with what
// its ViewController shows, and reacts to the window becoming key, resigning
// main and closing.
class OrvaneWindowController : public QObject, public RoutableWindow {
    Q_OBJECT
public:
    // The host may be absent (tests); the shared menu items are then simply
    // not there to update.
    explicit OrvaneWindowController(ViewerHost* host = nullptr);
    ~OrvaneWindowController() override;

    OrvaneWindow* window() const { return orvaneWindow; }
    ViewController* vc() const { return viewController; }
    TouchBar* touchBar() const { return bar; }

    void updateMainMenu();
    // Only the frame items: what changes while an animation plays.
    void updateFrameItems();
    void openApp(AppMenuItem* sender);
    void windowDidBecomeKey();
    void windowDidResignMain();
    void windowWillClose();
    // The viewer's keys, before the menus see them; true when consumed.
    bool kkeyDown(QKeyEvent* event);
    void keyUp(QKeyEvent* event);

    // RoutableWindow
    bool isStarted() const override;
    QString openedURL() const override;
    void startWithFile(const QString& path) override;
    void startWithData(const QByteArray& bytes) override;
    void present() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sets every command surface, or just the items given.
    void apply(const MenuState& menus, const QList<MenuItem>& only = {});
    void rebuildOpenWith(const ViewerState& state);
    void touchBarAction(const QString& action);
    // Off the other viewer windows, on the screen of the newest of them.
    void placeNewWindow();

    QPointer<ViewerHost> app;
    QPointer<OrvaneWindow> orvaneWindow;
    // Names this controller in the menus it fills; never reused, unlike an
    // address.
    const quint64 menuOwner = nextMenuOwner();
    static quint64 nextMenuOwner();
    QPointer<ViewController> viewController;
    TouchBar* bar = nullptr;
};
