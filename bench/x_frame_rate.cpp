// Frame rate of the program's frame in a real window, as a ratio of the
// limit: a loop that only drains the events and pauses as the frame does
// (1 ms; t ms in wavestring_paced), with the timer slack as main sets it. Each
// round runs, in a rotating order and in one process so that they share the
// machine's noise:
//   - the limit;
//   - the literal frame: a clear of the whole surface and a present of the
//     whole window in every frame, as the program did before;
//   - the program's frame (runFrame) with each way of grouping the changed
//     parts of the window into rectangles.
// The string starts with large waves over the whole window and k = 1, so they
// keep running. The results are the median frame rates and the medians of the
// rounds' ratios to the limit. A last run times the parts of each frame.
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

enum Run { kLimit, kLiteral, kOneBand, kStrips, kRuns, kRunCount };
const char* const kRunNames[kRunCount] = {"limit", "literal", "one band", "strips", "runs"};

UpdateGrouping groupingOf(int run)
{
    return run == kOneBand ? UpdateGrouping::OneBand
           : run == kRuns  ? UpdateGrouping::ColumnRuns
                           : UpdateGrouping::ColumnStrips;
}

// A frame as the program ran it before: the whole surface cleared and the
// whole window presented.
void literalFrame(LoopState& loop)
{
    loop.redrawAll = true;
    runFrame(loop);
}

void limitFrame(const LoopState& loop)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    if (const Uint32 pause = framePause(loop.state); pause > 0)
        SDL_Delay(pause);
}

void runOnce(int run, LoopState& loop)
{
    if (run == kLimit)
        limitFrame(loop);
    else if (run == kLiteral)
        literalFrame(loop);
    else
        runFrame(loop);
}

double frameRate(int run, int frames, int t)
{
    LoopState loop = startWaves(t);
    loop.grouping = groupingOf(run);
    for (int n = 0; n < kWarmUpFrames; ++n)
        runOnce(run, loop);
    const Clock::time_point start = Clock::now();
    for (int n = 0; n < frames; ++n)
        runOnce(run, loop);
    const double rate = frames / secondsSince(start);
    SDL_Quit();
    return rate;
}

// Median time of each part of the frame, in microseconds, and the median
// number and area of the rectangles presented.
void timeParts(int run, int frames, int t)
{
    LoopState loop = startWaves(t);
    loop.grouping = groupingOf(run);
    const char* names[] = {"event drain (empty queue)", "updateFrame (drain, erase, step, draw)", "pause",
                           "present"};
    constexpr int kParts = sizeof names / sizeof names[0];
    std::vector<double> times[kParts], rects, area;
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
        if (const Uint32 pause = framePause(loop.state); pause > 0)
            SDL_Delay(pause);
        part[2] = microsecondsSince(mark);
        if (loop.changedCount > 0)
            SDL_UpdateRects(loop.screen, loop.changedCount, loop.changedRects.data());
        part[3] = microsecondsSince(mark);
        if (n < kWarmUpFrames)
            continue;
        double pixels = 0;
        for (int r = 0; r < loop.changedCount; ++r)
            pixels += loop.changedRects[r].w * loop.changedRects[r].h;
        for (int p = 0; p < kParts; ++p)
            times[p].push_back(part[p]);
        rects.push_back(loop.changedCount);
        area.push_back(pixels);
    }
    SDL_Quit();
    std::printf("  %s: rectangles %.0f, %.0f pixels;", kRunNames[run], median(rects), median(area));
    for (int p = 0; p < kParts; ++p)
        std::printf(" %s %.1f us%s", names[p], median(times[p]), p + 1 < kParts ? "," : "\n");
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
    std::printf("%5s", "round");
    for (const char* name : kRunNames)
        std::printf(" %17s", name);
    std::printf("\n");
    std::vector<double> fps[kRunCount], ratios[kRunCount];
    for (int round = 0; round < rounds; ++round) {
        double rate[kRunCount];
        for (int j = 0; j < kRunCount; ++j) {
            // Rotated by one each round, and reversed every other round, so
            // that no run always comes first or last, or after the same one.
            const int step = round % 2 ? kRunCount - 1 - j : j;
            const int run = (round / 2 + step) % kRunCount;
            rate[run] = frameRate(run, frames, t);
        }
        std::printf("%5d", round + 1);
        for (int run = 0; run < kRunCount; ++run) {
            fps[run].push_back(rate[run]);
            ratios[run].push_back(rate[run] / rate[kLimit]);
            std::printf(" %8.1f (%6.3f)", rate[run], rate[run] / rate[kLimit]);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("%5s", "median");
    for (int run = 0; run < kRunCount; ++run)
        std::printf(" %8.1f (%6.3f)", median(fps[run]), median(ratios[run]));
    std::printf("\n(ratio: the median of the rounds' ratios to the limit)\n");

    std::printf("\nmedian time of each part of a frame, %d frames:\n", frames);
    for (int run = kLiteral; run < kRunCount; ++run)
        timeParts(run, frames, t);
    return 0;
}
