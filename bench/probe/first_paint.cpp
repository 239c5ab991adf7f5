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
//    process ended;
//  - with --settle, as a launch is judged: watched until the screen stands
//    still, the first paint counted when half the image area it ends up
//    with shows the colour, the time the image turned sharp and the peak
//    memory (--trace also lists on standard error where each change was and
//    how much texture the image showed then).
// The screen is read as five full-width rows from 15% to 75% of its height,
// which cross every viewer's image whether its window is centred or in a
// corner, and only every 2 ms: each look is work for the display server,
// which the viewer under test is waiting on too.
//
// Usage: first_paint [--settle [--trace] | --step KEYSYM RRGGBB |
//                     --hold KEYSYM COUNT INTERVAL RRGGBB | --close DELAY]
//                    RRGGBB command [args...]
// Prints "first paint: N ms" (and "sharp: N ms", "image area: N sampled
// pixels" and "peak memory: N MB", or "step: N ms", or "release to sharp:
// N ms" and "peak memory: N MB", or "window gone: N ms" and "process ended:
// N ms"), or "timeout".
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
#include <vector>

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

// The five sampled rows, one pixel value per entry, row after row; empty
// rows when the server gives no image.
std::vector<unsigned long> readRows(Display* display, Window root, int width, int height) {
    std::vector<unsigned long> pixels;
    pixels.reserve(size_t(width) * 5);
    for (int row = 1; row <= 5; ++row) {
        XImage* line = XGetImage(display, root, 0, height * row * 15 / 100, unsigned(width), 1,
                                 AllPlanes, ZPixmap);
        if (!line)
            continue;
        for (int x = 0; x < width; ++x)
            pixels.push_back(XGetPixel(line, x, 0));
        XDestroyImage(line);
    }
    return pixels;
}

bool isNear(unsigned long p, const Colour& colour) {
    const int r = int((p >> 16) & 255), g = int((p >> 8) & 255), b = int(p & 255);
    return std::abs(r - colour.r) <= tolerance && std::abs(g - colour.g) <= tolerance &&
           std::abs(b - colour.b) <= tolerance;
}

long countNear(const std::vector<unsigned long>& pixels, const Colour& colour) {
    long hits = 0;
    for (const unsigned long p : pixels)
        hits += isNear(p, colour) ? 1 : 0;
    return hits;
}

// How many sampled pixels are near `colour`.
long countNear(Display* display, Window root, int width, int height, const Colour& colour) {
    return countNear(readRows(display, root, width, height), colour);
}

// Polls until `done` says yes or 30 s pass; returns the milliseconds since
// `start`, or -1.
template <typename Done> double waitFor(Clock::time_point start, Done done) {
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

// Enough pixels that no stray mark counts, few enough that a small window
// does.
constexpr long enough = 50;

struct Sample {
    double ms = 0;
    long near = 0;
    bool changed = false;
};

// How much neighbouring pixels of the colour differ, on average: a reduced
// look smooths the photo's noise away, the full decode keeps it.
double texture(const std::vector<unsigned long>& pixels, const Colour& colour) {
    long sum = 0, pairs = 0;
    for (size_t i = 1; i < pixels.size(); ++i) {
        if (!isNear(pixels[i], colour) || !isNear(pixels[i - 1], colour))
            continue;
        sum += std::abs(int((pixels[i] >> 8) & 255) - int((pixels[i - 1] >> 8) & 255));
        ++pairs;
    }
    return pairs ? double(sum) / double(pairs) : 0;
}

// Where the sampled rows differ, for finding what moves on screen late.
void printChange(double ms, long near, double grain, const std::vector<unsigned long>& before,
                 const std::vector<unsigned long>& after, int width) {
    std::fprintf(stderr, "%9.1f ms  near %6ld  texture %5.1f ", ms, near, grain);
    if (before.size() != after.size() || before.size() != size_t(width) * 5) {
        std::fprintf(stderr, " (rows missing)\n");
        return;
    }
    long changed = 0;
    for (int row = 0; row < 5; ++row) {
        int first = -1, last = -1;
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(row) * size_t(width) + size_t(x);
            if (before[i] != after[i]) {
                first = first < 0 ? x : first;
                last = x;
                ++changed;
            }
        }
        if (first >= 0)
            std::fprintf(stderr, "  row %d: x %d-%d", row + 1, first, last);
    }
    std::fprintf(stderr, "  (%ld px)\n", changed);
}

