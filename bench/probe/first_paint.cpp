// Times what a person sees on an X display, for any viewer program:
//  - from starting the program to the first paint of an image of a known
//    colour anywhere on screen;
//  - with --step, from a key press to the next image, of another colour,
//    covering the place the first one had;
//  - with --hold, a key held down (COUNT presses, one every INTERVAL ms, as
//    auto-repeat sends them), from its release to the image of another
//    colour painted sharp (the colour of its fine pattern, which a reduced
//    first look averages away), and the viewer's peak memory after that;
//  - with --close, from Escape pressed soon after the first paint (while
//    the neighbours are being decoded ahead) to the window gone, and to the
//    process ended.
// The screen is read as five full-width rows from 15% to 75% of its height,
// which cross every viewer's image whether its window is centred or in a
// corner, and only every 2 ms: each look is work for the display server,
// which the viewer under test is waiting on too.
//
// Usage: first_paint [--step KEYSYM RRGGBB | --hold KEYSYM COUNT INTERVAL RRGGBB | --close DELAY]
//                    RRGGBB command [args...]
// Prints "first paint: N ms" (and "step: N ms", "release to sharp: N ms" and
// "peak memory: N MB", or "window gone: N ms" and "process ended: N ms"), or "timeout".
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

// The peak resident memory of a process, from /proc, in MB; -1 when unknown.
long peakMegabytes(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kb = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(file);
    return kb < 0 ? -1 : kb / 1024;
}

void tap(Display* display, KeyCode key) {
    XTestFakeKeyEvent(display, key, True, 0);
    XTestFakeKeyEvent(display, key, False, 0);
    XFlush(display);
}

} // namespace

int main(int argc, char** argv) {
    int arg = 1;
    const char* stepKey = nullptr;
    Colour stepColour;
    int holdCount = 0, holdInterval = 0, closeDelay = -1;
    if (arg + 2 < argc && std::strcmp(argv[arg], "--step") == 0) {
        stepKey = argv[arg + 1];
        if (!parseColour(argv[arg + 2], &stepColour)) {
            std::fprintf(stderr, "bad colour %s\n", argv[arg + 2]);
            return 2;
        }
        arg += 3;
    } else if (arg + 4 < argc && std::strcmp(argv[arg], "--hold") == 0) {
        stepKey = argv[arg + 1];
        holdCount = std::atoi(argv[arg + 2]);
        holdInterval = std::atoi(argv[arg + 3]);
        if (holdCount < 1 || holdInterval < 1 || !parseColour(argv[arg + 4], &stepColour)) {
            std::fprintf(stderr, "bad --hold arguments\n");
            return 2;
        }
        arg += 5;
    } else if (arg + 1 < argc && std::strcmp(argv[arg], "--close") == 0) {
        closeDelay = std::atoi(argv[arg + 1]);
        arg += 2;
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
        if (stepKey && holdCount == 0) {
            // Let the viewer settle and read ahead, as a person looking would.
            std::this_thread::sleep_for(std::chrono::seconds(3));
            const long covered = countNear(display, root, width, height, colour);
            const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(stepKey));
            const Clock::time_point press = Clock::now();
            tap(display, key);
            const double step = waitFor(press, [&] {
                return countNear(display, root, width, height, stepColour) >= covered * 9 / 10;
            });
            if (step < 0) {
                std::printf("step: timeout\n");
                status = 1;
            } else {
                std::printf("step: %.1f ms\n", step);
            }
        } else if (stepKey) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            const long covered = countNear(display, root, width, height, colour);
            const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(stepKey));
            // Auto-repeat: presses at a steady pace, each with its release.
            Clock::time_point next = Clock::now();
            for (int i = 0; i < holdCount; ++i) {
                std::this_thread::sleep_until(next);
                tap(display, key);
                next += std::chrono::milliseconds(holdInterval);
            }
            const Clock::time_point release = Clock::now();
            const double sharp = waitFor(release, [&] {
                return countNear(display, root, width, height, stepColour) >= covered * 8 / 10;
            });
            if (sharp < 0) {
                std::printf("release to sharp: timeout\n");
                status = 1;
            } else {
                std::printf("release to sharp: %.1f ms\n", sharp);
            }
            std::this_thread::sleep_for(std::chrono::seconds(1));
            std::printf("peak memory: %ld MB\n", peakMegabytes(child));
        } else if (closeDelay >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(closeDelay));
            const KeyCode key = XKeysymToKeycode(display, XStringToKeysym("Escape"));
            const Clock::time_point press = Clock::now();
            tap(display, key);
            const double gone = waitFor(press, [&] {
                return countNear(display, root, width, height, colour) < enough;
            });
            std::printf("window gone: %.1f ms\n", gone);
            const double ended = waitFor(press, [&] { return waitpid(child, nullptr, WNOHANG) == child; });
            std::printf("process ended: %.1f ms\n", ended);
            XCloseDisplay(display);
            return ended < 0 || gone < 0 ? 1 : 0;
        }
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return status;
}
