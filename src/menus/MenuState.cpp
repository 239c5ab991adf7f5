#include "menus/MenuState.h"

#include "platform/Workspace.h"

#include <QCoreApplication>

namespace {

void setAll(QHash<QString, bool>& surface, std::initializer_list<const char*> names, bool on) {
    for (const char* name : names)
        surface.insert(QString::fromLatin1(name), on);
}

} // namespace

const QStringList& MenuState::appZoomModeItems() {
    static const QStringList items = {QStringLiteral("menuFitToScreen"),
                                      QStringLiteral("menuStretchToFit"),
                                      QStringLiteral("menuFillScreen"),
                                      QStringLiteral("menuActualSize")};
    return items;
}

const QStringList& MenuState::viewerZoomModeItems() {
    static const QStringList items = {QStringLiteral("menuFitToScreen"),
                                      QStringLiteral("menuStretchToFill"),
                                      QStringLiteral("menuFillScreen"),
                                      QStringLiteral("menuActualSize")};
    return items;
}

const QStringList& MenuState::disabledWithoutViewer() {
    static const QStringList items = {
        QStringLiteral("menuCopy"),          QStringLiteral("menuSelectAll"),
        QStringLiteral("menuDeselect"),      QStringLiteral("menuSelectionTool"),
        QStringLiteral("menu180"),           QStringLiteral("menu90"),
        QStringLiteral("menu90Counter"),     QStringLiteral("menuFlipHorizontally"),
        QStringLiteral("menuFlipVertically"), QStringLiteral("menuPreviousImage"),
        QStringLiteral("menuNextImage"),     QStringLiteral("menuPreviousFrame"),
        QStringLiteral("menuNextFrame"),     QStringLiteral("menuSlideshow"),
        QStringLiteral("menuZoomOut"),       QStringLiteral("menuZoomIn"),
        QStringLiteral("menuFitToScreen"),   QStringLiteral("menuStretchToFit"),
        QStringLiteral("menuFillScreen"),    QStringLiteral("menuActualSize"),
        QStringLiteral("menuGetInfo"),       QStringLiteral("menuExportJPEG"),
        QStringLiteral("menuExportPNG"),     QStringLiteral("menuPrint")};
    return items;
}

MenuState MenuState::compute(const Viewer& v) {
    MenuState s;
    const bool loaded = v.isFileLoaded;
    const std::initializer_list<const char*> imageItems = {
        "menuCopy",      "menuSelectAll",        "menuSelectionTool",  "menu180",
        "menu90",        "menu90Counter",        "menuFlipHorizontally", "menuFlipVertically",
        "menuFitToScreen", "menuFillScreen",     "menuActualSize",     "menuGetInfo"};
    setAll(s.appMenu, imageItems, loaded);
    setAll(s.viewerMenu, imageItems, loaded);
    setAll(s.appMenu, {"menuStretchToFit", "menuExportJPEG", "menuExportPNG", "menuPrint"}, loaded);
    setAll(s.viewerMenu, {"menuStretchToFill", "menuZoomIn", "menuZoomOut"}, loaded);

    // The shared zoom commands follow the engine's limits; the viewer's own
    // items stay available whenever there is an image.
    const bool zoomIn = loaded && v.canZoomIn;
    const bool zoomOut = loaded && v.canZoomOut;
    s.appMenu.insert(QStringLiteral("menuZoomIn"), zoomIn);
    s.toolbar.insert(QStringLiteral("actionZoomIn"), zoomIn);
    s.touchBar.insert(QStringLiteral("touchZoomIn"), zoomIn);
    s.appMenu.insert(QStringLiteral("menuZoomOut"), zoomOut);
    s.toolbar.insert(QStringLiteral("actionZoomOut"), zoomOut);
    s.touchBar.insert(QStringLiteral("touchZoomOut"), zoomOut);

    const bool deselect = loaded && v.hasSelection;
    const bool previousFrame = loaded && v.hasFrames && v.currentFrame != 0;
    const bool nextFrame = loaded && v.hasFrames && v.currentFrame != v.framesCount - 1;
    for (auto* menu : {&s.appMenu, &s.viewerMenu}) {
        menu->insert(QStringLiteral("menuDeselect"), deselect);
        menu->insert(QStringLiteral("menuPreviousFrame"), previousFrame);
        menu->insert(QStringLiteral("menuNextFrame"), nextFrame);
        setAll(*menu, {"menuPreviousImage", "menuNextImage", "menuSlideshow"}, v.isDirectory);
    }
    setAll(s.toolbar, {"actionNext", "actionPrevious", "actionPlay"}, v.isDirectory);
    setAll(s.touchBar, {"touchNextImage", "touchPreviousImage", "touchSlideshow"}, v.isDirectory);

    const int mode = (v.zoomMode >= 0 && v.zoomMode <= 2) ? v.zoomMode : 3;
    s.appMenuChecked = appZoomModeItems().at(mode);
    s.viewerMenuChecked = viewerZoomModeItems().at(mode);
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
        if (name == QLatin1String("Ovisto") || app.id == QLatin1String("ovisto.desktop"))
            continue;
        entries.append({name, app.path.isEmpty() ? app.id : app.path, app.iconName});
    }
    return entries;
}

QString MenuState::noApplicationsTitle() {
    return QCoreApplication::translate("MenuState", "No applications");
}
