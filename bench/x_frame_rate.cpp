// Frame rate of the program's frame in a real window, as a ratio of the
// limit: a loop that only drains the events and pauses as the frame does
// (1 ms; t ms in wavestring_paced), with the timer slack as main sets it. Each
// round runs, in a rotating order and in one process so that they share the
// machine's noise:
//   - the limit;
//   - the literal frame: a clear of the whole surface and a present of the
//     whole window in every frame;
//   - every frame: the changed parts presented in every frame;
//   - the program's frame (runFrame): the changed parts presented at the
//     display's pace.
// The string starts with large waves over the whole window and k = 1, so they
// keep running. The results are the median frame rates and the medians of the
// rounds' ratios to the limit, and the presents per second. A last run times
// the parts of each frame.
//
//   x_frame_rate [rounds [frames [t]]]   needs a display (DISPLAY, x11 driver);
//                                        t: the starting t (paced: the pause)
#include <SDL.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "frame.h"
#include "timing.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWarmUpFrames = 100;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double microsecondsSince(Clock::time_point& mark)
{
    const Clock::time_point now = Clock::now();
    const double us = std::chrono::duration<double, std::micro>(now - mark).count();
    mark = now;
    return us;
}

// A window set up as main sets it up: the same present on sdl12-compat and
// the same timer slack.
SDL_Surface* openWindowOrExit()
{
    preferSoftwarePresent();
    SDL_Surface* screen = openWindow();
    if (screen == nullptr) {
        std::fprintf(stderr, "x_frame_rate: no window: %s\n", SDL_GetError());
        std::exit(1);
    }
    tightenPause();
    return screen;
}

// Two sine modes over the whole loop, 100 and 60 pixels high, undamped: the
// white dots sweep about 320 rows and move in every column in every frame.
LoopState startWaves(int t)
{
    LoopState loop = startLoop(openWindowOrExit());
    const double pi = std::acos(-1.0);
    for (int i = 0; i < loop.state.w; ++i)
        loop.state.pos[i] = 100.0 * std::sin(2 * pi * i / loop.state.w)
                            + 60.0 * std::sin(2 * pi * 7 * i / loop.state.w);
    loop.state.k = 1.0;
    loop.state.t = t;
    return loop;
}

enum Run { kLimit, kLiteral, kEveryFrame, kPaced, kRunCount };
const char* const kRunNames[kRunCount] = {"limit", "literal", "every frame", "display pace"};

// Sets the loop up for the run: a refresh interval of 1 us presents the
// changes in every frame.
void prepare(int run, LoopState& loop)
{
    if (run == kEveryFrame)
        loop.refreshUs = 1;
}

void limitPause(const LoopState& loop)
{
    if (const Uint32 pause = framePause(loop.state); pause > 0)
        SDL_Delay(pause);
}

// One frame as runFrame runs it, in its parts. Returns whether it presented.
bool runOnce(int run, LoopState& loop)
{
    if (run == kLimit) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        limitPause(loop);
        return false;
    }
    // The literal frame clears and presents the whole window every time.
    loop.redrawAll = loop.redrawAll || run == kLiteral;
    updateFrame(loop);
    const bool presented = presentChanges(loop, framePause(loop.state), clockMicroseconds());
    limitPause(loop);
    return presented;
}

struct Rates {
    double frames;   // per second
    double presents; // per second
};

Rates frameRate(int run, int frames, int t)
{
    LoopState loop = startWaves(t);
    prepare(run, loop);
    for (int n = 0; n < kWarmUpFrames; ++n)
        runOnce(run, loop);
    const Clock::time_point start = Clock::now();
    int presents = 0;
    for (int n = 0; n < frames; ++n)
        presents += runOnce(run, loop);
    const double seconds = secondsSince(start);
    SDL_Quit();
    return {frames / seconds, presents / seconds};
}

