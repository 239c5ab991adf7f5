#include "viewer/ViewerCommands.h"

#include "geometry/ViewerGeometry.h"
#include "menus/MenuItemNames.h"
#include "menus/MenuState.h"
#include "menus/OpenWithMenu.h"
#include "viewer/ChromeStyle.h"
#include "viewer/FramePlayback.h"
#include "viewer/MainToolbar.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerOutput.h"
#include "viewer/ViewerTransforms.h"

#include <QActionGroup>
#include <QMenu>
#include <QToolButton>

namespace {

// One context menu item: its command, its title and what it runs on the viewer.
struct Command {
    MenuItem item;
    const char* title;
    void (*run)(ViewController* viewer);
    // A separator above the item opens a new group; the zoom modes exclude
    // each other, as radio items.
    enum Kind { Item, NewGroup, ZoomMode } kind = Item;
};

#define TITLE(text) QT_TRANSLATE_NOOP("ViewerCommands", text)
using VC = ViewController;
const Command commands[] = {
    {MenuItem::Copy, TITLE("Copy"), [](VC* v) { v->output()->copySelectionToClipboard(); }},
    {MenuItem::SelectAll, TITLE("Select All"), [](VC* v) { v->selectAll(); }},
    {MenuItem::Deselect, TITLE("Deselect"), [](VC* v) { v->deselect(); }},
    {MenuItem::SelectionTool, TITLE("Selection Tool"), [](VC* v) { v->selectionTool(); }},
    {MenuItem::PreviousImage, TITLE("Previous Image"), [](VC* v) { v->previousImage(); },
     Command::NewGroup},
    {MenuItem::NextImage, TITLE("Next Image"), [](VC* v) { v->nextImage(); }},
    {MenuItem::PreviousFrame, TITLE("Previous Frame"),
     [](VC* v) { v->framePlayback()->stepBy(-1); }},
    {MenuItem::NextFrame, TITLE("Next Frame"), [](VC* v) { v->framePlayback()->stepBy(1); }},
    {MenuItem::Slideshow, TITLE("Slideshow"), [](VC* v) { v->playSlideshow(); }},
    {MenuItem::ShowAllImages, TITLE("Show All Images"), [](VC* v) { v->showAllImages(); }},
    {MenuItem::ZoomIn, TITLE("Zoom In"), [](VC* v) { v->zoomIn(); }, Command::NewGroup},
    {MenuItem::ZoomOut, TITLE("Zoom Out"), [](VC* v) { v->zoomOut(); }},
    {MenuItem::SmartZoom, TITLE("Smart Zoom"), [](VC* v) { v->viewGeometry()->smartZoom(); }},
    {MenuItem::FitToScreen, TITLE("Fit to Screen"), [](VC* v) { v->setFitToScreen(); },
     Command::ZoomMode},
    {MenuItem::StretchToFit, TITLE("Stretch to Fit"), [](VC* v) { v->setStretchToFit(); },
     Command::ZoomMode},
    {MenuItem::FillScreen, TITLE("Fill Screen"), [](VC* v) { v->setFillScreen(); },
     Command::ZoomMode},
    {MenuItem::ActualSize, TITLE("Actual Size"), [](VC* v) { v->setActualSize(); },
     Command::ZoomMode},
    {MenuItem::Rotate90Counter, TITLE("Rotate Left"),
     [](VC* v) { v->transforms()->rotate90Counter(); }, Command::NewGroup},
    {MenuItem::Rotate90, TITLE("Rotate Right"), [](VC* v) { v->transforms()->rotate90(); }},
    {MenuItem::Rotate180, TITLE("Rotate 180°"), [](VC* v) { v->transforms()->rotate180(); }},
    {MenuItem::FlipHorizontally, TITLE("Flip Horizontally"),
     [](VC* v) { v->transforms()->flipHorizontally(); }},
    {MenuItem::FlipVertically, TITLE("Flip Vertically"),
     [](VC* v) { v->transforms()->flipVertically(); }},
    {MenuItem::GetInfo, TITLE("Get Info"), [](VC* v) { v->getInfo(); }, Command::NewGroup},
};
#undef TITLE

} // namespace

ViewerCommands::ViewerCommands(ViewController* viewer) : QObject(viewer), viewer(viewer) {
    menu = new QMenu(viewer);
    auto* modeGroup = new QActionGroup(menu);
    for (const Command& command : commands) {
        if (command.kind == Command::NewGroup)
            menu->addSeparator();
        QAction* action = add(command.item, tr(command.title));
        if (command.kind == Command::ZoomMode) {
            action->setCheckable(true);
            modeGroup->addAction(action);
        }
        connect(action, &QAction::triggered, viewer, [viewer, run = command.run] { run(viewer); });
    }
    menuEditIn = menu->addMenu(tr("Open With"));
    menuEditIn->menuAction()->setObjectName(
        MenuItemNames::name(MenuItem::EditIn, CommandSurface::ViewerMenu));
    OpenWithMenu::showNoApplications(menuEditIn);
    ChromeStyle::darken(menu);

    // Anywhere on the viewer, its children included, a right click opens it.
    viewer->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(viewer, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu->popup(this->viewer->mapToGlobal(at)); });
}

QAction* ViewerCommands::add(MenuItem item, const QString& title) {
    QAction* action = menu->addAction(title);
    action->setObjectName(MenuItemNames::name(item, CommandSurface::ViewerMenu));
    action->setEnabled(false);
    actions[item] = action;
    return action;
}

QAction* ViewerCommands::item(MenuItem item) const {
    if (item == MenuItem::EditIn)
        return menuEditIn->menuAction();
    const auto found = actions.find(item);
    return found == actions.end() ? nullptr : found->second;
}

QList<QAction*> ViewerCommands::items() const {
    QList<QAction*> all;
    for (const auto& [item, action] : actions)
        all.append(action);
    return all;
}

QToolButton* ViewerCommands::toolbarButton(MenuItem item) const {
    const QString name = MenuItemNames::name(item, CommandSurface::Toolbar);
    if (name.isEmpty() || !viewer->toolbar())
        return nullptr;
    return viewer->toolbar()->findChild<QToolButton*>(name);
}

void ViewerCommands::apply(const MenuState& state, const QList<MenuItem>& only) {
    auto wanted = [&only](MenuItem item) { return only.isEmpty() || only.contains(item); };
    for (const auto& [item, enabled] : state.viewerMenu) {
        if (QAction* action = this->item(item); action && wanted(item))
            action->setEnabled(enabled);
    }
    for (const auto& [item, enabled] : state.toolbar) {
        if (QToolButton* button = toolbarButton(item); button && wanted(item))
            button->setEnabled(enabled);
    }
    for (MenuItem mode : MenuState::zoomModeItems()) {
        if (QAction* action = this->item(mode); action && wanted(mode))
            action->setChecked(mode == state.checkedZoomMode);
    }
}
