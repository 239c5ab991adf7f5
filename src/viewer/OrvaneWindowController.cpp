#include "viewer/OrvaneWindowController.h"

#include "geometry/KeyMap.h"
#include "geometry/ViewerGeometry.h"
#include "geometry/WindowCascade.h"
#include "menus/AppMenuItem.h"
#include "menus/MenuItemNames.h"
#include "menus/MenuState.h"
#include "menus/OpenWithMenu.h"
#include "platform/TouchBar.h"
#include "platform/Workspace.h"
#include "viewer/ChromeStyle.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/Slideshow.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerFullScreen.h"
#include "viewer/ViewerHost.h"
#include "viewer/ViewerInput.h"
#include "viewer/WindowHeader.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <atomic>

OrvaneWindowController::OrvaneWindowController(ViewerHost* host) : app(host) {
    orvaneWindow = new OrvaneWindow;
    // The controller lives exactly as long as its window.
    setParent(orvaneWindow);
    viewController = orvaneWindow->contentViewController();
    bar = new TouchBar(this);
    connect(bar, &TouchBar::triggered, this, &OrvaneWindowController::touchBarAction);

    connect(orvaneWindow, &OrvaneWindow::becameKey, this,
            &OrvaneWindowController::windowDidBecomeKey);
    connect(orvaneWindow, &OrvaneWindow::resignedMain, this,
            &OrvaneWindowController::windowDidResignMain);
    connect(orvaneWindow, &OrvaneWindow::closing, this, &OrvaneWindowController::windowWillClose);
    connect(viewController, &ViewController::updateMainMenuRequested, this,
            &OrvaneWindowController::updateMainMenu);
    connect(viewController, &ViewController::updateFrameItemsRequested, this,
            &OrvaneWindowController::updateFrameItems);
    connect(viewController, &ViewController::slideshowRunningChanged, this, [this](bool running) {
        bar->setImage(MenuItemNames::name(MenuItem::Slideshow, CommandSurface::TouchBar),
                      Slideshow::touchBarPicture(running));
    });
    connect(viewController->fullScreen(), &ViewerFullScreen::fullScreenPictureChanged, this,
            [this](bool in) {
                bar->setImage(MenuItemNames::name(MenuItem::FullScreen, CommandSurface::TouchBar),
                              in ? QStringLiteral("touch-fullscreen-exit-Template")
                                 : QStringLiteral("touch-fullscreen-Template"));
            });
    // Application-wide, so that keys are seen before shortcuts and menus.
    qApp->installEventFilter(this);

    if (app) {
        orvaneWindow->addActions(app->shortcutActions());
        orvaneWindow->header()->menuButton->setMenu(app->mainMenu());
        ChromeStyle::resetHoverWhenMenuCloses(orvaneWindow->header()->menuButton);
        connect(viewController, &ViewController::updateDetailsPanel, app,
                [this](const QString& path, const QImage& shown) {
                    app->updateDetailsPanel(path, shown);
                });
        connect(viewController, &ViewController::updateDetailsPanelWithData, app,
                [this](const QByteArray& bytes, const QImage& shown) {
                    app->updateDetailsPanelWithData(bytes, shown);
                });
        connect(viewController, &ViewController::getInfoRequested, app, [this] {
            app->getInfoFor(viewController->viewerState(), viewController->detailsImage());
        });
        connect(viewController, &ViewController::filesDropped, app,
                [this](const QStringList& paths) { app->openFiles(paths); });
        // The shared menu's selection commands act on the window in front.
        const std::pair<MenuItem, void (ViewController::*)()> selectionCommands[] = {
            {MenuItem::SelectAll, &ViewController::selectAll},
            {MenuItem::Deselect, &ViewController::deselect},
            {MenuItem::SelectionTool, &ViewController::selectionTool}};
        for (const auto& command : selectionCommands) {
            if (QAction* action = app->menuItem(command.first)) {
                connect(action, &QAction::triggered, this, [this, operation = command.second] {
                    if (viewController && QApplication::activeWindow() == orvaneWindow)
                        (viewController.data()->*operation)();
                });
            }
        }
    } else {
        orvaneWindow->header()->menuButton->hide();
    }
}

OrvaneWindowController::~OrvaneWindowController() = default;

bool OrvaneWindowController::isStarted() const {
    return viewController && viewController->viewerState().isStarted;
}

QString OrvaneWindowController::openedURL() const {
    return viewController ? viewController->viewerState().openedURL : QString();
}

void OrvaneWindowController::startWithFile(const QString& path) {
    viewController->startWithFile(path);
}

void OrvaneWindowController::startWithData(const QByteArray& bytes) {
    viewController->startWithData(bytes);
}

namespace {
// The viewer windows in the order they were first shown: the cascade steps
// from the newest.
QList<QPointer<OrvaneWindow>>& shownWindows() {
    static QList<QPointer<OrvaneWindow>> windows;
    return windows;
}
} // namespace

void OrvaneWindowController::present() {
    if (!orvaneWindow->isVisible())
        placeNewWindow();
    orvaneWindow->show();
    orvaneWindow->raise();
    orvaneWindow->activateWindow();
}

