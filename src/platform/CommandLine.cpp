#include "platform/CommandLine.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Qt's own options (QGuiApplication and its X11 ones): those with a value
// take the next argument unless given as --name=value.
constexpr std::array<std::string_view, 27> qtWithValue = {"platform",
                                                          "platformpluginpath",
                                                          "platformtheme",
                                                          "plugin",
                                                          "qwindowgeometry",
                                                          "qwindowicon",
                                                          "qwindowtitle",
                                                          "session",
                                                          "style",
                                                          "stylesheet",
                                                          "display",
                                                          "geometry",
                                                          "title",
                                                          "name",
                                                          "fn",
                                                          "font",
                                                          "bg",
                                                          "background",
                                                          "fg",
                                                          "foreground",
                                                          "btn",
                                                          "button",
                                                          "im",
                                                          "inputstyle",
                                                          "visual",
                                                          "ncols",
                                                          "cmap"};
constexpr std::array<std::string_view, 6> qtFlags = {"reverse", "widgetcount", "nograb",
                                                     "dograb",  "sync",        "testability"};

template <size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

CommandLine CommandLine::parse(const std::vector<std::string_view>& arguments) {
    CommandLine line;
    bool optionsEnd = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        // "-" alone, and everything after "--", names a document.
        if (optionsEnd || argument.size() < 2 || argument[0] != '-') {
            line.documents.push_back(i);
            continue;
        }
        if (argument == "--") {
            optionsEnd = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            line.action = Action::Help;
            return line;
        }
        if (argument == "--version") {
            line.action = Action::Version;
            return line;
        }
        if (argument == "-f" || argument == "--fullscreen") {
            line.fullScreen = true;
            continue;
        }
        if (argument == "-s" || argument == "--slideshow") {
            line.slideshow = true;
            continue;
        }
        std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
        const bool inlineValue = name.find('=') != std::string_view::npos;
        name = name.substr(0, name.find('='));
        if (among(qtWithValue, name)) {
            if (!inlineValue)
                ++i;
            continue;
        }
        if (among(qtFlags, name))
            continue;
        line.action = Action::Fail;
        line.error = "ovisto: unknown option '" + std::string(argument) +
                     "' (a file of that name opens as ./" + std::string(argument) +
                     "; see ovisto --help)";
        return line;
    }
    return line;
}

std::string CommandLine::usage() {
    return "Usage: ovisto [OPTION]... [FILE|FOLDER|ZIP]...\n"
           "Shows images, the images of a folder, or of a zip archive.\n"
           "\n"
           "Options:\n"
           "  -f, --fullscreen  start in full screen\n"
           "  -s, --slideshow   start the slideshow\n"
           "  -h, --help        show this text and exit\n"
           "      --version     show the version and exit\n"
           "  --                every argument after this is a file\n"
           "Qt's own options (-platform, -style, ...) are accepted too.\n"
           "\n"
           "Keys:\n"
           "  Left, Right        previous and next image (Home, End: first and last)\n"
           "  Ctrl+plus, minus   zoom in and out; 0 or \\ actual size\n"
           "  F, double click    full screen; Escape leaves it, or closes the window\n"
           "  W A S D, wheel     pan an image larger than the window\n"
           "  Ctrl+Shift+S       slideshow       Ctrl+I  information\n"
           "  Ctrl+R, Ctrl+L     rotate          Ctrl+E  export as JPEG\n"
           "  M, then drag       select          Ctrl+C  copy the selection\n"
           "  F10                the menu\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/velmora/Ovisto.conf (~/.config/velmora/Ovisto.conf)\n";
}

int CommandLine::answer(const char* version) const {
    switch (action) {
    case Action::Help:
        std::fputs(usage().c_str(), stdout);
        return 0;
    case Action::Version:
        std::printf("ovisto %s\n", version);
        return 0;
    case Action::Fail:
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    case Action::Open:
        break;
    }
    return -1;
}
