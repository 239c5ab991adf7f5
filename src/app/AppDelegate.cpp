#include "app/AppDelegate.h"

#include "app/AboutDialog.h"
#include "app/CCNPreferencesWindowController.h"
#include "app/ClipboardCheck.h"
#include "app/GrantAccessChooser.h"
#include "app/InfoViewController.h"
#include "app/InfoWindowController.h"
#include "app/MainMenu.h"
#include "app/PreferencesAccessViewController.h"
#include "app/PreferencesGeneralViewController.h"
#include "app/ShortcutsWindow.h"
#include "app/WelcomeWindow.h"
#include "core/NotificationCenter.h"
#include "core/OpenDialogFolder.h"
#include "core/Settings.h"
#include "core/ViewerState.h"
#include "geometry/ViewerGeometry.h"
#include "menus/MenuState.h"
#include "menus/OpenWithMenu.h"
#include "platform/DesktopRecentFiles.h"
#include "platform/DocumentPortal.h"
#include "platform/FileName.h"
#include "platform/RecentDocuments.h"
#include "viewer/ArchiveDocument.h"
#include "viewer/ChromeStyle.h"
#include "viewer/FolderGrants.h"
#include "viewer/FramePlayback.h"
#include "viewer/OrvaneWindow.h"
#include "viewer/OrvaneWindowController.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ViewerFullScreen.h"
#include "viewer/ViewerOutput.h"
#include "viewer/ViewerTransforms.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <utility>

namespace {
const QUrl websiteAddress(QStringLiteral("https://ovisto.app"));
}

AppDelegate::AppDelegate(QObject* parent)
    : ViewerHost(parent),
      router([this]() -> RoutableWindow* { return newViewerWindow(); },
             [this](const QString& path) { addToRecent({path}); }) {
    menus = new MainMenu(this);
    // The viewer windows are dark: so is what opens from them.
    ChromeStyle::darkenPopups();
    ChromeStyle::darken(menus->menu());
    recent = new RecentDocuments(this);
    types = ClipboardCheck::fileTypes();
    connectMenu();
    rebuildRecentMenu();
    connect(recent, &RecentDocuments::changed, this, &AppDelegate::rebuildRecentMenu);
    // The folder scan asks through this when a folder refuses to be listed,
    // where the document portal can grant: known by then, found out now.
    DocumentPortal::probe();
    chooseFolder = &GrantAccessChooser::choose;
    FolderGrants::setChooser([this](const QString& folder) {
        std::optional<QString> chosen = chooseFolder(folder);
        QTimer::singleShot(0, this, &AppDelegate::routeAfterChooser);
        return chosen;
    });
}

AppDelegate::~AppDelegate() {
    FolderGrants::setChooser({});
    delete preferencesController;
    for (const auto& controller : controllers) {
        if (controller)
            delete controller->window();
    }
    delete welcomeController;
    delete infoController;
}

template <typename Operation> void AppDelegate::forward(MenuItem item, Operation operation) {
    connect(menus->item(item), &QAction::triggered, this, [this, operation] {
        if (ViewController* viewer = mainViewController())
            std::invoke(operation, viewer);
    });
}