void OrvaneWindowController::placeNewWindow() {
    QList<QPointer<OrvaneWindow>>& windows = shownWindows();
    windows.removeAll(nullptr);
    windows.removeAll(orvaneWindow);
    QList<QRect> frames;
    for (const QPointer<OrvaneWindow>& window : windows)
        if (window->isVisible() && !window->isFullScreen())
            frames << window->frameGeometry();
    QScreen* screen = frames.isEmpty() ? QGuiApplication::screenAt(QCursor::pos())
                                       : QGuiApplication::screenAt(frames.last().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    windows << orvaneWindow;
    if (!screen)
        return;
    orvaneWindow->move(WindowCascade::place(frames, orvaneWindow->frameGeometry().size(),
                                            screen->availableGeometry()));
}

void OrvaneWindowController::updateMainMenu() {
    if (!viewController)
        return;
    const ViewerState state = viewController->viewerState();
    if (state.isFileLoaded && app)
        app->checkToShowInfo();
    apply(MenuState::compute(state));
    rebuildOpenWith(state);
}

void OrvaneWindowController::updateFrameItems() {
    if (!viewController)
        return;
    apply(MenuState::compute(viewController->viewerState()), MenuState::frameItems());
}

void OrvaneWindowController::apply(const MenuState& menus, const QList<MenuItem>& only) {
    auto wanted = [&only](MenuItem item) { return only.isEmpty() || only.contains(item); };
    if (app) {
        for (const auto& [item, enabled] : menus.appMenu) {
            if (QAction* action = app->menuItem(item); action && wanted(item))
                action->setEnabled(enabled);
        }
        for (MenuItem mode : MenuState::zoomModeItems()) {
            if (QAction* action = app->menuItem(mode); action && wanted(mode))
                action->setChecked(mode == menus.checkedZoomMode);
        }
    }
    viewController->commands()->apply(menus, only);
    for (const auto& [item, enabled] : menus.touchBar) {
        if (wanted(item))
            bar->setEnabled(MenuItemNames::name(item, CommandSurface::TouchBar), enabled);
    }
}

quint64 OrvaneWindowController::nextMenuOwner() {
    static std::atomic<quint64> next{0};
    return ++next;
}

void OrvaneWindowController::rebuildOpenWith(const ViewerState& state) {
    const auto entries = MenuState::openWithEntries(state.appUrls ? &*state.appUrls : nullptr,
                                                    state.isZip, state.isData);
    // The items open this window's file: the application's menu, shared by
    // all windows, is rebuilt when another window fills it.
    const QString owner = QString::number(menuOwner);
    auto open = [this](AppMenuItem* item) { openApp(item); };
    OpenWithMenu::fill(viewController->commands()->openWithMenu(), entries,
                       QStringLiteral("viewer ") + owner, QStringLiteral("viewerApp"), this, open);
    if (app && app->menuEditIn())
        OpenWithMenu::fill(app->menuEditIn(), entries, QStringLiteral("app ") + owner,
                           QStringLiteral("app"), this, open);
}

void OrvaneWindowController::openApp(AppMenuItem* sender) {
    if (!viewController || !sender)
        return;
    const QString file = viewController->viewerState().openedURL;
    const QString application = sender->appURL();
    if (file.isEmpty() || application.isEmpty())
        return;
    Workspace::openFile(file, application);
}

void OrvaneWindowController::windowDidBecomeKey() {
    // After the current event, so that the window is main by then.
    QTimer::singleShot(0, this, [this] {
        if (!viewController)
            return;
        if (app) {
            const ViewerState v = viewController->viewerState();
            if (v.showsFile()) {
                app->updateDetailsPanel(v.openedURL, viewController->detailsImage());
                app->checkToShowInfo();
            } else if (!v.isData && !v.isZip) {
                app->updateDetailsPanel(QString());
            } else {
                app->updateDetailsPanelWithData(v.imageData, viewController->detailsImage());
                app->checkToShowInfo();
            }
        }
        updateMainMenu();
    });
}

void OrvaneWindowController::windowDidResignMain() {
    if (app) {
        app->disableMenus();
        app->checkToHideInfo();
    }
}

void OrvaneWindowController::windowWillClose() {
    if (viewController)
        viewController->viewWillDisappear();
    if (app) {
        app->disableMenus();
        app->windowClosed(this);
    }
}

void OrvaneWindowController::touchBarAction(const QString& action) {
    if (action == QLatin1String("zoomIn"))
        viewController->zoomIn();
    else if (action == QLatin1String("zoomOut"))
        viewController->zoomOut();
    else if (action == QLatin1String("previousImage"))
        viewController->showPreviousImage();
    else if (action == QLatin1String("nextImage"))
        viewController->showNextImage();
    else if (action == QLatin1String("slideshow"))
        viewController->playSlideshow();
    else if (action == QLatin1String("fullscreen"))
        viewController->fullScreen()->toggleFullScreen();
}

bool OrvaneWindowController::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    // The grid takes its own keys; the window's shortcuts still work.
    if (!orvaneWindow || (viewController && viewController->isGridShown()))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::ShortcutOverride) {
        // Sent to the focus widget before the press: claim the keys we
        // consume, so no shortcut fires for them. Claiming again on the way
        // up through the parents does no harm.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == orvaneWindow && ViewerInput::claims(key))
            event->accept();
        return false;
    }
    // A key reaches the window's QWindow first, once, and then the focus
    // widget and each parent that leaves it alone, and this filter sees it
    // at every step: only the first counts, so that each key acts once.
    if (watched != orvaneWindow->windowHandle())
        return false;
    if (type == QEvent::KeyPress)
        return kkeyDown(key);
    keyUp(key);
    return false;
}

bool OrvaneWindowController::kkeyDown(QKeyEvent* event) {
    return viewController && viewController->input()->keyDown(event);
}

void OrvaneWindowController::keyUp(QKeyEvent* event) {
    if (viewController)
        viewController->input()->keyUp(event);
}
