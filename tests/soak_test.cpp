// Long runs of the core: a million frames with the right button held, and a
// million undamped steps after a pluck. Run in the sanitizer build too, where
// any out-of-bounds access or bad conversion stops the test.
#include <gtest/gtest.h>

#include <cmath>

#include "frame.h"
#include "guarded_surface.h"
#include "support.h"

namespace {

constexpr int kCentre = kWindowHeight / 2;

// One frame as runFrame runs it, without the event drain, the caption, the
// pause and the flip; drawing is optional.
void coreFrame(LoopState& loop, bool draw)
{
    StringState& state = loop.state;
    if (draw)
        SDL_FillRect(loop.screen, nullptr, loop.colours.background);
    applyMouseMode(loop.mouse, state, kCentre);
    couplePoints(state);
    for (int i = 0; i < state.w; ++i) {
        advancePoint(state, i);
        if (draw)
            drawColumn(loop.screen, state, i, loop.colours);
    }
}

// The quantity that the undamped step keeps exactly (in exact arithmetic):
// |v|^2 - v.Ax + x.Ax, where A x is minus the coupling pass's change to the
// velocities. Positive for every state but a flat string at rest, so keeping
// it also keeps the string bounded.
double undampedInvariant(const StringState& state)
{
    StringState coupled = state;
    couplePoints(coupled);
    double sum = 0.0;
    for (int i = 0; i < state.w; ++i) {
        const double ax = state.vel[i] - coupled.vel[i];
        sum += state.vel[i] * state.vel[i] - state.vel[i] * ax + state.pos[i] * ax;
    }
    return sum;
}

} // namespace

TEST(Soak, RightButtonHeldAtTheLowestRowForAMillionFrames)
{
    GuardedSurface guarded = makeGuardedSurface(kWindowWidth, kWindowHeight);
    ASSERT_NE(guarded.surface, nullptr);
    LoopState loop = startLoop(guarded.surface);
    loop.state.k = 1.0;
    moveCursor(loop.mouse, 320, kWindowHeight - 1); // height +239
    pressButton(loop.mouse, kRightButton);
    const double* posData = loop.state.pos.data();

    constexpr int kFrames = 1'000'000;
    for (int frame = 1; frame <= kFrames; ++frame) {
        const bool sampled = frame % 10'000 == 0; // 100 frames drawn
        coreFrame(loop, sampled);
        if (!sampled)
            continue;
        ASSERT_TRUE(guardsIntact(guarded)) << "frame " << frame;
        // The whole loop lies far below the window: every displacement dot
        // sits on the bottom row, and nothing else is drawn but the red dots.
        for (int x = 0; x < kWindowWidth; ++x)
            ASSERT_EQ(rowsWith(guarded.surface, x, loop.colours.freePoint), "479")
                << "frame " << frame << ", column " << x;
        ASSERT_LE(countPixels(guarded.surface, loop.colours.velocity), kWindowWidth);
    }

    // The right button pins one velocity at 239 and the coupling spreads the
    // momentum, so the whole loop ends up moving about 239 pixels a frame.
    double sum = 0.0;
    for (int i = 0; i < kWindowWidth; ++i) {
        ASSERT_NEAR(loop.state.vel[i], 239.0, 0.5) << "point " << i;
        sum += loop.state.pos[i];
    }
    const double mean = sum / kWindowWidth;
    EXPECT_GT(mean, 2.38e8);
    EXPECT_LT(mean, 2.39e8);
    EXPECT_EQ(loop.state.pos.data(), posData) << "the arrays are never reallocated";

    // Space and a release in the next drain bring back the flat string.
    SDL_Event release{};
    release.type = SDL_MOUSEBUTTONUP;
    release.button.button = SDL_BUTTON_RIGHT;
    handleEvent(loop, release);
    handleKey(loop, SDLK_SPACE);
    coreFrame(loop, true);
    for (int x = 0; x < kWindowWidth; ++x) {
        ASSERT_EQ(loop.state.pos[x], 0.0);
        ASSERT_EQ(loop.state.vel[x], 0.0);
        ASSERT_EQ(rowsWith(guarded.surface, x, loop.colours.freePoint), "240");
    }
    EXPECT_EQ(countPixels(guarded.surface, loop.colours.velocity), 0);
    EXPECT_TRUE(guardsIntact(guarded));
    freeGuardedSurface(guarded);
}

// The step is stable for every t in range: undamped, a plucked string keeps
// its invariant, its mean and its size for a million steps. One test per t,
// so that they can run side by side.
class UndampedPluck : public ::testing::TestWithParam<int> {};

TEST_P(UndampedPluck, StaysBoundedForAMillionSteps)
{
    StringState state = makeString(640);
    state.k = 1.0;
    state.t = GetParam();
    state.pos[100] = 100.0;
    const double invariant = undampedInvariant(state);
    double largest = 0.0;
    for (int n = 1; n <= 1'000'000; ++n) {
        stepString(state);
        if (n % 1000 == 0)
            for (double x : state.pos)
                largest = std::max(largest, std::abs(x));
    }
    double sum = 0.0;
    for (double x : state.pos)
        sum += x;
    EXPECT_NEAR(undampedInvariant(state) / invariant, 1.0, 1e-9);
    EXPECT_NEAR(sum, 100.0, 1e-4); // rounding only
    EXPECT_LT(largest, 100.0);
}

#if WAVESTRING_PACED
INSTANTIATE_TEST_SUITE_P(Soak, UndampedPluck, ::testing::Values(1)); // t takes no part in the step
#else
INSTANTIATE_TEST_SUITE_P(Soak, UndampedPluck, ::testing::Values(1, 2, 1000));
#endif