// The time of each part of the frame per frame, in microseconds: the median
// and the mean (a present comes only in some frames), and the mean number and
// area of the rectangles of a present.
void timeParts(int run, int frames, int t)
{
    LoopState loop = startWaves(t);
    prepare(run, loop);
    const char* names[] = {"event drain (empty queue)", "updateFrame (drain, erase, step, draw)", "present",
                           "pause"};
    constexpr int kParts = sizeof names / sizeof names[0];
    std::vector<double> times[kParts];
    double rects = 0, area = 0, presents = 0;
    for (int n = 0; n < kWarmUpFrames + frames; ++n) {
        double part[kParts];
        Clock::time_point mark = Clock::now();
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        part[0] = microsecondsSince(mark);
        loop.redrawAll = loop.redrawAll || run == kLiteral;
        updateFrame(loop);
        part[1] = microsecondsSince(mark);
        const bool presented = presentChanges(loop, framePause(loop.state), clockMicroseconds());
        part[2] = microsecondsSince(mark);
        limitPause(loop);
        part[3] = microsecondsSince(mark);
        if (n < kWarmUpFrames)
            continue;
        for (int p = 0; p < kParts; ++p)
            times[p].push_back(part[p]);
        if (presented) {
            ++presents;
            rects += loop.presentedCount;
            for (int r = 0; r < loop.presentedCount; ++r)
                area += loop.presentedRects[r].w * loop.presentedRects[r].h;
        }
    }
    SDL_Quit();
    std::printf("  %s: %.0f presents of %.1f rectangles, %.0f pixels;", kRunNames[run], presents,
                presents > 0 ? rects / presents : 0.0, presents > 0 ? area / presents : 0.0);
    for (int p = 0; p < kParts; ++p)
        std::printf(" %s %.1f us (mean %.1f)%s", names[p], median(times[p]), mean(times[p]),
                    p + 1 < kParts ? "," : "\n");
}

int countArg(int argc, char** argv, int index, int fallback, int low)
{
    if (argc <= index)
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(argv[index], &end, 10);
    if (*argv[index] == '\0' || *end != '\0' || value < low || value > 1000000) {
        std::fprintf(stderr, "x_frame_rate: expected a count from %d to 1000000, got '%s'\n", low, argv[index]);
        std::exit(2);
    }
    return static_cast<int>(value);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = countArg(argc, argv, 1, 15, 1);
    const int frames = countArg(argc, argv, 2, 1000, 1);
    const int t = std::clamp(countArg(argc, argv, 3, kInitialT, 0), kMinT, kMaxT);

    std::printf("%d rounds of %d runs, %d frames each, in rotating order, t = %d; frames/s (ratio to the limit)\n",
                rounds, kRunCount, frames, t);
    {
        LoopState loop = startWaves(t);
        std::printf("display refresh: %d Hz as XRandR tells it (0: unknown), presents every %lld us\n",
                    displayRefreshRate(), static_cast<long long>(loop.refreshUs));
        SDL_Quit();
    }
    std::printf("%5s", "round");
    for (const char* name : kRunNames)
        std::printf(" %17s", name);
    std::printf("\n");
    std::vector<double> fps[kRunCount], ratios[kRunCount], presents[kRunCount];
    for (int round = 0; round < rounds; ++round) {
        Rates rate[kRunCount];
        for (int j = 0; j < kRunCount; ++j) {
            // Rotated by one each round, and reversed every other round, so
            // that no run always comes first or last, or after the same one.
            const int step = round % 2 ? kRunCount - 1 - j : j;
            const int run = (round / 2 + step) % kRunCount;
            rate[run] = frameRate(run, frames, t);
        }
        std::printf("%5d", round + 1);
        for (int run = 0; run < kRunCount; ++run) {
            fps[run].push_back(rate[run].frames);
            ratios[run].push_back(rate[run].frames / rate[kLimit].frames);
            presents[run].push_back(rate[run].presents);
            std::printf(" %8.1f (%6.3f)", rate[run].frames, rate[run].frames / rate[kLimit].frames);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("%5s", "median");
    for (int run = 0; run < kRunCount; ++run)
        std::printf(" %8.1f (%6.3f)", median(fps[run]), median(ratios[run]));
    std::printf("\n%5s", "presents/s");
    for (int run = 0; run < kRunCount; ++run)
        std::printf(" %17.1f", median(presents[run]));
    std::printf("\n(ratio: the median of the rounds' ratios to the limit; presents/s: the median)\n");

    std::printf("\ntime of each part of a frame, median (mean) of %d frames:\n", frames);
    for (int run = kLiteral; run < kRunCount; ++run)
        timeParts(run, frames, t);
    return 0;
}