// Watches a launch until the screen has stood still for 1.5 s after the
// colour showed, then reports when half the image area the viewer ends up
// with first showed the colour, when the rows last changed (a reduced first
// look is replaced by the full decode; a viewer that draws once is sharp at
// its first paint) and the viewer's peak memory. The rows are compared
// whole: no cheaper than a hash, and it can say where a change was.
int settle(Display* display, Window root, int width, int height, const Colour& colour,
           Clock::time_point start, pid_t child, bool trace) {
    const auto quiet = std::chrono::milliseconds(1500);
    std::vector<Sample> samples;
    std::vector<unsigned long> previous;
    bool appeared = false, still = false;
    Clock::time_point lastChange = start;
    while (Clock::now() - start < std::chrono::seconds(30)) {
        std::vector<unsigned long> pixels = readRows(display, root, width, height);
        const Clock::time_point now = Clock::now();
        Sample sample;
        sample.ms = std::chrono::duration<double, std::milli>(now - start).count();
        sample.near = countNear(pixels, colour);
        sample.changed = !previous.empty() && pixels != previous;
        if (sample.changed) {
            lastChange = now;
            if (trace)
                printChange(sample.ms, sample.near, texture(pixels, colour), previous, pixels,
                            width);
        }
        appeared = appeared || sample.near >= enough;
        samples.push_back(sample);
        previous = std::move(pixels);
        if (appeared && now - lastChange >= quiet) {
            still = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!appeared) {
        std::printf("timeout\n");
        return 1;
    }
    const long area = samples.back().near;
    double first = -1, sharp = -1;
    for (const Sample& s : samples) {
        if (first < 0 && s.near >= enough && s.near * 2 >= area)
            first = s.ms;
        if (s.changed)
            sharp = s.ms;
    }
    if (first < 0) {
        // The image went away again before the screen settled.
        std::printf("first paint: timeout\n");
        return 1;
    }
    std::printf("first paint: %.1f ms\n", first);
    if (still)
        std::printf("sharp: %.1f ms\n", sharp);
    else
        std::printf("sharp: timeout\n");
    std::printf("image area: %ld sampled pixels\n", area);
    std::printf("peak memory: %ld MB\n", peakMegabytes(child));
    return still ? 0 : 1;
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
    bool settling = false, trace = false;
    if (arg < argc && std::strcmp(argv[arg], "--settle") == 0) {
        settling = true;
        ++arg;
        if (arg < argc && std::strcmp(argv[arg], "--trace") == 0) {
            trace = true;
            ++arg;
        }
    } else if (arg + 2 < argc && std::strcmp(argv[arg], "--step") == 0) {
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
        std::fprintf(stderr, "usage: first_paint [--settle [--trace] | --step KEYSYM RRGGBB | "
                             "--hold KEYSYM COUNT INTERVAL RRGGBB | --close DELAY] "
                             "RRGGBB command [args...]\n");
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
    if (settling) {
        const int status = settle(display, root, width, height, colour, start, child, trace);
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        XCloseDisplay(display);
        return status;
    }
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
            const double gone = waitFor(
                press, [&] { return countNear(display, root, width, height, colour) < enough; });
            std::printf("window gone: %.1f ms\n", gone);
            const double ended =
                waitFor(press, [&] { return waitpid(child, nullptr, WNOHANG) == child; });
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
