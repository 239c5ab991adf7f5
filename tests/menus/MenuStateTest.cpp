#include "core/ViewerState.h"
#include "menus/MenuItemNames.h"
#include "menus/MenuState.h"
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
    EXPECT_TRUE(on(s.toolbar, MenuItem::NextImage));
    EXPECT_FALSE(on(s.toolbar, MenuItem::ZoomIn));
    EXPECT_TRUE(on(s.touchBar, MenuItem::Slideshow));
}

TEST(MenuState, RefusedZoomInDisablesOnlyTheSharedZoomInSurfaces) {
    ViewerState v = loadedStill();
    v.canZoomIn = false;
    const MenuState s = MenuState::compute(v);
    EXPECT_FALSE(on(s.appMenu, MenuItem::ZoomIn));
    EXPECT_FALSE(on(s.toolbar, MenuItem::ZoomIn));
    EXPECT_FALSE(on(s.touchBar, MenuItem::ZoomIn));
    EXPECT_TRUE(on(s.viewerMenu, MenuItem::ZoomIn));
    EXPECT_TRUE(on(s.appMenu, MenuItem::ZoomOut));
    // Smart zoom also zooms back out, so a refused zoom-in leaves it on.
    EXPECT_TRUE(on(s.appMenu, MenuItem::SmartZoom));
    EXPECT_TRUE(on(s.viewerMenu, MenuItem::SmartZoom));
}

TEST(MenuState, FrameItemsFollowThePositionInTheAnimation) {
    ViewerState v = loadedStill();
    v.hasFrames = true;
    v.framesCount = 3;
    v.currentFrame = 0;
    MenuState s = MenuState::compute(v);
    EXPECT_FALSE(on(s.appMenu, MenuItem::PreviousFrame));
    EXPECT_TRUE(on(s.viewerMenu, MenuItem::NextFrame));
    v.currentFrame = 2;
    s = MenuState::compute(v);
    EXPECT_TRUE(on(s.viewerMenu, MenuItem::PreviousFrame));
    EXPECT_FALSE(on(s.appMenu, MenuItem::NextFrame));
    // Playing, both stop it, at either end.
    v.isPlaying = true;
    for (const int frame : {0, 2}) {
        v.currentFrame = frame;
        s = MenuState::compute(v);
        for (MenuItem item : MenuState::frameItems()) {
            EXPECT_TRUE(on(s.appMenu, item)) << frame;
            EXPECT_TRUE(on(s.viewerMenu, item)) << frame;
        }
    }
    s = MenuState::compute(loadedStill());
    for (MenuItem item : MenuState::frameItems()) {
        EXPECT_FALSE(on(s.appMenu, item));
        EXPECT_FALSE(on(s.viewerMenu, item));
    }
}

TEST(MenuState, SingleImageDisablesSteppingEverywhere) {
    ViewerState v = loadedStill();
    v.isDirectory = false;
    const MenuState s = MenuState::compute(v);
    for (const auto* surface : {&s.appMenu, &s.viewerMenu, &s.toolbar, &s.touchBar}) {
        for (MenuItem item : {MenuItem::NextImage, MenuItem::PreviousImage, MenuItem::Slideshow}) {
            ASSERT_TRUE(surface->count(item)) << int(item);
            EXPECT_FALSE(on(*surface, item)) << int(item);
        }
    }
    EXPECT_TRUE(on(s.appMenu, MenuItem::GetInfo));
}

TEST(MenuState, ZoomModeChecksOneItemOfEachMenu) {
    ViewerState v = loadedStill();
    const std::pair<int, MenuItem> cases[] = {{0, MenuItem::FitToScreen},
                                              {1, MenuItem::StretchToFit},
                                              {2, MenuItem::FillScreen},
                                              {3, MenuItem::ActualSize},
                                              {7, MenuItem::ActualSize},
                                              {-1, MenuItem::ActualSize}};
    for (const auto& [mode, item] : cases) {
        v.zoomMode = mode;
        EXPECT_EQ(MenuState::compute(v).checkedZoomMode, item) << mode;
    }
}

