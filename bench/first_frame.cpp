// Start-up time of a program to its first frame on the screen, measured from
// outside: from just before the program is started until
//   - its window is mapped,
//   - its caption first shows k and t (set in the first frame, before its
//     present and its pause),
//   - the window shows the first frame: a string at rest is a white dot on
//     the centre row of every column, looked for with XGetImage.
// Then the program is sent SIGTERM, which SDL turns into a quit event, and
// must exit with status 0. Medians over several runs.
//
//   first_frame PROGRAM [runs]        needs a display (DISPLAY)
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "timing.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kDeadlineSeconds = 10.0;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A window can go away between an event and a request about it.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

bool showsFrameCaption(Display* display, Window window)
{
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || name == nullptr)
        return false;
    const bool shows = std::strncmp(name, "Vibrelle : k=", 13) == 0;
    XFree(name);
    return shows;
}

bool showsWhiteOnCentreRow(Display* display, Window window)
{
    XImage* image = XGetImage(display, window, 0, 240, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    const bool white = (XGetPixel(image, 0, 0) & 0xffffff) == 0xffffff;
    XDestroyImage(image);
    return white;
}

struct Times {
    double mapped = -1;
    double caption = -1;
    double shown = -1;
};

Times startOnce(Display* display, const char* program)
{
    Times times;
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("first_frame: fork");
        std::exit(1);
    }
    if (pid == 0) {
        execl(program, program, static_cast<char*>(nullptr));
        std::perror("first_frame: exec");
        _exit(127);
    }

    Window mapped = None;
    while (times.shown < 0 && millisecondsSince(start) < kDeadlineSeconds * 1000) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify)
                XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
            else if (event.type == MapNotify) {
                mapped = event.xmap.window;
                times.mapped = millisecondsSince(start);
            } else if (event.type == UnmapNotify && event.xunmap.window == mapped) {
                // sdl12-compat maps and destroys a window of its own first.
                mapped = None;
            } else if (event.type == PropertyNotify && event.xproperty.atom == XA_WM_NAME
                       && times.caption < 0 && showsFrameCaption(display, event.xproperty.window))
                times.caption = millisecondsSince(start);
        }
        if (mapped != None && showsWhiteOnCentreRow(display, mapped))
            times.shown = millisecondsSince(start);
        else
            usleep(50);
    }

    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "first_frame: %s did not exit with status 0 on SIGTERM\n", program);
        std::exit(1);
    }
    XSelectInput(display, root, NoEventMask);
    XSync(display, True);
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: first_frame PROGRAM [runs]\n");
        return 2;
    }
    const int runs = argc == 3 ? std::atoi(argv[2]) : 9;
    if (runs < 1 || runs > 1000) {
        std::fprintf(stderr, "first_frame: expected 1 to 1000 runs, got '%s'\n", argv[2]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "first_frame: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);

    std::vector<double> mapped, caption, shown;
    for (int run = 0; run < runs; ++run) {
        const Times times = startOnce(display, argv[1]);
        if (times.shown < 0) {
            std::fprintf(stderr, "first_frame: no frame shown within %.0f s\n", kDeadlineSeconds);
            return 1;
        }
        mapped.push_back(times.mapped);
        caption.push_back(times.caption);
        shown.push_back(times.shown);
    }
    std::printf("%s, median of %d starts (ms from start):\n", argv[1], runs);
    std::printf("  window mapped            %7.1f\n", median(mapped));
    std::printf("  first caption with k, t  %7.1f\n", median(caption));
    std::printf("  first frame shown        %7.1f   (slowest %.1f)\n", median(shown),
                *std::max_element(shown.begin(), shown.end()));
    XCloseDisplay(display);
    return 0;
}
