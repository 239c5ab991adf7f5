#include "platform/DisplayPlatform.h"

#include <gtest/gtest.h>

namespace {

using DisplayPlatform::Environment;
using DisplayPlatform::preferredPlugin;

// A Wayland session with X runs on X (either sign of Wayland is enough); the
// user's choice (blank counts as unset) and sessions without X are left alone.
TEST(DisplayPlatform, AWaylandSessionWithXRunsOnXAndTheRestIsLeftAlone) {
    const std::pair<Environment, const char*> cases[] = {
        {{"", "wayland", "wayland-0", ":0"}, "xcb;wayland"},
        {{"", "", "wayland-0", ":0"}, "xcb;wayland"},
        {{"", "Wayland", "", ":1"}, "xcb;wayland"},
        {{" ", "wayland", "wayland-0", ":0"}, "xcb;wayland"},
        {{"wayland", "wayland", "wayland-0", ":0"}, ""},
        {{"offscreen", "x11", "", ":0"}, ""},
        {{"", "wayland", "wayland-0", ""}, ""}, // no X to run on
        {{"", "x11", "", ":0"}, ""},            // already X
        {{"", "tty", "", ""}, ""},
    };
    for (const auto& [environment, plugin] : cases)
        EXPECT_EQ(preferredPlugin(environment), QByteArray(plugin)) << plugin;
}

} // namespace
