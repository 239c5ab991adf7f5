#include "viewer/OrvaneWindowController.h"

#include "app/AppDelegate.h"
#include "geometry/KeyMap.h"
#include "geometry/ViewerGeometry.h"
#include "menus/AppMenuItem.h"
#include "menus/MenuState.h"
#include "platform/TouchBar.h"
#include "platform/Workspace.h"
#include "viewer/MainToolbar.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/Slideshow.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerInput.h"
#include "viewer/WindowHeader.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <atomic>

OrvaneWindowController::OrvaneWindowController(AppDelegate* delegate) : app(delegate) {
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
    connect(viewController, &ViewController::slideshowRunningChanged, this, [this](bool running) {
        bar->setImage(QStringLiteral("touchSlideshow"), Slideshow::touchBarPicture(running));
    });
    // Application-wide, so that keys are seen before shortcuts and menus.
    qApp->installEventFilter(this);

    if (app) {
        orvaneWindow->addActions(app->shortcutActions());
        orvaneWindow->header()->menuButton->setMenu(app->mainMenu());
        connect(viewController, &ViewController::updateDetailsPanel, app,
                [this](const QString& path) { app->updateDetailsPanel(path); });
        connect(viewController, &ViewController::updateDetailsPanelWithData, app,
                [this](const QImage& image) { app->updateDetailsPanelWithImage(image); });
        connect(viewController, &ViewController::getInfoRequested, app,
                [this] { app->getInfoFor(viewController); });
        connect(viewController, &ViewController::filesDropped, app,
                [this](const QStringList& paths) { app->application(paths); });
    } else {
        orvaneWindow->header()->menuButton->hide();
    }
}

OrvaneWindowController::~OrvaneWindowController() = default;

bool OrvaneWindowController::isStarted() const {
    return viewController && viewController->isStarted;
}

QString OrvaneWindowController::openedURL() const {
    return viewController ? viewController->openedURL : QString();
}

void OrvaneWindowController::startWithFile(const QString& path) {
    viewController->startWithFile(path);
}

void OrvaneWindowController::startWithData(const QByteArray& bytes) {
    viewController->startWithData(bytes);
}

void OrvaneWindowController::present() {
    if (!orvaneWindow->isVisible())
        orvaneWindow->centerOnScreen();
    orvaneWindow->show();
    orvaneWindow->raise();
    orvaneWindow->activateWindow();
}

void OrvaneWindowController::updateMainMenu() {
    ViewController* v = viewController;
    if (!v)
        return;
    MenuState::Viewer state;
    state.isFileLoaded = v->isFileLoaded();
    state.canZoomIn = v->canZoomIn();
    state.canZoomOut = v->canZoomOut();
    state.hasSelection = v->hasSelection();
    state.hasFrames = v->hasFrames();
    state.currentFrame = v->currentFrame;
    state.framesCount = v->framesCount;
    state.isDirectory = v->isDirectory();
    state.zoomMode = v->zoomMode;
    if (state.isFileLoaded && app)
        app->checkToShowInfo();
    const MenuState menus = MenuState::compute(state);

    if (app) {
        for (auto it = menus.appMenu.begin(); it != menus.appMenu.end(); ++it) {
            if (QAction* item = app->menuItem(it.key()))
                item->setEnabled(it.value());
        }
        for (const QString& name : MenuState::appZoomModeItems()) {
            if (QAction* item = app->menuItem(name))
                item->setChecked(name == menus.appMenuChecked);
        }
    }
    for (auto it = menus.viewerMenu.begin(); it != menus.viewerMenu.end(); ++it) {
        if (QAction* item = v->menuItem(it.key()))
            item->setEnabled(it.value());
    }
    for (const QString& name : MenuState::viewerZoomModeItems()) {
        if (QAction* item = v->menuItem(name))
            item->setChecked(name == menus.viewerMenuChecked);
    }
    for (auto it = menus.toolbar.begin(); it != menus.toolbar.end(); ++it) {
        if (auto* button = v->toolbar()->findChild<QToolButton*>(it.key()))
            button->setEnabled(it.value());
    }
    for (auto it = menus.touchBar.begin(); it != menus.touchBar.end(); ++it)
        bar->setEnabled(it.key(), it.value());
    rebuildOpenWith();
}

void OrvaneWindowController::fillOpenWith(QMenu* menu, bool forViewer) {
    const ViewController* v = viewController;
    const auto entries = MenuState::openWithEntries(v->appUrls ? &*v->appUrls : nullptr, v->isZip,
                                                    v->isData);
    // The menus are brought up to date after every change of state; loading
    // the icons again each time would cost a step several milliseconds.
    // The items open this window's file: the application's menu, shared by
    // all windows, is rebuilt when another window fills it.
    QStringList key{forViewer ? QStringLiteral("viewer") : QStringLiteral("app"),
                    QString::number(menuOwner)};
    for (const MenuState::OpenWithEntry& entry : entries)
        key << entry.title << entry.appURL << entry.iconName;
    const QString built = key.join(QChar(0));
    if (menu->property("openWithEntries").toString() == built && !menu->actions().isEmpty())
        return;
    menu->setProperty("openWithEntries", built);
    menu->clear();
    for (const MenuState::OpenWithEntry& entry : entries) {
        auto* item = new AppMenuItem(entry.title, menu);
        item->setObjectName(forViewer ? QStringLiteral("viewerApp") : QStringLiteral("app"));
        item->setAppURL(entry.appURL);
        const QIcon icon = QIcon::fromTheme(entry.iconName);
        if (!icon.isNull())
            item->setIcon(QIcon(icon.pixmap(QSize(16, 16))));
        connect(item, &QAction::triggered, this, [this, item] { openApp(item); });
        menu->addAction(item);
    }
    if (entries.isEmpty())
        menu->addAction(MenuState::noApplicationsTitle())->setEnabled(false);
}

quint64 OrvaneWindowController::nextMenuOwner() {
    static std::atomic<quint64> next{0};
    return ++next;
}

void OrvaneWindowController::rebuildOpenWith() {
    fillOpenWith(viewController->openWithMenu(), true);
    if (app && app->menuEditIn())
        fillOpenWith(app->menuEditIn(), false);
}

void OrvaneWindowController::openApp(AppMenuItem* sender) {
    if (!viewController || viewController->openedURL.isEmpty() || !sender)
        return;
    const QString application = sender->appURL();
    if (application.isEmpty())
        return;
    Workspace::openFile(viewController->openedURL, application);
}

void OrvaneWindowController::windowDidBecomeKey() {
    // After the current event, so that the window is main by then.
    QTimer::singleShot(0, this, [this] {
        ViewController* v = viewController;
        if (!v)
            return;
        if (app) {
            if (!v->openedURL.isEmpty() && !v->isData && !v->isZip) {
                app->updateDetailsPanel(v->openedURL);
                app->checkToShowInfo();
            } else if (!v->isData && !v->isZip) {
                app->updateDetailsPanel(QString());
            } else {
                app->updateDetailsPanelWithData(v->imageData);
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
}

bool OrvaneWindowController::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    if (!orvaneWindow)
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
