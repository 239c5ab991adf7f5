#include "menus/MenuState.h"

#include "core/ViewerState.h"
#include "platform/Workspace.h"

#include <QCoreApplication>

namespace {

void setAll(MenuState::Items& surface, std::initializer_list<MenuItem> items, bool on) {
    for (MenuItem item : items)
        surface[item] = on;
}

} // namespace

bool MenuState::isBuilt(MenuItem item) {
    switch (item) {
    default:
        return true;
    }
}

const QList<MenuItem>& MenuState::zoomModeItems() {
    static const QList<MenuItem> items = {MenuItem::FitToScreen, MenuItem::StretchToFit,
                                          MenuItem::FillScreen, MenuItem::ActualSize};
    return items;
}

const QList<MenuItem>& MenuState::frameItems() {
    static const QList<MenuItem> items = {MenuItem::PreviousFrame, MenuItem::NextFrame};
    return items;
}

const QList<MenuItem>& MenuState::disabledWithoutViewer() {
    static const QList<MenuItem> items = {
        MenuItem::Copy,          MenuItem::SelectAll,        MenuItem::Deselect,
        MenuItem::SelectionTool, MenuItem::Rotate180,        MenuItem::Rotate90,
        MenuItem::Rotate90Counter, MenuItem::FlipHorizontally, MenuItem::FlipVertically,
        MenuItem::PreviousImage, MenuItem::NextImage,        MenuItem::PreviousFrame,
        MenuItem::NextFrame,     MenuItem::Slideshow,        MenuItem::ZoomOut,
        MenuItem::ZoomIn,        MenuItem::FitToScreen,      MenuItem::StretchToFit,
        MenuItem::FillScreen,    MenuItem::ActualSize,       MenuItem::GetInfo,
        MenuItem::ExportJPEG,    MenuItem::ExportPNG,        MenuItem::Print,
        MenuItem::SmartZoom};
    return items;
}

MenuState MenuState::compute(const ViewerState& v) {
    MenuState s;
    const bool loaded = v.isFileLoaded;
    const std::initializer_list<MenuItem> imageItems = {
        MenuItem::Copy,          MenuItem::SelectAll,      MenuItem::SelectionTool,
        MenuItem::Rotate180,     MenuItem::Rotate90,       MenuItem::Rotate90Counter,
        MenuItem::FlipHorizontally, MenuItem::FlipVertically, MenuItem::FitToScreen,
        MenuItem::StretchToFit,  MenuItem::FillScreen,     MenuItem::ActualSize,
        MenuItem::GetInfo};
    setAll(s.appMenu, imageItems, loaded);
    setAll(s.viewerMenu, imageItems, loaded);
    setAll(s.appMenu, {MenuItem::ExportJPEG, MenuItem::ExportPNG, MenuItem::Print}, loaded);
    setAll(s.viewerMenu, {MenuItem::ZoomIn, MenuItem::ZoomOut}, loaded);
    // Smart zoom toggles back as well as in, so no limit disables it.
    setAll(s.appMenu, {MenuItem::SmartZoom}, loaded);
    setAll(s.viewerMenu, {MenuItem::SmartZoom}, loaded);

    // The shared zoom commands follow the engine's limits; the viewer's own
    // items stay available whenever there is an image.
    const bool zoomIn = loaded && v.canZoomIn;
    const bool zoomOut = loaded && v.canZoomOut;
    for (auto* surface : {&s.appMenu, &s.toolbar, &s.touchBar}) {
        (*surface)[MenuItem::ZoomIn] = zoomIn;
        (*surface)[MenuItem::ZoomOut] = zoomOut;
    }

    const bool deselect = loaded && v.hasSelection;
    // While an animation plays, either command stops it, wherever it is.
    const bool previousFrame = loaded && v.hasFrames && (v.currentFrame != 0 || v.isPlaying);
    const bool nextFrame =
        loaded && v.hasFrames && (v.currentFrame != v.framesCount - 1 || v.isPlaying);
    for (auto* menu : {&s.appMenu, &s.viewerMenu}) {
        (*menu)[MenuItem::Deselect] = deselect;
        (*menu)[MenuItem::PreviousFrame] = previousFrame;
        (*menu)[MenuItem::NextFrame] = nextFrame;
    }
    for (auto* surface : {&s.appMenu, &s.viewerMenu, &s.toolbar, &s.touchBar})
        setAll(*surface, {MenuItem::PreviousImage, MenuItem::NextImage, MenuItem::Slideshow},
               v.isDirectory);

    // What reads or changes the image's pixels waits for the full image (a
    // first look would be replaced by it) and for a turn being worked out.
    const bool pixelsReady = loaded && v.isImageShown && !v.isTransforming;
    for (auto* menu : {&s.appMenu, &s.viewerMenu}) {
        for (MenuItem item : {MenuItem::Copy, MenuItem::Rotate180, MenuItem::Rotate90,
                              MenuItem::Rotate90Counter, MenuItem::FlipHorizontally,
                              MenuItem::FlipVertically})
            (*menu)[item] = (*menu)[item] && pixelsReady;
        for (MenuItem item : {MenuItem::SelectAll, MenuItem::SelectionTool,
                              MenuItem::PreviousFrame, MenuItem::NextFrame})
            (*menu)[item] = (*menu)[item] && !v.isTransforming;
    }
    setAll(s.appMenu, {MenuItem::ExportJPEG, MenuItem::ExportPNG, MenuItem::Print}, pixelsReady);

    // The grid stands in for the image: what acts on one waits for its return.
    if (v.isGridShown) {
        for (auto* surface : {&s.appMenu, &s.viewerMenu, &s.toolbar, &s.touchBar})
            for (auto& [item, enabled] : *surface)
                enabled = enabled && !disabledWithoutViewer().contains(item) &&
                          item != MenuItem::Deselect;
    }
    for (auto* menu : {&s.appMenu, &s.viewerMenu})
        (*menu)[MenuItem::ShowAllImages] = v.hasList;

    for (auto* surface : {&s.appMenu, &s.viewerMenu, &s.toolbar, &s.touchBar}) {
        for (auto& [item, enabled] : *surface)
            enabled = enabled && isBuilt(item);
    }

    const int mode = (v.zoomMode >= 0 && v.zoomMode <= 2) ? v.zoomMode : 3;
    s.checkedZoomMode = zoomModeItems().at(mode);
    return s;
}

QList<MenuState::OpenWithEntry> MenuState::openWithEntries(const QList<ApplicationInfo>* appUrls,
                                                           bool isZip, bool isData) {
    QList<OpenWithEntry> entries;
    if (!appUrls || isZip || isData)
        return entries;
    for (const ApplicationInfo& app : *appUrls) {
        QString name = app.name;
        name.remove(QStringLiteral(".app"));
        if (name.isEmpty())
            continue;
        if (name == QLatin1String("Ovisto") || app.id == QLatin1String(Workspace::ownDesktopId))
            continue;
        entries.append({name, app.path.isEmpty() ? app.id : app.path, app.iconName});
    }
    return entries;
}

QString MenuState::noApplicationsTitle() {
    return QCoreApplication::translate("MenuState", "No applications");
}
