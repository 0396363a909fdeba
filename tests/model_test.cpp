// The string model: clamping, parameters, the step and where it comes to rest.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "string_model.h"

namespace {

std::string shownK(const StringState& state)
{
    char text[16];
    std::snprintf(text, sizeof text, "%f", state.k);
    return text;
}

} // namespace

TEST(Limite, TestsTheLowerBoundFirstAndPassesNaN)
{
    EXPECT_EQ(limite(-3.0, 0.0, 1.0), 0.0);
    EXPECT_EQ(limite(3.0, 0.0, 1.0), 1.0);
    EXPECT_EQ(limite(0.25, 0.0, 1.0), 0.25);
    // Crossed bounds: the lower one is tested first.
    EXPECT_EQ(limite(5.0, 10.0, 0.0), 10.0);
    EXPECT_EQ(limite(15.0, 10.0, 0.0), 0.0);
    EXPECT_TRUE(std::isnan(limite(std::nan(""), 0.0, 1.0)));
}

TEST(StringModel, StartsFlatWithTheInitialParameters)
{
    const StringState state = makeString(640);
    EXPECT_EQ(state.w, 640);
    ASSERT_EQ(state.pos.size(), 640u);
    ASSERT_EQ(state.vel.size(), 640u);
#if !WAVESTRING_PACED
    ASSERT_EQ(state.anchored.size(), 640u);
#endif
    for (int i = 0; i < 640; ++i) {
        EXPECT_EQ(state.pos[i], 0.0);
        EXPECT_EQ(state.vel[i], 0.0);
        EXPECT_FALSE(isAnchored(state, i));
    }
    EXPECT_EQ(state.k, 0.9);
    EXPECT_EQ(state.t, 1);
}

TEST(StringModel, FlatStringStaysExactlyFlat)
{
    StringState state = makeString(640);
    for (int n = 0; n < 1000; ++n)
        stepString(state);
    for (int i = 0; i < 640; ++i) {
        ASSERT_EQ(state.pos[i], 0.0);
        ASSERT_EQ(state.vel[i], 0.0);
    }
}

TEST(StringModel, TheEndsOfTheLoopAreNeighbours)
{
    StringState state = makeString(640);
    state.pos[0] = 8.0;
    couplePoints(state);
    // Divisor 2 at t = 1: (0 - 0 + 8) / 2 and (0 - 16 + 0) / 2.
    EXPECT_EQ(state.vel[639], 4.0);
    EXPECT_EQ(state.vel[0], -8.0);
    EXPECT_EQ(state.vel[1], 4.0);
    for (int i = 2; i < 639; ++i)
        ASSERT_EQ(state.vel[i], 0.0) << "point " << i;
    EXPECT_EQ(state.pos[0], 8.0) << "the coupling pass reads pos only";
}

TEST(StringModel, ColumnUpdateDampsThenMoves)
{
    StringState state = makeString(3);
    state.k = 0.5;
    state.pos[1] = 10.0;
    state.vel[1] = 6.0;
    advancePoint(state, 1);
    EXPECT_EQ(state.vel[1], 3.0);
    EXPECT_EQ(state.pos[1], 13.0);
}

TEST(StringModel, AtKZeroNothingMoves)
{
    StringState state = makeString(640);
    state.k = 0.0;
    state.pos[50] = 30.0;
    state.vel[300] = 100.0;
    stepString(state);
    EXPECT_EQ(state.pos[50], 30.0);
    EXPECT_EQ(state.pos[49], 0.0);
    EXPECT_EQ(state.pos[300], 0.0);
    for (int i = 0; i < 640; ++i)
        ASSERT_EQ(state.vel[i], 0.0);
}

TEST(Parameters, KReachesItsBoundsExactlyAndStaysThere)
{
    StringState state = makeString(640);
    for (int press = 1; press <= 10; ++press) {
        adjustK(state, +0.01);
        if (press == 4) {
            EXPECT_EQ(shownK(state), "0.940000");
            EXPECT_NE(state.k, 0.94) << "the stored sum is not 0.94 itself";
        }
    }
    EXPECT_EQ(state.k, 1.0);
    adjustK(state, +0.01);
    EXPECT_EQ(state.k, 1.0);

    state.k = 0.9;
    for (int press = 1; press <= 89; ++press)
        adjustK(state, -0.01);
    EXPECT_GT(state.k, 0.0);
    EXPECT_LT(state.k, 0.02);
    adjustK(state, -0.01); // the ninetieth sum is a tiny negative number
    EXPECT_EQ(state.k, 0.0);
    EXPECT_FALSE(std::signbit(state.k));
    adjustK(state, -0.01);
    EXPECT_EQ(state.k, 0.0);
    EXPECT_EQ(shownK(state), "0.000000");
}

