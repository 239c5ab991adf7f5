#include "app/MainMenu.h"

#include "menus/MenuItemNames.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

MainMenu::MainMenu(QObject* parent) : QObject(parent) {
    root = new QMenu;
    QMenu* file = root->addMenu(tr("File"));
    add(file, MenuItem::Open, tr("Open…"), QKeySequence::Open, false);
    recent = file->addMenu(tr("Open Recent"));
    add(file, MenuItem::NewFromClipboard, tr("New from Clipboard"), QKeySequence::Paste);
    openWith = file->addMenu(tr("Open With"));
    openWith->menuAction()->setObjectName(
        MenuItemNames::name(MenuItem::EditIn, CommandSurface::AppMenu));
    items[MenuItem::EditIn] = openWith->menuAction();
    file->addSeparator();
    add(file, MenuItem::ExportJPEG, tr("Export as JPEG…"), QKeySequence(tr("Ctrl+E")));
    add(file, MenuItem::ExportPNG, tr("Export as PNG…"), QKeySequence(tr("Ctrl+Shift+E")));
    add(file, MenuItem::Print, tr("Print…"), QKeySequence::Print);
    file->addSeparator();
    add(file, MenuItem::CloseWindow, tr("Close Window"), QKeySequence::Close, false);

    QMenu* edit = root->addMenu(tr("Edit"));
    add(edit, MenuItem::Copy, tr("Copy"), QKeySequence::Copy);
    add(edit, MenuItem::SelectAll, tr("Select All"), QKeySequence::SelectAll);
    add(edit, MenuItem::Deselect, tr("Deselect"), QKeySequence(tr("Ctrl+Shift+A")));
    add(edit, MenuItem::SelectionTool, tr("Selection Tool"));
    edit->addSeparator();
    // Bound by hand: QKeySequence::Preferences is Ctrl+Comma on macOS only.
    add(edit, MenuItem::Preferences, tr("Preferences…"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
        false);

    QMenu* image = root->addMenu(tr("Image"));
    add(image, MenuItem::Rotate90Counter, tr("Rotate Left"), QKeySequence(tr("Ctrl+L")));
    add(image, MenuItem::Rotate90, tr("Rotate Right"), QKeySequence(tr("Ctrl+R")));
    add(image, MenuItem::Rotate180, tr("Rotate 180°"));
    add(image, MenuItem::FlipHorizontally, tr("Flip Horizontally"));
    add(image, MenuItem::FlipVertically, tr("Flip Vertically"));

    QMenu* view = root->addMenu(tr("View"));
    add(view, MenuItem::ZoomIn, tr("Zoom In"), QKeySequence::ZoomIn);
    add(view, MenuItem::ZoomOut, tr("Zoom Out"), QKeySequence::ZoomOut);
    // Touchpads on Linux seldom report the smart-magnify gesture.
    add(view, MenuItem::SmartZoom, tr("Smart Zoom"), QKeySequence(tr("Ctrl+Shift+F")));
    view->addSeparator();
    // The modes exclude each other: radio items.
    auto* modes = new QActionGroup(root);
    for (const auto& [item, title] : {std::pair{MenuItem::FitToScreen, tr("Fit to Screen")},
                                      std::pair{MenuItem::StretchToFit, tr("Stretch to Fit")},
                                      std::pair{MenuItem::FillScreen, tr("Fill Screen")},
                                      std::pair{MenuItem::ActualSize, tr("Actual Size")}}) {
        QAction* action = add(view, item, title);
        action->setCheckable(true);
        modes->addAction(action);
    }

    QMenu* go = root->addMenu(tr("Go"));
    add(go, MenuItem::PreviousImage, tr("Previous Image"), QKeySequence(Qt::Key_Left));
    add(go, MenuItem::NextImage, tr("Next Image"), QKeySequence(Qt::Key_Right));
    add(go, MenuItem::PreviousFrame, tr("Previous Frame"), QKeySequence(tr("Ctrl+Left")));
    add(go, MenuItem::NextFrame, tr("Next Frame"), QKeySequence(tr("Ctrl+Right")));
    add(go, MenuItem::Slideshow, tr("Slideshow"), QKeySequence(tr("Ctrl+Shift+S")));
    go->addSeparator();
    add(go, MenuItem::ShowAllImages, tr("Show All Images"), QKeySequence(Qt::Key_Return))
        ->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});

    QMenu* window = root->addMenu(tr("Window"));
    add(window, MenuItem::GetInfo, tr("Get Info"), QKeySequence(tr("Ctrl+I")));
    add(window, MenuItem::Welcome, tr("Welcome to Ovisto"), QKeySequence(), false);

    QMenu* help = root->addMenu(tr("Help"));
    add(help, MenuItem::KeyboardShortcuts, tr("Keyboard Shortcuts"), QKeySequence(), false);
    add(help, MenuItem::About, tr("About Ovisto"), QKeySequence(), false);
    add(help, MenuItem::Website, tr("Ovisto Website"), QKeySequence(), false);
    add(help, MenuItem::CheckForUpdates, tr("Check for Updates…"), QKeySequence(), false);
    root->addSeparator();
    add(root, MenuItem::Quit, tr("Quit Ovisto"), QKeySequence::Quit, false);
}

MainMenu::~MainMenu() {
    delete root;
}

QAction* MainMenu::item(MenuItem item) const {
    const auto found = items.find(item);
    return found == items.end() ? nullptr : found->second;
}

QList<QAction*> MainMenu::allItems() const {
    QList<QAction*> all;
    for (const auto& [item, action] : items)
        all.append(action);
    return all;
}

QAction* MainMenu::add(QMenu* menu, MenuItem item, const QString& title,
                       const QKeySequence& shortcut, bool disabledAtStart) {
    QAction* action = menu->addAction(title);
    action->setObjectName(MenuItemNames::name(item, CommandSurface::AppMenu));
    action->setShortcut(shortcut);
    action->setEnabled(!disabledAtStart);
    items[item] = action;
    return action;
}
