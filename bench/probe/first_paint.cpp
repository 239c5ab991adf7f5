// Times what a person sees on an X display, for any viewer program:
//  - from starting the program to the first paint of an image of a known
//    colour anywhere on screen;
//  - with --step, from a key press to the next image, of another colour,
//    covering the place the first one had.
// The screen is read as five full-width rows from 15% to 75% of its height,
// which cross every viewer's image whether its window is centred or in a
// corner, and only every 2 ms: each look is work for the display server,
// which the viewer under test is waiting on too.
//
// Usage: first_paint [--step KEYSYM RRGGBB] RRGGBB command [args...]
// Prints "first paint: N ms" (and "step: N ms"), or "timeout".
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Colour {
    int r = 0, g = 0, b = 0;
};

bool parseColour(const char* text, Colour* out) {
    if (std::strlen(text) != 6)
        return false;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 16);
    if (*end)
        return false;
    *out = {int(v >> 16) & 255, int(v >> 8) & 255, int(v) & 255};
    return true;
}

// JPEG and scaling change each pixel a little; nothing else on screen is
// near the test colours.
constexpr int tolerance = 48;

// How many sampled pixels are near `colour`.
long countNear(Display* display, Window root, int width, int height, const Colour& colour) {
    long hits = 0;
    for (int row = 1; row <= 5; ++row) {
        XImage* line = XGetImage(display, root, 0, height * row * 15 / 100, unsigned(width), 1,
                                 AllPlanes, ZPixmap);
        if (!line)
            continue;
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(line, x, 0);
            const int r = int((p >> 16) & 255), g = int((p >> 8) & 255), b = int(p & 255);
            if (std::abs(r - colour.r) <= tolerance && std::abs(g - colour.g) <= tolerance &&
                std::abs(b - colour.b) <= tolerance)
                ++hits;
        }
        XDestroyImage(line);
    }
    return hits;
}

// Polls until `done` says yes or 30 s pass; returns the milliseconds since
// `start`, or -1.
template <typename Done>
double waitFor(Clock::time_point start, Done done) {
    while (Clock::now() - start < std::chrono::seconds(30)) {
        if (done())
            return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    int arg = 1;
    const char* stepKey = nullptr;
    Colour stepColour;
    if (arg + 2 < argc && std::strcmp(argv[arg], "--step") == 0) {
        stepKey = argv[arg + 1];
        if (!parseColour(argv[arg + 2], &stepColour)) {
            std::fprintf(stderr, "bad colour %s\n", argv[arg + 2]);
            return 2;
        }
        arg += 3;
    }
    Colour colour;
    if (arg + 1 >= argc || !parseColour(argv[arg], &colour)) {
        std::fprintf(stderr, "usage: first_paint [--step KEYSYM RRGGBB] RRGGBB command [args...]\n");
        return 2;
    }
    char** command = argv + arg + 1;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    // A picture already on screen would end the wait at once.
    if (countNear(display, root, width, height, colour) > 0) {
        std::fprintf(stderr, "the test colour is on screen before the start\n");
        return 2;
    }

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(command[0], command);
        _exit(127);
    }
    // Enough pixels that no stray mark counts, few enough that a small
    // window does.
    const long enough = 50;
    long shown = 0;
    const double first = waitFor(start, [&] {
        shown = countNear(display, root, width, height, colour);
        return shown >= enough;
    });
    int status = 0;
    if (first < 0) {
        std::printf("timeout\n");
        status = 1;
    } else {
        std::printf("first paint: %.1f ms\n", first);
        if (stepKey) {
            // Let the viewer settle and read ahead, as a person looking would.
            std::this_thread::sleep_for(std::chrono::seconds(3));
            const long covered = countNear(display, root, width, height, colour);
            const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(stepKey));
            const Clock::time_point press = Clock::now();
            XTestFakeKeyEvent(display, key, True, 0);
            XTestFakeKeyEvent(display, key, False, 0);
            XFlush(display);
            const double step = waitFor(press, [&] {
                return countNear(display, root, width, height, stepColour) >= covered * 9 / 10;
            });
            if (step < 0) {
                std::printf("step: timeout\n");
                status = 1;
            } else {
                std::printf("step: %.1f ms\n", step);
            }
        }
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return status;
}
