#include "viewer/ViewerCommands.h"

#include "menus/MenuItemNames.h"
#include "menus/MenuState.h"
#include "menus/OpenWithMenu.h"
#include "viewer/ChromeStyle.h"
#include "viewer/MainToolbar.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerOutput.h"

#include <QActionGroup>
#include <QMenu>
#include <QToolButton>

ViewerCommands::ViewerCommands(ViewController* viewer) : QObject(viewer), viewer(viewer) {
    menu = new QMenu(viewer);
    connect(add(MenuItem::Copy, tr("Copy")), &QAction::triggered, viewer->output(),
            &ViewerOutput::copySelectionToClipboard);
    connect(add(MenuItem::SelectAll, tr("Select All")), &QAction::triggered, viewer,
            &ViewController::selectAll);
    connect(add(MenuItem::Deselect, tr("Deselect")), &QAction::triggered, viewer,
            &ViewController::deselect);
    connect(add(MenuItem::SelectionTool, tr("Selection Tool")), &QAction::triggered, viewer,
            &ViewController::selectionTool);
    menu->addSeparator();
    connect(add(MenuItem::PreviousImage, tr("Previous Image")), &QAction::triggered, viewer,
            &ViewController::previousImage);
    connect(add(MenuItem::NextImage, tr("Next Image")), &QAction::triggered, viewer,
            &ViewController::nextImage);
    connect(add(MenuItem::PreviousFrame, tr("Previous Frame")), &QAction::triggered, viewer,
            &ViewController::prevFrame);
    connect(add(MenuItem::NextFrame, tr("Next Frame")), &QAction::triggered, viewer,
            &ViewController::nextFrame);
    connect(add(MenuItem::Slideshow, tr("Slideshow")), &QAction::triggered, viewer,
            &ViewController::playSlideshow);
    menu->addSeparator();
    connect(add(MenuItem::ZoomIn, tr("Zoom In")), &QAction::triggered, viewer,
            &ViewController::zoomIn);
    connect(add(MenuItem::ZoomOut, tr("Zoom Out")), &QAction::triggered, viewer,
            &ViewController::zoomOut);
    const std::pair<MenuItem, void (ViewController::*)()> modes[] = {
        {MenuItem::FitToScreen, &ViewController::setFitToScreen},
        {MenuItem::StretchToFit, &ViewController::setStretchToFit},
        {MenuItem::FillScreen, &ViewController::setFillScreen},
        {MenuItem::ActualSize, &ViewController::setActualSize}};
    const QString titles[] = {tr("Fit to Screen"), tr("Stretch to Fit"), tr("Fill Screen"),
                              tr("Actual Size")};
    connect(add(MenuItem::SmartZoom, tr("Smart Zoom")), &QAction::triggered, viewer,
            &ViewController::smartZoom);
    // The modes exclude each other: radio items.
    auto* modeGroup = new QActionGroup(menu);
    for (int mode = 0; mode < 4; ++mode) {
        QAction* action = add(modes[mode].first, titles[mode]);
        action->setCheckable(true);
        modeGroup->addAction(action);
        connect(action, &QAction::triggered, viewer, modes[mode].second);
    }
    menu->addSeparator();
    connect(add(MenuItem::Rotate90Counter, tr("Rotate Left")), &QAction::triggered, viewer,
            &ViewController::rotate90Counter);
    connect(add(MenuItem::Rotate90, tr("Rotate Right")), &QAction::triggered, viewer,
            &ViewController::rotate90);
    connect(add(MenuItem::Rotate180, tr("Rotate 180°")), &QAction::triggered, viewer,
            &ViewController::rotate180);
    connect(add(MenuItem::FlipHorizontally, tr("Flip Horizontally")), &QAction::triggered, viewer,
            &ViewController::flipHorizontally);
    connect(add(MenuItem::FlipVertically, tr("Flip Vertically")), &QAction::triggered, viewer,
            &ViewController::flipVertically);
    menu->addSeparator();
    connect(add(MenuItem::GetInfo, tr("Get Info")), &QAction::triggered, viewer,
            &ViewController::getInfo);
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
