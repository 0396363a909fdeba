// The parts of a frame, timed with Google Benchmark: the step, the drawing,
// both together as the frame runs them, the clear, the caption, and whole
// frames on SDL's dummy video driver. Built once for each program.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame.h"
#include "timing.h"

namespace {

// A string in motion that stays in motion: one sine period of 100 pixels
// around the loop, with k = 1 so that the wave keeps its size however many
// steps the benchmark runs.
StringState movingString()
{
    StringState state = makeString(kWindowWidth);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < state.w; ++i)
        state.pos[i] = 100.0 * std::sin(2.0 * pi * i / state.w);
    state.k = 1.0;
    return state;
}

SDL_Surface* makeScreenSurface()
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE, kWindowWidth, kWindowHeight, 32, 0x00ff0000,
                                0x0000ff00, 0x000000ff, 0);
}

void BM_Step(benchmark::State& bench)
{
    StringState state = movingString();
    for (auto _ : bench) {
        stepString(state);
        benchmark::DoNotOptimize(state.pos.data());
    }
}
BENCHMARK(BM_Step);

// Every value subnormal. A fading string does not get there in practice
// (rounding leaves it at a tiny normal offset), but arithmetic on such
// values is many times slower: this shows how much. Refilled each time,
// since they reach zero within a few hundred steps.
void BM_StepSubnormal(benchmark::State& bench)
{
    StringState state = makeString(kWindowWidth);
    for (auto _ : bench) {
        bench.PauseTiming();
        for (int i = 0; i < state.w; ++i) {
            state.pos[i] = (i % 7) * 1e-310;
            state.vel[i] = (i % 5) * 1e-310;
        }
        bench.ResumeTiming();
        stepString(state);
        benchmark::DoNotOptimize(state.pos.data());
    }
}
BENCHMARK(BM_StepSubnormal);

void BM_Draw(benchmark::State& bench)
{
    const StringState state = movingString();
    SDL_Surface* surface = makeScreenSurface();
    const TraceColours colours = mapTraceColours(surface->format);
    for (auto _ : bench) {
        for (int i = 0; i < state.w; ++i)
            drawColumn(surface, state, i, colours);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_Draw);

// The step and the drawing interleaved as a frame runs them: the coupling
// pass, then each column moved and drawn in turn.
void stepAndDraw(StringState& state, SDL_Surface* surface, const TraceColours& colours)
{
    couplePoints(state);
    for (int i = 0; i < state.w; ++i) {
        advancePoint(state, i);
        drawColumn(surface, state, i, colours);
    }
}

void BM_StepAndDraw(benchmark::State& bench)
{
    StringState state = movingString();
    SDL_Surface* surface = makeScreenSurface();
    const TraceColours colours = mapTraceColours(surface->format);
    for (auto _ : bench) {
        stepAndDraw(state, surface, colours);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_StepAndDraw);

// The same right after the clear, as in a frame: the clear leaves the
// surface out of the caches, so every dot writes a line that is not there.
void BM_StepAndDrawAfterClear(benchmark::State& bench)
{
    StringState state = movingString();
    SDL_Surface* surface = makeScreenSurface();
    const TraceColours colours = mapTraceColours(surface->format);
    for (auto _ : bench) {
        bench.PauseTiming();
        SDL_FillRect(surface, nullptr, colours.background);
        bench.ResumeTiming();
        stepAndDraw(state, surface, colours);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_StepAndDrawAfterClear);

void BM_Clear(benchmark::State& bench)
{
    SDL_Surface* surface = makeScreenSurface();
    for (auto _ : bench) {
        SDL_FillRect(surface, nullptr, 0);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_Clear);

void BM_FormatCaption(benchmark::State& bench)
{
    const StringState state = movingString();
    char caption[kCaptionSize];
    for (auto _ : bench) {
        std::snprintf(caption, sizeof caption, kCaptionFormat, state.k, static_cast<unsigned>(state.t));
        benchmark::DoNotOptimize(caption);
    }
}
BENCHMARK(BM_FormatCaption);

// The window on SDL's dummy video driver, or nullptr with the benchmark
// skipped.
static SDL_Surface* openDummyWindow(benchmark::State& bench)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_Surface* screen = openWindow();
    if (screen == nullptr) {
        bench.SkipWithError(SDL_GetError());
        SDL_Quit();
    }
    return screen;
}

// Whole frames on the dummy driver, where the flip copies nothing: the
// 1 ms pause and everything the program does around it, with the pause as
// main sets it up.
void BM_DummyFrame(benchmark::State& bench)
{
    SDL_Surface* screen = openDummyWindow(bench);
    if (screen == nullptr)
        return;
    LoopState loop = startLoop(screen);
    loop.state = movingString();
    tightenPause();
    for (auto _ : bench)
        runFrame(loop);
    defaultPause();
    SDL_Quit();
}
BENCHMARK(BM_DummyFrame)->UseRealTime()->Unit(benchmark::kMicrosecond);

// updateFrame alone on the dummy driver, with large waves over the whole
// window: everything a frame does before its present and its pause.
void BM_UpdateFrame(benchmark::State& bench)
{
    SDL_Surface* screen = openDummyWindow(bench);
    if (screen == nullptr)
        return;
    LoopState loop = startLoop(screen);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < loop.state.w; ++i)
        loop.state.pos[i] = 100.0 * std::sin(2 * pi * i / loop.state.w) + 60.0 * std::sin(2 * pi * 7 * i / loop.state.w);
    loop.state.k = 1.0;
    for (auto _ : bench)
        updateFrame(loop);
    SDL_Quit();
}
BENCHMARK(BM_UpdateFrame)->Unit(benchmark::kMicrosecond);

// The pause alone, for comparison with the whole frame above: /0 with the
// default timer slack, /1 as main sets it up.
void BM_Delay1ms(benchmark::State& bench)
{
    if (bench.range(0))
        tightenPause();
    for (auto _ : bench)
        SDL_Delay(1);
    defaultPause();
}
BENCHMARK(BM_Delay1ms)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
