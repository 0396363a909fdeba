// Drawing: rows, clamping to the edges, colours per column.
#include <climits>
#include <cmath>
#include <limits>

#include "support.h"

namespace {

class Plot : public ::testing::Test {
protected:
    void SetUp() override
    {
        surface = makeSurface(640, 480);
        ASSERT_NE(surface, nullptr);
        colours = mapTraceColours(surface->format);
        state = makeString(640);
    }
    void TearDown() override { SDL_FreeSurface(surface); }

    // Row of the white dot that a displacement is drawn on.
    std::string rowOfDisplacement(double value)
    {
        SDL_FillRect(surface, nullptr, colours.background);
        state.pos[5] = value;
        drawColumn(surface, state, 5, colours);
        return rowsWith(surface, 5, colours.freePoint);
    }

    SDL_Surface* surface = nullptr;
    TraceColours colours{};
    StringState state;
};

constexpr double kInf = std::numeric_limits<double>::infinity();

} // namespace

TEST(RowFor, RoundsHalvesAwayFromZeroBelowTheCentre)
{
    EXPECT_EQ(rowFor(0.0, 480), 240);
    EXPECT_EQ(rowFor(2.5, 480), 243);
    EXPECT_EQ(rowFor(-2.5, 480), 237);
    EXPECT_EQ(rowFor(2.4999, 480), 242);
    EXPECT_EQ(rowFor(-240.0, 480), 0);
    EXPECT_EQ(rowFor(-1000.0, 480), -760);
    EXPECT_EQ(rowFor(5000.0, 480), 5240);
    EXPECT_EQ(rowFor(0.0, 7), 3); // centre row in integer division
}

TEST(RowFor, NeverLeavesTheIntRange)
{
    EXPECT_EQ(rowFor(1e300, 480), INT_MAX);
    EXPECT_EQ(rowFor(-1e300, 480), INT_MIN);
    EXPECT_EQ(rowFor(kInf, 480), INT_MAX);
    EXPECT_EQ(rowFor(-kInf, 480), INT_MIN);
    EXPECT_EQ(rowFor(2147483407.0, 480), INT_MAX);
    EXPECT_EQ(rowFor(2147483408.0, 480), INT_MAX);
    EXPECT_EQ(rowFor(-2147483888.0, 480), INT_MIN);
    EXPECT_EQ(rowFor(-2147483889.0, 480), INT_MIN);
    EXPECT_EQ(rowFor(std::nan(""), 480), 240);
}

// The row a dot is stored on: rowFor clamped into the surface, for every
// kind of value, halves at both edges among them.
TEST(DotRow, IsRowForClampedIntoTheSurface)
{
    for (double value : {0.0, 2.5, -2.5, 2.4999, 238.5, 239.4999, 239.5, -239.5, -240.5, -240.4999, 1e6, -1e6,
                         2147483407.0, 2147483408.0, -2147483889.0, 1e300, -1e300, kInf, -kInf, 4.9e-324,
                         std::nan("")})
        for (int height : {480, 7, 1})
            EXPECT_EQ(dotRow(value, height), static_cast<int>(limite(rowFor(value, height), 0, height - 1)))
                << value << " on " << height << " rows";
    EXPECT_EQ(dotRow(239.5, 480), 479);
    EXPECT_EQ(dotRow(-240.5, 480), 0);
    EXPECT_EQ(dotRow(-240.4999, 480), 0);
    EXPECT_EQ(dotRow(std::nan(""), 480), 240);
}

TEST_F(Plot, DisplacementsOffTheWindowStickToTheEdgeRows)
{
    EXPECT_EQ(rowOfDisplacement(-240.0), "0");
    EXPECT_EQ(rowOfDisplacement(-1000.0), "0");
    EXPECT_EQ(rowOfDisplacement(239.0), "479");
    EXPECT_EQ(rowOfDisplacement(5000.0), "479");
    EXPECT_EQ(rowOfDisplacement(2.5), "243");
    EXPECT_EQ(rowOfDisplacement(-2.5), "237");
}

TEST_F(Plot, ExtremeValuesAreDrawnInsideTheSurface)
{
    EXPECT_EQ(rowOfDisplacement(2147483648.0), "479");
    EXPECT_EQ(rowOfDisplacement(-2147483649.0), "0");
    EXPECT_EQ(rowOfDisplacement(1e300), "479");
    EXPECT_EQ(rowOfDisplacement(-1e300), "0");
    EXPECT_EQ(rowOfDisplacement(kInf), "479");
    EXPECT_EQ(rowOfDisplacement(-kInf), "0");
    EXPECT_EQ(rowOfDisplacement(std::nan("")), "240");
}

TEST_F(Plot, VelocityDotIsRedAndTheDisplacementDotIsDrawnLast)
{
    SDL_FillRect(surface, nullptr, colours.background);
    state.pos[9] = -20.0;
    state.vel[9] = 2.5;
    state.vel[10] = 3.0;
    state.pos[10] = 3.0;
    drawColumn(surface, state, 9, colours);
    drawColumn(surface, state, 10, colours);
    EXPECT_EQ(rowsWith(surface, 9, colours.velocity), "243");
    EXPECT_EQ(rowsWith(surface, 9, colours.freePoint), "220");
    EXPECT_EQ(rowsWith(surface, 10, colours.velocity), "");
    EXPECT_EQ(rowsWith(surface, 10, colours.freePoint), "243");
    EXPECT_EQ(countPixels(surface, colours.background), 640 * 480 - 3);
}

#if !WAVESTRING_PACED
TEST_F(Plot, AnAnchoredPointIsGreen)
{
    SDL_FillRect(surface, nullptr, colours.background);
    state.anchored[5] = 1;
    drawColumn(surface, state, 5, colours);
    EXPECT_EQ(rowsWith(surface, 5, colours.anchoredPoint), "240");
    EXPECT_EQ(countPixels(surface, colours.velocity), 0);
    EXPECT_EQ(countPixels(surface, colours.freePoint), 0);
}
#endif

TEST_F(Plot, SetPixelClampsColumnsAndRows)
{
    SDL_FillRect(surface, nullptr, colours.background);
    setPixel(surface, -5, -5, colours.velocity);
    setPixel(surface, 700, 1000, colours.freePoint);
    setPixel(surface, INT_MIN, INT_MAX, colours.anchoredPoint);
    EXPECT_EQ(pixelAt(surface, 0, 0), colours.velocity);
    EXPECT_EQ(pixelAt(surface, 639, 479), colours.freePoint);
    EXPECT_EQ(pixelAt(surface, 0, 479), colours.anchoredPoint);
    EXPECT_EQ(countPixels(surface, colours.background), 640 * 480 - 3);
}

TEST_F(Plot, ColoursAreTheTraceColours)
{
    Uint8 r, g, b;
    SDL_GetRGB(colours.velocity, surface->format, &r, &g, &b);
    EXPECT_EQ((r << 16) | (g << 8) | b, 0xff0000);
    SDL_GetRGB(colours.freePoint, surface->format, &r, &g, &b);
    EXPECT_EQ((r << 16) | (g << 8) | b, 0xffffff);
    SDL_GetRGB(colours.anchoredPoint, surface->format, &r, &g, &b);
    EXPECT_EQ((r << 16) | (g << 8) | b, 0x00ff00);
    SDL_GetRGB(colours.background, surface->format, &r, &g, &b);
    EXPECT_EQ((r << 16) | (g << 8) | b, 0x000000);
}
