#include "menus/MenuState.h"
#include "platform/Workspace.h"

#include <gtest/gtest.h>

namespace {

MenuState::Viewer loadedStill() {
    MenuState::Viewer v;
    v.isFileLoaded = true;
    v.canZoomIn = v.canZoomOut = true;
    v.framesCount = 1;
    v.isDirectory = true;
    return v;
}

TEST(MenuState, NothingLoadedDisablesEverythingButStepping) {
    MenuState::Viewer v;
    v.isDirectory = true;
    const MenuState s = MenuState::compute(v);
    for (auto it = s.appMenu.begin(); it != s.appMenu.end(); ++it) {
        const bool stepping = it.key() == QLatin1String("menuNextImage") ||
                              it.key() == QLatin1String("menuPreviousImage") ||
                              it.key() == QLatin1String("menuSlideshow");
        EXPECT_EQ(it.value(), stepping) << it.key().toStdString();
    }
    EXPECT_TRUE(s.toolbar.value(QStringLiteral("actionNext")));
    EXPECT_FALSE(s.toolbar.value(QStringLiteral("actionZoomIn")));
    EXPECT_TRUE(s.touchBar.value(QStringLiteral("touchSlideshow")));
}

TEST(MenuState, RefusedZoomInDisablesOnlyTheSharedZoomInSurfaces) {
    MenuState::Viewer v = loadedStill();
    v.canZoomIn = false;
    const MenuState s = MenuState::compute(v);
    EXPECT_FALSE(s.appMenu.value(QStringLiteral("menuZoomIn")));
    EXPECT_FALSE(s.toolbar.value(QStringLiteral("actionZoomIn")));
    EXPECT_FALSE(s.touchBar.value(QStringLiteral("touchZoomIn")));
    EXPECT_TRUE(s.viewerMenu.value(QStringLiteral("menuZoomIn")));
    EXPECT_TRUE(s.appMenu.value(QStringLiteral("menuZoomOut")));
}

TEST(MenuState, FrameItemsFollowThePositionInTheAnimation) {
    MenuState::Viewer v = loadedStill();
    v.hasFrames = true;
    v.framesCount = 3;
    v.currentFrame = 0;
    MenuState s = MenuState::compute(v);
    EXPECT_FALSE(s.appMenu.value(QStringLiteral("menuPreviousFrame")));
    EXPECT_TRUE(s.viewerMenu.value(QStringLiteral("menuNextFrame")));
    v.currentFrame = 2;
    s = MenuState::compute(v);
    EXPECT_TRUE(s.viewerMenu.value(QStringLiteral("menuPreviousFrame")));
    EXPECT_FALSE(s.appMenu.value(QStringLiteral("menuNextFrame")));
    s = MenuState::compute(loadedStill());
    for (const char* item : {"menuPreviousFrame", "menuNextFrame"}) {
        EXPECT_FALSE(s.appMenu.value(QString::fromLatin1(item)));
        EXPECT_FALSE(s.viewerMenu.value(QString::fromLatin1(item)));
    }
}

TEST(MenuState, SingleImageDisablesSteppingEverywhere) {
    MenuState::Viewer v = loadedStill();
    v.isDirectory = false;
    const MenuState s = MenuState::compute(v);
    for (const auto* surface : {&s.appMenu, &s.viewerMenu, &s.toolbar, &s.touchBar}) {
        for (auto it = surface->begin(); it != surface->end(); ++it) {
            if (it.key().contains(QLatin1String("Image")) || it.key().contains(QLatin1String("lideshow")) ||
                it.key() == QLatin1String("actionNext") || it.key() == QLatin1String("actionPrevious") ||
                it.key() == QLatin1String("actionPlay")) {
                EXPECT_FALSE(it.value()) << it.key().toStdString();
            }
        }
    }
    EXPECT_TRUE(s.appMenu.value(QStringLiteral("menuPrint")));
}

TEST(MenuState, DeselectNeedsASelection) {
    MenuState::Viewer v = loadedStill();
    EXPECT_FALSE(MenuState::compute(v).appMenu.value(QStringLiteral("menuDeselect")));
    v.hasSelection = true;
    EXPECT_TRUE(MenuState::compute(v).viewerMenu.value(QStringLiteral("menuDeselect")));
}

TEST(MenuState, ZoomModeChecksOneItemOfEachMenu) {
    MenuState::Viewer v = loadedStill();
    const std::pair<int, const char*> cases[] = {{0, "menuFitToScreen"},
                                                 {2, "menuFillScreen"},
                                                 {3, "menuActualSize"},
                                                 {7, "menuActualSize"},
                                                 {-1, "menuActualSize"}};
    for (const auto& [mode, item] : cases) {
        v.zoomMode = mode;
        const MenuState s = MenuState::compute(v);
        EXPECT_EQ(s.appMenuChecked, QString::fromLatin1(item)) << mode;
        EXPECT_EQ(s.viewerMenuChecked, QString::fromLatin1(item)) << mode;
    }
    v.zoomMode = 1;
    const MenuState s = MenuState::compute(v);
    EXPECT_EQ(s.appMenuChecked, QStringLiteral("menuStretchToFit"));
    EXPECT_EQ(s.viewerMenuChecked, QStringLiteral("menuStretchToFill"));
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