TEST(Parameters, TStopsAtItsBounds)
{
    StringState state = makeString(640);
    adjustT(state, -1);
#if WAVESTRING_PACED
    EXPECT_EQ(state.t, 0) << "no pause at all";
    adjustT(state, -1);
    EXPECT_EQ(state.t, 0);
#else
    EXPECT_EQ(state.t, 1);
#endif
    for (int press = 0; press < 1200; ++press)
        adjustT(state, +1);
    EXPECT_EQ(state.t, 1000);
    adjustT(state, -1);
    EXPECT_EQ(state.t, 999);
}

TEST(Parameters, ResetFlattensButKeepsKAndT)
{
    StringState state = makeString(640);
    state.k = 0.5;
    state.t = 7;
    state.pos[3] = 12.0;
    state.vel[600] = -4.0;
#if !WAVESTRING_PACED
    state.anchored[3] = 1;
#endif
    resetString(state);
    for (int i = 0; i < 640; ++i) {
        ASSERT_EQ(state.pos[i], 0.0);
        ASSERT_EQ(state.vel[i], 0.0);
        ASSERT_FALSE(isAnchored(state, i));
    }
    EXPECT_EQ(state.k, 0.5);
    EXPECT_EQ(state.t, 7);
    EXPECT_EQ(state.pos.size(), 640u);
}

#if WAVESTRING_PACED
TEST(StringModel, CouplingDoesNotDependOnT)
{
    StringState state = makeString(640);
    state.t = 1000;
    state.pos[10] = 8.0;
    couplePoints(state);
    EXPECT_EQ(state.vel[9], 4.0);
    EXPECT_EQ(state.vel[10], -8.0);
}
#else
TEST(StringModel, TDividesTheCoupling)
{
    StringState state = makeString(640);
    state.t = 4;
    state.pos[10] = 8.0;
    couplePoints(state);
    EXPECT_EQ(state.vel[9], 1.0);  // 8 / (2 * 4)
    EXPECT_EQ(state.vel[10], -2.0);
    EXPECT_EQ(state.vel[11], 1.0);
}

TEST(Anchors, AnAnchoredPointStopsAndHoldsItsPlace)
{
    StringState state = makeString(640);
    state.anchored[20] = 1;
    state.pos[20] = -15.0;
    state.vel[20] = 7.0;
    stepString(state);
    EXPECT_EQ(state.vel[20], 0.0);
    EXPECT_EQ(state.pos[20], -15.0);
    EXPECT_EQ(state.vel[19], 0.9 * -7.5); // pulled towards the anchor
}

TEST(Anchors, TwoAnchorsLeaveStraightLinesRoundTheLoop)
{
    StringState state = makeString(640);
    state.anchored[100] = 1;
    state.pos[100] = 50.0;
    state.anchored[400] = 1;
    state.pos[400] = -100.0;
    state.pos[250] = 80.0; // and a pluck between them
    for (int n = 0; n < 200000; ++n)
        stepString(state);

    EXPECT_EQ(state.pos[100], 50.0);
    EXPECT_EQ(state.pos[400], -100.0);
    for (int i = 100; i <= 400; ++i) // 300 points from 50 down to -100
        ASSERT_NEAR(state.pos[i], 50.0 - 0.5 * (i - 100), 1e-6) << "point " << i;
    for (int d = 0; d <= 340; ++d) { // back up to 50 through the seam
        const int i = (400 + d) % 640;
        ASSERT_NEAR(state.pos[i], -100.0 + 150.0 * d / 340.0, 1e-6) << "point " << i;
    }
}

TEST(Anchors, OneAnchorLeavesTheWholeLoopAtItsHeight)
{
    StringState state = makeString(640);
    state.anchored[7] = 1;
    state.pos[7] = 30.0;
    for (int n = 0; n < 300000; ++n)
        stepString(state);
    for (int i = 0; i < 640; ++i)
        ASSERT_NEAR(state.pos[i], 30.0, 1e-6) << "point " << i;
}
#endif
