// Frame rate of wavestring's frame in a real window, side by side with a bare
// SDL 1.2 loop that makes only the calls a frame must make: fill the surface,
// write two pixels in each of the 640 columns, set the caption, pause 1 ms,
// flip. Each round runs, in a rotating order and in one process so that they
// share the machine's noise:
//   - the bare loop;
//   - wavestring's frame (runFrame), set up as its main does;
//   - the same frame with Linux's default timer slack (main tightens it),
//     to show what each of the two changes is worth.
// The results are the median frame rates and the median of the rounds'
// ratios to the bare loop. A last run times each call of the bare loop.
//
//   x_frame_rate [rounds [frames]]    needs a display (DISPLAY, x11 driver)
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame.h"
#include "timing.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kBareCaption[] = "Vibrelle : k=0.900000 et t=1";
constexpr int kWarmUpFrames = 100;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

SDL_Surface* openWindowOrExit()
{
    SDL_Surface* screen = openWindow();
    if (screen == nullptr) {
        std::fprintf(stderr, "x_frame_rate: no window: %s\n", SDL_GetError());
        std::exit(1);
    }
    return screen;
}

void storePixel(SDL_Surface* screen, int x, int y, Uint32 colour)
{
    std::memcpy(pixelAddress(screen, x, y), &colour, 4);
}

struct BareLoop {
    SDL_Surface* screen;
    Uint32 red;
    Uint32 white;
};

BareLoop startBareLoop(SDL_Surface* screen)
{
    return {screen, SDL_MapRGB(screen->format, 255, 0, 0), SDL_MapRGB(screen->format, 255, 255, 255)};
}

void bareFrame(const BareLoop& bare)
{
    SDL_FillRect(bare.screen, nullptr, 0);
    for (int x = 0; x < kWindowWidth; ++x) {
        storePixel(bare.screen, x, 200, bare.red);
        storePixel(bare.screen, x, 240, bare.white);
    }
    SDL_WM_SetCaption(kBareCaption, "");
    SDL_Delay(1);
    SDL_Flip(bare.screen);
}

// Frames per second of frame() over the given number of frames, after a
// warm-up; then SDL quits.
template <typename Frame>
double rateOf(int frames, Frame frame)
{
    for (int n = 0; n < kWarmUpFrames; ++n)
        frame();
    const Clock::time_point start = Clock::now();
    for (int n = 0; n < frames; ++n)
        frame();
    const double rate = frames / secondsSince(start);
    SDL_Quit();
    return rate;
}

// Frames per second of the bare loop over the given number of frames.
double bareRate(int frames)
{
    defaultPause();
    const BareLoop bare = startBareLoop(openWindowOrExit());
    return rateOf(frames, [&] { bareFrame(bare); });
}

void pushMouse(Uint8 type, Uint16 x, Uint16 y)
{
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.type = type;
        event.motion.x = x;
        event.motion.y = y;
    } else {
        event.button.type = type;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = SDL_PRESSED;
    }
    SDL_PushEvent(&event);
}

// Frames per second of wavestring's own frame, with the left button held
// on column 100, 100 pixels below the centre: the string is plucked there in
// every frame and waves run round the whole loop.
double programRate(int frames, bool tightPause)
{
    LoopState loop = startLoop(openWindowOrExit());
    if (tightPause)
        tightenPause();
    else
        defaultPause();
    pushMouse(SDL_MOUSEMOTION, 100, 340);
    pushMouse(SDL_MOUSEBUTTONDOWN, 100, 340);
    return rateOf(frames, [&] { runFrame(loop); });
}

// Median time of each call of the bare loop, in microseconds.
void timeBareCalls(int frames)
{
    defaultPause();
    const BareLoop bare = startBareLoop(openWindowOrExit());
    const char* names[] = {"SDL_PollEvent (empty queue)", "SDL_FillRect (clear)", "two pixels x 640",
                           "SDL_WM_SetCaption", "SDL_Delay(1)", "SDL_Flip", "SDL_Delay(1), slack 1 ns"};
    constexpr int kCalls = sizeof names / sizeof names[0];
    std::vector<double> times[kCalls];
    for (int n = 0; n < kWarmUpFrames + frames; ++n) {
        Clock::time_point marks[kCalls + 1];
        SDL_Event event;
        marks[0] = Clock::now();
        while (SDL_PollEvent(&event)) {
        }
        marks[1] = Clock::now();
        SDL_FillRect(bare.screen, nullptr, 0);
        marks[2] = Clock::now();
        for (int x = 0; x < kWindowWidth; ++x) {
            storePixel(bare.screen, x, 200, bare.red);
            storePixel(bare.screen, x, 240, bare.white);
        }
        marks[3] = Clock::now();
        SDL_WM_SetCaption(kBareCaption, "");
        marks[4] = Clock::now();
        SDL_Delay(1);
        marks[5] = Clock::now();
        SDL_Flip(bare.screen);
        marks[6] = Clock::now();
        tightenPause();
        SDL_Delay(1);
        marks[7] = Clock::now();
        defaultPause();
        if (n >= kWarmUpFrames)
            for (int c = 0; c < kCalls; ++c)
                times[c].push_back(std::chrono::duration<double, std::micro>(marks[c + 1] - marks[c]).count());
    }
    SDL_Quit();
    std::printf("\nmedian time of each call in the bare loop, %d frames:\n", frames);
    for (int c = 0; c < kCalls; ++c)
        std::printf("  %-28s %8.1f us\n", names[c], median(times[c]));
}

int positiveArg(int argc, char** argv, int index, int fallback)
{
    if (argc <= index)
        return fallback;
    const int value = std::atoi(argv[index]);
    if (value <= 0 || value > 1000000) {
        std::fprintf(stderr, "x_frame_rate: expected a count from 1 to 1000000, got '%s'\n", argv[index]);
        std::exit(2);
    }
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = positiveArg(argc, argv, 1, 15);
    const int frames = positiveArg(argc, argv, 2, 1000);

    // Every order of the three, one after the other, so that none of them
    // always runs first or last.
    const int orders[6][3] = {{0, 1, 2}, {2, 1, 0}, {1, 2, 0}, {0, 2, 1}, {2, 0, 1}, {1, 0, 2}};
    std::printf("%d rounds of 3 runs, %d frames each, in rotating order\n", rounds, frames);
    std::printf("%5s %10s %12s %7s %22s %7s\n", "round", "bare fps", "wavestring", "ratio",
                "wavestring, default", "ratio");
    std::printf("%5s %10s %12s %7s %22s %7s\n", "", "", "fps", "", "timer slack fps", "");
    std::vector<double> fps[3], ratios[3];
    for (int round = 0; round < rounds; ++round) {
        double rate[3];
        for (int which : orders[round % 6])
            rate[which] = which == 0 ? bareRate(frames) : programRate(frames, which == 1);
        for (int which = 0; which < 3; ++which) {
            fps[which].push_back(rate[which]);
            ratios[which].push_back(rate[which] / rate[0]);
        }
        std::printf("%5d %10.1f %12.1f %7.3f %22.1f %7.3f\n", round + 1, rate[0], rate[1], rate[1] / rate[0],
                    rate[2], rate[2] / rate[0]);
        std::fflush(stdout);
    }
    std::printf("%5s %10.1f %12.1f %7.3f %22.1f %7.3f\n", "median", median(fps[0]), median(fps[1]),
                median(ratios[1]), median(fps[2]), median(ratios[2]));
    std::printf("(ratio: the median of the rounds' ratios to the bare loop)\n");
    timeBareCalls(frames);
    return 0;
}