TEST(MenuState, PixelCommandsWaitForTheFullImageAndARunningTurn) {
    const MenuItem pixelItems[] = {
        MenuItem::Copy,       MenuItem::Rotate90Counter,  MenuItem::Rotate90,
        MenuItem::Rotate180,  MenuItem::FlipHorizontally, MenuItem::FlipVertically};
    const MenuItem appOnly[] = {MenuItem::ExportJPEG, MenuItem::ExportPNG, MenuItem::Print};
    ViewerState v = loadedStill();
    v.hasSelection = true;
    // A first look: the full decode would overwrite a turn, and copies would be reduced.
    MenuState s = MenuState::compute(v);
    for (MenuItem item : pixelItems)
        EXPECT_FALSE(on(s.appMenu, item) || on(s.viewerMenu, item)) << int(item);
    for (MenuItem item : appOnly)
        EXPECT_FALSE(on(s.appMenu, item)) << int(item);

    v.isImageShown = true;
    s = MenuState::compute(v);
    for (MenuItem item : pixelItems)
        EXPECT_TRUE(on(s.appMenu, item) && on(s.viewerMenu, item)) << int(item);
    for (MenuItem item : appOnly)
        EXPECT_TRUE(on(s.appMenu, item)) << int(item);

    v.isTransforming = true;
    v.framesCount = 5;
    v.hasFrames = true;
    v.currentFrame = 2;
    s = MenuState::compute(v);
    for (MenuItem item : pixelItems)
        EXPECT_FALSE(on(s.appMenu, item) || on(s.viewerMenu, item)) << int(item);
    for (MenuItem item : appOnly)
        EXPECT_FALSE(on(s.appMenu, item)) << int(item);
    for (MenuItem item : {MenuItem::SelectAll, MenuItem::SelectionTool, MenuItem::PreviousFrame,
                          MenuItem::NextFrame})
        EXPECT_FALSE(on(s.appMenu, item) || on(s.viewerMenu, item)) << int(item);
    for (MenuItem item : {MenuItem::GetInfo, MenuItem::FitToScreen, MenuItem::NextImage,
                          MenuItem::Deselect})
        EXPECT_TRUE(on(s.appMenu, item) && on(s.viewerMenu, item)) << int(item);
}

TEST(MenuState, DeselectFollowsTheSelectionSelectAllTheImage) {
    ViewerState v = loadedStill();
    MenuState s = MenuState::compute(v);
    EXPECT_FALSE(on(s.appMenu, MenuItem::Deselect) || on(s.viewerMenu, MenuItem::Deselect));
    EXPECT_TRUE(on(s.appMenu, MenuItem::SelectAll) && on(s.viewerMenu, MenuItem::SelectionTool));
    v.isFileLoaded = false;
    v.hasSelection = true;
    s = MenuState::compute(v);
    for (MenuItem item : {MenuItem::SelectAll, MenuItem::Deselect, MenuItem::SelectionTool})
        EXPECT_FALSE(on(s.appMenu, item) || on(s.viewerMenu, item)) << int(item);
}

TEST(OpenWithMenu, NamesAreCleanedAndTheViewerItselfIsLeftOut) {
    const QList<ApplicationInfo> apps = {
        {QStringLiteral("preview.desktop"), QStringLiteral("Preview.app"), QString(),
         QStringLiteral("/usr/share/applications/preview.desktop")},
        {QStringLiteral("my.desktop"), QStringLiteral("My.app.app"), QString(), QString()},
        {QStringLiteral("ovisto.desktop"), QStringLiteral("Image Viewer"), QString(), QString()},
        {QStringLiteral("other.desktop"), QStringLiteral("Ovisto"), QString(), QString()},
        {QStringLiteral("blank.desktop"), QStringLiteral(".app"), QString(), QString()},
        {QStringLiteral("gimp.desktop"), QStringLiteral("GIMP"), QStringLiteral("gimp"), QString()},
    };
    const auto entries = MenuState::openWithEntries(&apps, false, false);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].title, QStringLiteral("Preview"));
    EXPECT_EQ(entries[0].appURL, QStringLiteral("/usr/share/applications/preview.desktop"));
    EXPECT_EQ(entries[1].title, QStringLiteral("My"));
    EXPECT_EQ(entries[1].appURL, QStringLiteral("my.desktop"));
    EXPECT_EQ(entries[2].title, QStringLiteral("GIMP"));
}

TEST(OpenWithMenu, ArchiveEntriesAndClipboardImagesOfferNothing) {
    const QList<ApplicationInfo> apps = {
        {QStringLiteral("gimp.desktop"), QStringLiteral("GIMP"), QString(), QString()}};
    EXPECT_TRUE(MenuState::openWithEntries(&apps, true, false).isEmpty());
    EXPECT_TRUE(MenuState::openWithEntries(&apps, false, true).isEmpty());
    EXPECT_TRUE(MenuState::openWithEntries(nullptr, false, false).isEmpty());
}

} // namespace
