// Values no mouse gives in a run of ordinary length, put straight into the
// state: every dot still lands inside the surface, and stepping from them is
// defined behaviour (the sanitizer build checks the double-to-int
// conversions).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frame.h"
#include "guarded_surface.h"
#include "support.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

const double kExtremes[] = {
    2147483648.0, -2147483648.0,  // +-2^31
    2147483407.5, -2147483888.5,  // rounded, plus the centre row: just outside the int range
    1e300,        -1e300,
    kInf,         -kInf,
    kNaN,         0.0,
};
constexpr int kCount = sizeof kExtremes / sizeof kExtremes[0];

// Row of the dot for one of the values above on a 480-row surface.
int expectedRow(double value)
{
    if (std::isnan(value) || value == 0.0)
        return 240;
    return value > 0 ? 479 : 0;
}

class Extremes : public ::testing::Test {
protected:
    void SetUp() override
    {
        guarded = makeGuardedSurface(kWindowWidth, kWindowHeight);
        ASSERT_NE(guarded.surface, nullptr);
        loop = startLoop(guarded.surface);
        // Every pair of a displacement and a velocity from the list, round
        // the loop, so that neighbours differ too.
        for (int i = 0; i < loop.state.w; ++i) {
            loop.state.pos[i] = kExtremes[i % kCount];
            loop.state.vel[i] = kExtremes[(i / kCount) % kCount];
        }
    }
    void TearDown() override { freeGuardedSurface(guarded); }

    void drawAll()
    {
        SDL_FillRect(guarded.surface, nullptr, loop.colours.background);
        for (int i = 0; i < loop.state.w; ++i)
            drawColumn(guarded.surface, loop.state, i, loop.colours);
    }

    // Every column shows its displacement dot and at most one other dot.
    void expectEveryColumnDrawnInside(int frame)
    {
        ASSERT_TRUE(guardsIntact(guarded)) << "frame " << frame;
        for (int x = 0; x < kWindowWidth; ++x) {
            const Uint32 dot = isAnchored(loop.state, x) ? loop.colours.anchoredPoint : loop.colours.freePoint;
            const std::string rows = rowsWith(guarded.surface, x, dot);
            ASSERT_FALSE(rows.empty()) << "frame " << frame << ", column " << x;
            ASSERT_LE(kWindowHeight - countBackground(x), 2) << "frame " << frame << ", column " << x;
        }
    }

    int countBackground(int x)
    {
        int count = 0;
        for (int y = 0; y < kWindowHeight; ++y)
            count += pixelAt(guarded.surface, x, y) == loop.colours.background;
        return count;
    }

    GuardedSurface guarded;
    LoopState loop;
};

} // namespace

TEST_F(Extremes, AreDrawnOnTheEdgeRowsOrTheCentre)
{
    drawAll();
    ASSERT_TRUE(guardsIntact(guarded));
    for (int x = 0; x < kWindowWidth; ++x) {
        const int white = expectedRow(loop.state.pos[x]);
        const int red = expectedRow(loop.state.vel[x]);
        ASSERT_EQ(rowsWith(guarded.surface, x, loop.colours.freePoint), std::to_string(white)) << "column " << x;
        ASSERT_EQ(rowsWith(guarded.surface, x, loop.colours.velocity), red == white ? "" : std::to_string(red))
            << "column " << x;
    }
}

TEST_F(Extremes, SteppingFromThemStaysDefinedAndInside)
{
#if !WAVESTRING_PACED
    for (int i = 0; i < loop.state.w; i += 7)
        loop.state.anchored[i] = 1;
#endif
    loop.state.k = 1.0;
    moveCursor(loop.mouse, 5, 479);
    pressButton(loop.mouse, kLeftButton);
    for (int frame = 0; frame < 50; ++frame) {
        applyMouseMode(loop.mouse, loop.state, kWindowHeight / 2);
        stepString(loop.state);
        drawAll();
        expectEveryColumnDrawnInside(frame);
    }
    // Infinities meet and make NaN, which spreads round the loop; NaN dots
    // are drawn on the centre row.
    int nans = 0;
    for (double x : loop.state.pos)
        nans += std::isnan(x);
    EXPECT_GT(nans, 0);
}

TEST_F(Extremes, SpaceClearsThemAway)
{
    handleKey(loop, SDLK_SPACE);
    drawAll();
    for (int x = 0; x < kWindowWidth; ++x)
        ASSERT_EQ(rowsWith(guarded.surface, x, loop.colours.freePoint), "240") << "column " << x;
    EXPECT_EQ(countPixels(guarded.surface, loop.colours.velocity), 0);
}
