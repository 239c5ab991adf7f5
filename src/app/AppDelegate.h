#pragma once

#include "app/DocumentRouter.h"
#include "viewer/ViewerHost.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <optional>

class ShortcutsWindow;
class InfoWindowController;
class MainMenu;
class OrvaneWindowController;
class QAction;
class QMenu;
class RecentDocuments;
class ViewController;
class WelcomeWindow;
class CCNPreferencesWindowController;

// The one application-wide object: starts the application, decides which
// viewer window receives each document, forwards menu commands to the viewer
// window in front, and keeps the information panel and the clipboard item in
// step with the viewer windows.
class AppDelegate : public ViewerHost {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Application life cycle.
    void applicationDidFinishLaunching();
    // Documents from the command line, another launch, a drop or the open dialog.
    // How the command line asked the first document to be shown.
    struct Start {
        bool fullScreen = false;
        bool slideshow = false;
    };
    void application(const QStringList& openFiles);
    void application(const QStringList& openFiles, Start start);
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void applicationDidBecomeActive();

    // Menu actions.
    void openImageDialog();
    // Where the Open dialog starts.
    QString openDialogFolder() const;
    void newFromPasteboard();
    void showWelcomeScreen();
    void showShortcuts();
    void gotoWebsite();
    void checkForUpdates();
    void showPreferences();

    // Services for the viewer windows.
    void addToRecent(const QStringList& paths);
    void openFileFromPasteboard(const QStringList& paths);
    void recheckPasteboard();
    void showDetailsPanel();
    void hideDetailsPanel();
    void panelClosed();
    void updateUI();

    // ViewerHost
    QMenu* mainMenu() const override;
    QAction* menuItem(MenuItem item) const override;
    QMenu* menuEditIn() const override;
    QList<QAction*> shortcutActions() const override;
    void disableMenus() override;
    bool updateDetailsPanel(const QString& path, const QImage& shown = QImage()) override;
    bool updateDetailsPanelWithData(const QByteArray& bytes,
                                    const QImage& shown = QImage()) override;
    void checkToShowInfo() override;
    void checkToHideInfo() override;
    void getInfoFor(const ViewerState& viewer, const QImage& shown = QImage()) override;
    void openFiles(const QStringList& paths) override { application(paths); }
    void windowClosed(OrvaneWindowController* controller) override;

    // The viewer windows in the order they were made.
    QList<OrvaneWindowController*> viewerWindows() const;
    // The ViewController of the main window when that is a viewer window.
    ViewController* mainViewController() const;
    OrvaneWindowController* newViewerWindow();

    const QStringList& fileTypes() const { return types; }
    int windowMode = 0;
    bool loadedFromStart = false;
    bool panelVisible = false;
    // The preferences window, made when first asked for so that launching does not pay for it.
    CCNPreferencesWindowController* preferences() const { return preferencesController; }
    // Asks the user for a folder to grant (the folder chooser); tests answer in its place.
    std::function<std::optional<QString>(const QString& folder)> chooseFolder;
    // The information panel's window controller; none until launch made it.
    QPointer<InfoWindowController> infoController;

private:
    void connectMenu();
    // Hides the panel unless a viewer window is main once the focus has settled.
    void hideUnlessViewerInFront();
    // A menu command for the viewer of the main window: a ViewController
    // member or a callable taking the viewer.
    template <typename Operation> void forward(MenuItem item, Operation operation);
    void rebuildRecentMenu();
    QList<RoutableWindow*> routableWindows() const;

    MainMenu* menus = nullptr;
    RecentDocuments* recent = nullptr;
    QStringList types;
    QList<QPointer<OrvaneWindowController>> controllers;
    QPointer<WelcomeWindow> welcomeController;
    QPointer<ShortcutsWindow> shortcutsWindow;
    CCNPreferencesWindowController* preferencesController = nullptr;
    // Documents that arrived while the folder chooser was open, routed after it.
    QStringList waitingForChooser;
    void routeAfterChooser();
    DocumentRouter router;
};
