#include "menus/MenuItemNames.h"

#include <array>

namespace {

struct Row {
    MenuItem item;
    const char* appMenu;
    const char* viewerMenu;
    const char* toolbar;
    const char* touchBar;
};

// The viewer's stretch item has always been named differently from the
// application's.
constexpr std::array rows = {
    Row{MenuItem::Copy, "menuCopy", "menuCopy", nullptr, nullptr},
    Row{MenuItem::SelectAll, "menuSelectAll", "menuSelectAll", nullptr, nullptr},
    Row{MenuItem::Deselect, "menuDeselect", "menuDeselect", nullptr, nullptr},
    Row{MenuItem::SelectionTool, "menuSelectionTool", "menuSelectionTool", nullptr, nullptr},
    Row{MenuItem::Rotate180, "menu180", "menu180", nullptr, nullptr},
    Row{MenuItem::Rotate90, "menu90", "menu90", nullptr, nullptr},
    Row{MenuItem::Rotate90Counter, "menu90Counter", "menu90Counter", nullptr, nullptr},
    Row{MenuItem::FlipHorizontally, "menuFlipHorizontally", "menuFlipHorizontally", nullptr,
        nullptr},
    Row{MenuItem::FlipVertically, "menuFlipVertically", "menuFlipVertically", nullptr, nullptr},
    Row{MenuItem::PreviousImage, "menuPreviousImage", "menuPreviousImage", "actionPrevious",
        "touchPreviousImage"},
    Row{MenuItem::NextImage, "menuNextImage", "menuNextImage", "actionNext", "touchNextImage"},
    Row{MenuItem::PreviousFrame, "menuPreviousFrame", "menuPreviousFrame", nullptr, nullptr},
    Row{MenuItem::NextFrame, "menuNextFrame", "menuNextFrame", nullptr, nullptr},
    Row{MenuItem::Slideshow, "menuSlideshow", "menuSlideshow", "actionPlay", "touchSlideshow"},
    Row{MenuItem::ZoomOut, "menuZoomOut", "menuZoomOut", "actionZoomOut", "touchZoomOut"},
    Row{MenuItem::ZoomIn, "menuZoomIn", "menuZoomIn", "actionZoomIn", "touchZoomIn"},
    Row{MenuItem::FitToScreen, "menuFitToScreen", "menuFitToScreen", nullptr, nullptr},
    Row{MenuItem::StretchToFit, "menuStretchToFit", "menuStretchToFill", nullptr, nullptr},
    Row{MenuItem::FillScreen, "menuFillScreen", "menuFillScreen", nullptr, nullptr},
    Row{MenuItem::ActualSize, "menuActualSize", "menuActualSize", nullptr, nullptr},
    Row{MenuItem::GetInfo, "menuGetInfo", "menuGetInfo", nullptr, nullptr},
    Row{MenuItem::ExportJPEG, "menuExportJPEG", nullptr, nullptr, nullptr},
    Row{MenuItem::ExportPNG, "menuExportPNG", nullptr, nullptr, nullptr},
    Row{MenuItem::Print, "menuPrint", nullptr, nullptr, nullptr},
    Row{MenuItem::EditIn, "menuEditIn", "menuEditIn", nullptr, nullptr},
    Row{MenuItem::Open, "menuOpen", nullptr, nullptr, nullptr},
    Row{MenuItem::NewFromClipboard, "menuNewFromClipboard", nullptr, nullptr, nullptr},
    Row{MenuItem::CloseWindow, "menuCloseWindow", nullptr, nullptr, nullptr},
    Row{MenuItem::Welcome, "menuWelcome", nullptr, nullptr, nullptr},
    Row{MenuItem::Website, "menuWebsite", nullptr, nullptr, nullptr},
    Row{MenuItem::CheckForUpdates, "menuCheckForUpdates", nullptr, nullptr, nullptr},
    Row{MenuItem::KeyboardShortcuts, "menuKeyboardShortcuts", nullptr, nullptr, nullptr},
    Row{MenuItem::About, "menuAbout", nullptr, nullptr, nullptr},
    Row{MenuItem::Quit, "menuQuit", nullptr, nullptr, nullptr},
    Row{MenuItem::Preferences, "menuPreferences", nullptr, nullptr, nullptr},
    Row{MenuItem::FullScreen, nullptr, nullptr, "actionFullscreen", "touchFullScreen"},
    Row{MenuItem::PlayStopGif, nullptr, nullptr, "actionPlayStopGif", nullptr},
    Row{MenuItem::SmartZoom, "menuSmartZoom", "menuSmartZoom", nullptr, nullptr},
    Row{MenuItem::ShowAllImages, "menuShowAllImages", "menuShowAllImages", nullptr, nullptr},
};

const char* nameIn(const Row& row, CommandSurface surface) {
    switch (surface) {
    case CommandSurface::AppMenu: return row.appMenu;
    case CommandSurface::ViewerMenu: return row.viewerMenu;
    case CommandSurface::Toolbar: return row.toolbar;
    case CommandSurface::TouchBar: return row.touchBar;
    }
    return nullptr;
}

} // namespace

QString MenuItemNames::name(MenuItem item, CommandSurface surface) {
    for (const Row& row : rows) {
        if (row.item == item)
            return QString::fromLatin1(nameIn(row, surface));
    }
    return QString();
}

std::optional<MenuItem> MenuItemNames::item(const QString& name, CommandSurface surface) {
    for (const Row& row : rows) {
        if (const char* own = nameIn(row, surface); own && name == QLatin1String(own))
            return row.item;
    }
    return std::nullopt;
}

QList<MenuItem> MenuItemNames::onSurface(CommandSurface surface) {
    QList<MenuItem> items;
    for (const Row& row : rows) {
        if (nameIn(row, surface))
            items.append(row.item);
    }
    return items;
}

QList<MenuItem> MenuItemNames::all() {
    QList<MenuItem> items;
    for (const Row& row : rows)
        items.append(row.item);
    return items;
}
