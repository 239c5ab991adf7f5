#include "app/MainMenu.h"

#include <QAction>
#include <QMenu>

MainMenu::MainMenu(QObject* parent) : QObject(parent) {
    root = new QMenu;
    QMenu* file = root->addMenu(tr("File"));
    add(file, "menuOpen", tr("Open…"), QKeySequence::Open, false);
    recent = file->addMenu(tr("Open Recent"));
    add(file, "menuNewFromClipboard", tr("New from Clipboard"), QKeySequence::Paste);
    openWith = file->addMenu(tr("Open With"));
    openWith->menuAction()->setObjectName(QStringLiteral("menuEditIn"));
    items.insert(QStringLiteral("menuEditIn"), openWith->menuAction());
    file->addSeparator();
    add(file, "menuExportJPEG", tr("Export as JPEG…"), QKeySequence(tr("Ctrl+E")));
    add(file, "menuExportPNG", tr("Export as PNG…"), QKeySequence(tr("Ctrl+Shift+E")));
    add(file, "menuPrint", tr("Print…"), QKeySequence::Print);
    file->addSeparator();
    add(file, "menuCloseWindow", tr("Close Window"), QKeySequence::Close, false);

    QMenu* edit = root->addMenu(tr("Edit"));
    add(edit, "menuCopy", tr("Copy"), QKeySequence::Copy);
    add(edit, "menuSelectAll", tr("Select All"), QKeySequence::SelectAll);
    add(edit, "menuDeselect", tr("Deselect"), QKeySequence(tr("Ctrl+Shift+A")));
    add(edit, "menuSelectionTool", tr("Selection Tool"));

    QMenu* image = root->addMenu(tr("Image"));
    add(image, "menu90Counter", tr("Rotate Left"), QKeySequence(tr("Ctrl+L")));
    add(image, "menu90", tr("Rotate Right"), QKeySequence(tr("Ctrl+R")));
    add(image, "menu180", tr("Rotate 180°"));
    add(image, "menuFlipHorizontally", tr("Flip Horizontally"));
    add(image, "menuFlipVertically", tr("Flip Vertically"));

    QMenu* view = root->addMenu(tr("View"));
    add(view, "menuZoomIn", tr("Zoom In"), QKeySequence::ZoomIn);
    add(view, "menuZoomOut", tr("Zoom Out"), QKeySequence::ZoomOut);
    view->addSeparator();
    for (const auto& [name, title] : {std::pair{"menuFitToScreen", tr("Fit to Screen")},
                                      std::pair{"menuStretchToFit", tr("Stretch to Fit")},
                                      std::pair{"menuFillScreen", tr("Fill Screen")},
                                      std::pair{"menuActualSize", tr("Actual Size")}})
        add(view, name, title)->setCheckable(true);

    QMenu* go = root->addMenu(tr("Go"));
    add(go, "menuPreviousImage", tr("Previous Image"), QKeySequence(Qt::Key_Left));
    add(go, "menuNextImage", tr("Next Image"), QKeySequence(Qt::Key_Right));
    add(go, "menuPreviousFrame", tr("Previous Frame"), QKeySequence(tr("Ctrl+Left")));
    add(go, "menuNextFrame", tr("Next Frame"), QKeySequence(tr("Ctrl+Right")));
    add(go, "menuSlideshow", tr("Slideshow"), QKeySequence(tr("Ctrl+Shift+S")));

    QMenu* window = root->addMenu(tr("Window"));
    add(window, "menuGetInfo", tr("Get Info"), QKeySequence(tr("Ctrl+I")));
    add(window, "menuWelcome", tr("Welcome to Ovisto"), QKeySequence(), false);

    QMenu* help = root->addMenu(tr("Help"));
    add(help, "menuWebsite", tr("Ovisto Website"), QKeySequence(), false);
    add(help, "menuCheckForUpdates", tr("Check for Updates…"), QKeySequence(), false);
    root->addSeparator();
    add(root, "menuQuit", tr("Quit Ovisto"), QKeySequence::Quit, false);
}

MainMenu::~MainMenu() {
    delete root;
}

QAction* MainMenu::add(QMenu* menu, const char* name, const QString& title,
                       const QKeySequence& shortcut, bool disabledAtStart) {
    QAction* action = menu->addAction(title);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setEnabled(!disabledAtStart);
    items.insert(action->objectName(), action);
    return action;
}