void AppDelegate::connectMenu() {
    auto on = [this](MenuItem item, auto handler) {
        connect(menus->item(item), &QAction::triggered, this, handler);
    };
    on(MenuItem::Open, [this] { openImageDialog(); });
    on(MenuItem::NewFromClipboard, [this] { newFromPasteboard(); });
    on(MenuItem::Welcome, [this] { showWelcomeScreen(); });
    on(MenuItem::KeyboardShortcuts, [this] { showShortcuts(); });
    on(MenuItem::About, [] {
        AboutDialog dialog(QApplication::activeWindow());
        dialog.exec();
    });
    on(MenuItem::Website, [this] { gotoWebsite(); });
    on(MenuItem::CheckForUpdates, [this] { checkForUpdates(); });
    on(MenuItem::Preferences, [this] { showPreferences(); });
    on(MenuItem::Quit, [] { QApplication::closeAllWindows(); });
    on(MenuItem::CloseWindow, [] {
        if (QWidget* window = QApplication::activeWindow())
            window->close();
    });
    // The menu's stepping goes straight to the stepping operations, so unlike
    // the viewer's own buttons it leaves a running slideshow alone.
    forward(MenuItem::NextImage, &ViewController::showNextImage);
    forward(MenuItem::PreviousImage, &ViewController::showPreviousImage);
    forward(MenuItem::FitToScreen, &ViewController::setFitToScreen);
    forward(MenuItem::StretchToFit, &ViewController::setStretchToFit);
    forward(MenuItem::FillScreen, &ViewController::setFillScreen);
    forward(MenuItem::ActualSize, &ViewController::setActualSize);
    forward(MenuItem::GetInfo, &ViewController::getInfo);
    forward(MenuItem::ZoomIn, &ViewController::zoomIn);
    forward(MenuItem::Slideshow, &ViewController::playSlideshow);
    forward(MenuItem::ShowAllImages, &ViewController::showAllImages);
    forward(MenuItem::PreviousFrame,
            [](ViewController* viewer) { viewer->framePlayback()->stepBy(-1); });
    forward(MenuItem::NextFrame,
            [](ViewController* viewer) { viewer->framePlayback()->stepBy(1); });
    forward(MenuItem::ZoomOut, &ViewController::zoomOut);
    forward(MenuItem::Rotate90, [](ViewController* viewer) { viewer->transforms()->rotate90(); });
    forward(MenuItem::Rotate90Counter,
            [](ViewController* viewer) { viewer->transforms()->rotate90Counter(); });
    forward(MenuItem::Rotate180, [](ViewController* viewer) { viewer->transforms()->rotate180(); });
    forward(MenuItem::FlipHorizontally,
            [](ViewController* viewer) { viewer->transforms()->flipHorizontally(); });
    forward(MenuItem::FlipVertically,
            [](ViewController* viewer) { viewer->transforms()->flipVertically(); });
    // Each export item opens the panel with its own format.
    forward(MenuItem::ExportJPEG,
            [](ViewController* viewer) { viewer->output()->exportImage(ExportFormat::Jpeg); });
    forward(MenuItem::ExportPNG,
            [](ViewController* viewer) { viewer->output()->exportImage(ExportFormat::Png); });
    forward(MenuItem::Print, [](ViewController* viewer) { viewer->output()->printImage(); });
    forward(MenuItem::Copy, [this](ViewController* viewer) {
        viewer->output()->copySelectionToClipboard();
        recheckPasteboard();
    });
    forward(MenuItem::SmartZoom,
            [](ViewController* viewer) { viewer->viewGeometry()->smartZoom(); });

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &AppDelegate::recheckPasteboard);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive)
            applicationDidBecomeActive();
    });
}

QAction* AppDelegate::menuItem(MenuItem item) const {
    return menus->item(item);
}

QMenu* AppDelegate::menuEditIn() const {
    return menus->menuEditIn();
}

QMenu* AppDelegate::mainMenu() const {
    return menus->menu();
}

QList<QAction*> AppDelegate::shortcutActions() const {
    QList<QAction*> actions;
    for (QAction* action : menus->allItems()) {
        if (!action->shortcut().isEmpty())
            actions.append(action);
    }
    return actions;
}

void AppDelegate::applicationDidFinishLaunching() {
    disableMenus();
    if (!loadedFromStart)
        newViewerWindow()->present();
    if (!infoController) {
        infoController = new InfoWindowController(this);
        connect(infoController, &InfoWindowController::panelClosed, this,
                &AppDelegate::panelClosed);
    }
    const Settings settings;
    panelVisible = settings.panelVisible();
    windowMode = settings.windowMode();
    if (settings.hideWelcomeScreen() == 0)
        showWelcomeScreen();
    NotificationCenter::defaultCenter().addObserver(QString::fromLatin1(NotificationCenter::UpdateUI),
                                                    this, [this] { updateUI(); });
    recheckPasteboard();
}

void AppDelegate::updateUI() {
    windowMode = Settings().windowMode();
}

QList<OrvaneWindowController*> AppDelegate::viewerWindows() const {
    QList<OrvaneWindowController*> live;
    for (const auto& controller : controllers) {
        if (controller && controller->window())
            live.append(controller);
    }
    return live;
}

QList<RoutableWindow*> AppDelegate::routableWindows() const {
    QList<RoutableWindow*> windows;
    for (OrvaneWindowController* controller : viewerWindows())
        windows.append(controller);
    return windows;
}

OrvaneWindowController* AppDelegate::newViewerWindow() {
    auto* controller = new OrvaneWindowController(this);
    controllers.append(controller);
    return controller;
}

void AppDelegate::windowClosed(OrvaneWindowController* controller) {
    controllers.removeAll(controller);
}

ViewController* AppDelegate::mainViewController() const {
    QWidget* window = QApplication::activeWindow();
    if (!OrvaneWindow::isViewerWindow(window))
        return nullptr;
    return static_cast<OrvaneWindow*>(window)->contentViewController();
}

void AppDelegate::application(const QStringList& openFiles) {
    application(openFiles, Start());
}

