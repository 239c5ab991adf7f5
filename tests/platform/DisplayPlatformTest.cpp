#include "platform/DisplayPlatform.h"

#include <gtest/gtest.h>

namespace {

using DisplayPlatform::Environment;
using DisplayPlatform::preferredPlugin;

TEST(DisplayPlatform, AWaylandSessionWithXRunsOnX) {
    EXPECT_EQ(preferredPlugin({"", "wayland", "wayland-0", ":0"}), QByteArray("xcb;wayland"));
    // Either sign of Wayland is enough.
    EXPECT_EQ(preferredPlugin({"", "", "wayland-0", ":0"}), QByteArray("xcb;wayland"));
    EXPECT_EQ(preferredPlugin({"", "Wayland", "", ":1"}), QByteArray("xcb;wayland"));
}

TEST(DisplayPlatform, TheUsersChoiceAndSessionsWithoutXAreLeftAlone) {
    EXPECT_TRUE(preferredPlugin({"wayland", "wayland", "wayland-0", ":0"}).isEmpty());
    EXPECT_TRUE(preferredPlugin({"offscreen", "x11", "", ":0"}).isEmpty());
    // Blank counts as unset.
    EXPECT_EQ(preferredPlugin({" ", "wayland", "wayland-0", ":0"}), QByteArray("xcb;wayland"));
    EXPECT_TRUE(preferredPlugin({"", "wayland", "wayland-0", ""}).isEmpty()) << "no X to run on";
    EXPECT_TRUE(preferredPlugin({"", "x11", "", ":0"}).isEmpty()) << "already X";
    EXPECT_TRUE(preferredPlugin({"", "tty", "", ""}).isEmpty());
}

} // namespace
