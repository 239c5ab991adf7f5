#include "menus/MenuState.h"
#include "core/ViewerState.h"
#include "menus/MenuItemNames.h"
#include "platform/Workspace.h"

#include <gtest/gtest.h>

namespace {

ViewerState loadedStill() {
    ViewerState v;
    v.isFileLoaded = true;
    v.canZoomIn = v.canZoomOut = true;
    v.framesCount = 1;
    v.isDirectory = true;
    return v;
}

bool on(const MenuState::Items& surface, MenuItem item) {
    const auto found = surface.find(item);
    return found != surface.end() && found->second;
}

// Each item is on (or off) on each of the surfaces.
void expect(std::initializer_list<const MenuState::Items*> surfaces, const QList<MenuItem>& items,
            bool enabled) {
    for (const MenuState::Items* surface : surfaces)
        for (MenuItem item : items)
            EXPECT_EQ(on(*surface, item), enabled) << int(item);
}

TEST(MenuState, NothingLoadedDisablesEverythingButStepping) {
    ViewerState v;
    v.isDirectory = true;
    const MenuState s = MenuState::compute(v);
    for (const auto& [item, enabled] : s.appMenu) {
        const bool stepping = item == MenuItem::NextImage || item == MenuItem::PreviousImage ||
                              item == MenuItem::Slideshow;
        EXPECT_EQ(enabled, stepping)
            << MenuItemNames::name(item, CommandSurface::AppMenu).toStdString();
    }
    expect({&s.toolbar, &s.touchBar}, {MenuItem::ZoomIn}, false);
}

TEST(MenuState, RefusedZoomInDisablesOnlyTheSharedZoomInSurfaces) {
    ViewerState v = loadedStill();
    v.canZoomIn = false;
    const MenuState s = MenuState::compute(v);
    expect({&s.appMenu, &s.toolbar, &s.touchBar}, {MenuItem::ZoomIn}, false);
    expect({&s.viewerMenu}, {MenuItem::ZoomIn}, true);
    expect({&s.appMenu, &s.toolbar, &s.touchBar}, {MenuItem::ZoomOut}, true);
    // Smart zoom also zooms back out, so a refused zoom-in leaves it on.
    expect({&s.appMenu, &s.viewerMenu}, {MenuItem::SmartZoom}, true);
}

TEST(MenuState, FrameItemsFollowThePositionInTheAnimation) {
    ViewerState v = loadedStill();
    v.hasFrames = true;
    v.framesCount = 3;
    const struct {
        int frame;
        bool playing, previous, next;
    } cases[] = {{0, false, false, true},
                 {2, false, true, false},
                 // Playing, both stop it, at either end.
                 {0, true, true, true},
                 {2, true, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame << " playing " << c.playing);
        v.currentFrame = c.frame;
        v.isPlaying = c.playing;
        const MenuState s = MenuState::compute(v);
        expect({&s.appMenu, &s.viewerMenu}, {MenuItem::PreviousFrame}, c.previous);
        expect({&s.appMenu, &s.viewerMenu}, {MenuItem::NextFrame}, c.next);
    }
    const MenuState still = MenuState::compute(loadedStill());
    expect({&still.appMenu, &still.viewerMenu}, MenuState::frameItems(), false);
}

TEST(MenuState, SteppingOnEverySurfaceOnlyInAFolder) {
    ViewerState v = loadedStill();
    for (const bool folder : {true, false}) {
        v.isDirectory = folder;
        const MenuState s = MenuState::compute(v);
        expect({&s.appMenu, &s.viewerMenu, &s.toolbar, &s.touchBar},
               {MenuItem::NextImage, MenuItem::PreviousImage, MenuItem::Slideshow}, folder);
    }
}

TEST(MenuState, PixelCommandsWaitForTheFullImageAndARunningTurn) {
    const QList<MenuItem> pixelItems = {
        MenuItem::Copy,      MenuItem::Rotate90Counter,  MenuItem::Rotate90,
        MenuItem::Rotate180, MenuItem::FlipHorizontally, MenuItem::FlipVertically};
    const QList<MenuItem> appOnly = {MenuItem::ExportJPEG, MenuItem::ExportPNG, MenuItem::Print};
    ViewerState v = loadedStill();
    v.hasSelection = true;
    // A first look: the full decode would overwrite a turn, and copies would be reduced.
    for (const bool shown : {false, true}) {
        v.isImageShown = shown;
        const MenuState s = MenuState::compute(v);
        expect({&s.appMenu, &s.viewerMenu}, pixelItems, shown);
        expect({&s.appMenu}, appOnly, shown);
    }
    v.isTransforming = true;
    v.framesCount = 5;
    v.hasFrames = true;
    v.currentFrame = 2;
    const MenuState s = MenuState::compute(v);
    expect({&s.appMenu}, appOnly, false);
    expect({&s.appMenu, &s.viewerMenu},
           pixelItems + QList<MenuItem>{MenuItem::SelectAll, MenuItem::SelectionTool,
                                        MenuItem::PreviousFrame, MenuItem::NextFrame},
           false);
    expect({&s.appMenu, &s.viewerMenu},
           {MenuItem::GetInfo, MenuItem::FitToScreen, MenuItem::NextImage, MenuItem::Deselect},
           true);
}

// The zoom mode checks one item of each menu.
TEST(MenuState, DeselectFollowsTheSelectionSelectAllTheImageAndTheModeIsChecked) {
    ViewerState v = loadedStill();
    MenuState s = MenuState::compute(v);
    expect({&s.appMenu, &s.viewerMenu}, {MenuItem::Deselect}, false);
    expect({&s.appMenu}, {MenuItem::SelectAll}, true);
    expect({&s.viewerMenu}, {MenuItem::SelectionTool}, true);
    v.isFileLoaded = false;
    v.hasSelection = true;
    s = MenuState::compute(v);
    expect({&s.appMenu, &s.viewerMenu},
           {MenuItem::SelectAll, MenuItem::Deselect, MenuItem::SelectionTool}, false);
    const std::pair<int, MenuItem> cases[] = {
        {0, MenuItem::FitToScreen}, {1, MenuItem::StretchToFit}, {2, MenuItem::FillScreen},
        {3, MenuItem::ActualSize},  {7, MenuItem::ActualSize},   {-1, MenuItem::ActualSize}};
    for (const auto& [mode, item] : cases) {
        v.zoomMode = mode;
        EXPECT_EQ(MenuState::compute(v).checkedZoomMode, item) << mode;
    }
}

TEST(OpenWithMenu, NamesAreCleanedTheViewerItselfIsLeftOutAndSomeItemsOfferNothing) {
    const auto app = [](const char* id, const char* name, const char* exec = "",
                        const char* path = "") {
        return ApplicationInfo{QString::fromUtf8(id), QString::fromUtf8(name),
                               QString::fromUtf8(exec), QString::fromUtf8(path)};
    };
    const QList<ApplicationInfo> apps = {
        app("preview.desktop", "Preview.app", "", "/usr/share/applications/preview.desktop"),
        app("my.desktop", "My.app.app"),
        app("ovisto.desktop", "Image Viewer"),
        app("other.desktop", "Ovisto"),
        app("blank.desktop", ".app"),
        app("gimp.desktop", "GIMP", "gimp"),
    };
    const auto entries = MenuState::openWithEntries(&apps, false, false);
    QStringList titles, urls;
    for (const MenuState::OpenWithEntry& entry : entries) {
        titles << entry.title;
        urls << entry.appURL;
    }
    EXPECT_EQ(titles, QStringList({"Preview", "My", "GIMP"}));
    EXPECT_EQ(urls, QStringList(
                        {"/usr/share/applications/preview.desktop", "my.desktop", "gimp.desktop"}));
    // Archive entries and clipboard images have no file to hand over.
    EXPECT_TRUE(MenuState::openWithEntries(&apps, true, false).isEmpty());
    EXPECT_TRUE(MenuState::openWithEntries(&apps, false, true).isEmpty());
    EXPECT_TRUE(MenuState::openWithEntries(nullptr, false, false).isEmpty());
}

} // namespace