void AppDelegate::application(const QStringList& openFiles, Start start) {
    loadedFromStart = true;
    // Routing now would run inside the open chooser's event loop and ask again.
    if (FolderGrants::isAsking()) {
        waitingForChooser += openFiles;
        return;
    }
    RoutableWindow* first = router.route(openFiles, routableWindows(), windowMode);
    auto* controller = dynamic_cast<OrvaneWindowController*>(first);
    if (!controller || (!start.fullScreen && !start.slideshow))
        return;
    // Once the window is up: full screen animates from the window's frame.
    QTimer::singleShot(0, controller, [controller, start] {
        if (start.fullScreen)
            controller->vc()->fullScreen()->toggleFullScreen();
        if (start.slideshow)
            controller->vc()->playSlideshow();
    });
}

void AppDelegate::routeAfterChooser() {
    if (FolderGrants::isAsking() || waitingForChooser.isEmpty())
        return;
    const QStringList paths = std::exchange(waitingForChooser, {});
    router.route(paths, routableWindows(), windowMode);
}

void AppDelegate::showPreferences() {
    if (!preferencesController) {
        preferencesController = new CCNPreferencesWindowController;
        preferencesController->setCenterToolbarItems(false);
        preferencesController->setPreferencesViewControllers(
            {new PreferencesGeneralViewController, new PreferencesAccessViewController});
    }
    preferencesController->showPreferencesWindow();
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    if (hasVisibleWindows) {
        // A second plain launch brings the existing windows forward.
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->isWindow()) {
                window->raise();
                window->activateWindow();
            }
        }
        return false;
    }
    newViewerWindow()->present();
    return true;
}

void AppDelegate::applicationDidBecomeActive() {
    recheckPasteboard();
}

void AppDelegate::openImageDialog() {
    // After the current menu event has finished.
    QTimer::singleShot(0, this, [this] {
        QFileDialog dialog(QApplication::activeWindow(), tr("Open"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        ChromeStyle::darken(&dialog);
        // Wide enough for the name, size, type and date columns.
        dialog.resize(900, 540);
        dialog.setDirectory(openDialogFolder());
        dialog.setFileMode(QFileDialog::ExistingFile);
        QStringList patterns;
        for (const QString& type : types)
            patterns << QStringLiteral("*.") + type;
        dialog.setNameFilter(tr("Images and archives (%1)").arg(patterns.join(QLatin1Char(' '))));
        // One item, file or folder: a folder chosen becomes the document.
        connect(&dialog, &QFileDialog::currentChanged, &dialog, [&dialog](const QString& path) {
            dialog.setFileMode(QFileInfo(path).isDir() ? QFileDialog::Directory
                                                       : QFileDialog::ExistingFile);
        });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        const QString chosen = dialog.selectedFiles().first();
        Settings().setValue(Settings::LastOpenFolder, dialog.directory().absolutePath());
        router.route({chosen}, routableWindows(), windowMode);
    });
}

QString AppDelegate::openDialogFolder() const {
    OpenDialogFolder::Inputs inputs;
    if (ViewController* viewer = mainViewController()) {
        const ViewerDocument* doc = viewer->document();
        if (doc->isZip() && doc->archive())
            inputs.document = doc->archive()->path();
        else if (!doc->isData())
            inputs.document = doc->openedURL();
    }
    inputs.lastUsed = Settings().lastOpenFolder();
    inputs.home = QDir::homePath();
    return OpenDialogFolder::choose(inputs);
}

void AppDelegate::newFromPasteboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    // As the item's check decides: file URLs first, other URLs do not count.
    if (auto paths = ClipboardCheck::fileURLs(data)) {
        openFileFromPasteboard(*paths);
        return;
    }
    if (auto bytes = ClipboardCheck::imageData(data))
        router.routeData(*bytes, routableWindows());
}

void AppDelegate::openFileFromPasteboard(const QStringList& paths) {
    router.routeFromPasteboard(paths, routableWindows());
}

void AppDelegate::recheckPasteboard() {
    QAction* item = menus->item(MenuItem::NewFromClipboard);
    item->setEnabled(false);
    item->setEnabled(ClipboardCheck::canImport(QGuiApplication::clipboard()->mimeData(), types));
}

void AppDelegate::disableMenus() {
    for (MenuItem item : MenuState::disabledWithoutViewer())
        menus->item(item)->setEnabled(false);
    OpenWithMenu::showNoApplications(menus->menuEditIn());
}

void AppDelegate::addToRecent(const QStringList& paths) {
    for (const QString& path : paths) {
        // A path that names nothing was never opened.
        if (!QFileInfo::exists(path))
            continue;
        recent->noteNewRecentDocument(path);
        DesktopRecentFiles::add(path);
    }
}

void AppDelegate::rebuildRecentMenu() {
    QMenu* menu = menus->openRecent();
    menu->clear();
    const QStringList documents = recent->recentDocuments();
    QStringList names;
    for (const QString& path : documents)
        names.append(FileName::display(QFileInfo(path).fileName()));
    for (qsizetype i = 0; i < documents.size(); ++i) {
        const QString& path = documents[i];
        // Two IMG_0001.jpg are told apart by their folders; shown as the
        // title shows names, an "&" kept as itself, not a shortcut mark.
        const QString name =
            names.count(names[i]) > 1
                ? names[i] + QStringLiteral(" — ") +
                      FileName::display(QFileInfo(QFileInfo(path).path()).fileName())
                : names[i];
        QAction* action = menu->addAction(QString(name).replace(QLatin1Char('&'), "&&"));
        action->setToolTip(FileName::display(path));
        connect(action, &QAction::triggered, this, [this, path] { application({path}); });
    }
    menu->addSeparator();
    QAction* clear = menu->addAction(tr("Clear Menu"));
    clear->setEnabled(!recent->recentDocuments().isEmpty());
    connect(clear, &QAction::triggered, recent, &RecentDocuments::clearRecentDocuments);
}

bool AppDelegate::updateDetailsPanel(const QString& path, const QImage& shown) {
    if (!infoController)
        return false;
    infoController->contentViewController()->setURL(path, shown);
    return true;
}

bool AppDelegate::updateDetailsPanelWithData(const QByteArray& bytes, const QImage& shown) {
    if (!infoController)
        return false;
    infoController->contentViewController()->setDATA(bytes, shown);
    return true;
}

void AppDelegate::showDetailsPanel() {
    panelVisible = true;
    if (infoController) {
        QWidget* front = QApplication::activeWindow();
        infoController->showWindow(OrvaneWindow::isViewerWindow(front) ? front : nullptr);
    }
    Settings().setPanelVisible(true);
}

void AppDelegate::panelClosed() {
    panelVisible = false;
}

void AppDelegate::hideDetailsPanel() {
    const bool wanted = panelVisible;
    if (infoController)
        infoController->close();
    panelClosed();
    panelVisible = wanted;
    Settings().setPanelVisible(wanted);
}

void AppDelegate::checkToShowInfo() {
    if (OrvaneWindow::isViewerWindow(QApplication::activeWindow()) && panelVisible)
        showDetailsPanel();
}

void AppDelegate::checkToHideInfo() {
    // Moving from one viewer to another passes through a moment with no
    // active window: decide once that change has settled, so the panel does
    // not flicker.
    QTimer::singleShot(0, this, &AppDelegate::hideUnlessViewerInFront);
}

void AppDelegate::hideUnlessViewerInFront() {
    if (!OrvaneWindow::isViewerWindow(QApplication::activeWindow()))
        hideDetailsPanel();
}

void AppDelegate::getInfoFor(const ViewerState& viewer, const QImage& shown) {
    if (panelVisible) {
        panelClosed();
        hideDetailsPanel();
        return;
    }
    bool answered = false;
    if (viewer.showsFile())
        answered = updateDetailsPanel(viewer.openedURL, shown);
    else
        answered = updateDetailsPanelWithData(viewer.imageData, shown);
    if (answered)
        showDetailsPanel();
}

void AppDelegate::showWelcomeScreen() {
    if (!welcomeController) {
        welcomeController = new WelcomeWindow;
        welcomeController->addActions(shortcutActions());
    }
    welcomeController->showAnimated();
}

void AppDelegate::showShortcuts() {
    if (!shortcutsWindow) {
        QList<QAction*> actions = shortcutActions();
        // The viewer window's own keys (its menus' F10 and Shift+F10).
        for (QWidget* window : QApplication::topLevelWidgets())
            if (OrvaneWindow::isViewerWindow(window)) {
                for (QAction* action : window->actions())
                    if (!actions.contains(action))
                        actions << action;
                break;
            }
        shortcutsWindow = new ShortcutsWindow(actions);
        shortcutsWindow->setAttribute(Qt::WA_DeleteOnClose);
        OrvaneWindow::centreOnCursorScreen(shortcutsWindow);
    }
    shortcutsWindow->show();
    shortcutsWindow->raise();
    shortcutsWindow->activateWindow();
}

void AppDelegate::gotoWebsite() {
    QDesktopServices::openUrl(websiteAddress);
}

void AppDelegate::checkForUpdates() {
    // Packages are updated by the system; the release notes live on the website.
    QDesktopServices::openUrl(websiteAddress);
}
