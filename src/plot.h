// Drawing the string on a 32-bit software surface: per column a red dot at
// the height of the point's velocity, then a white (anchored: green) dot at
// the height of its displacement, both measured from the centre row.
#pragma once

#include <SDL.h>

#include <cmath>
#include <cstddef>
#include <cstring>

#include "string_model.h"

struct TraceColours {
    Uint32 background; // black
    Uint32 velocity;   // red
    Uint32 freePoint;  // white
    Uint32 anchoredPoint; // green
};

// The colours in the surface's own pixel format.
TraceColours mapTraceColours(const SDL_PixelFormat* format);

// Stores one 32-bit pixel, with the column and the row clamped into the
// surface: a dot off the edge sticks to the edge.
void setPixel(SDL_Surface* surface, int x, int y, Uint32 colour);

// Screen row of a displacement or velocity on a surface of the given height:
// round(value) below the centre row height / 2. Values beyond the int range
// come back as INT_MIN or INT_MAX (setPixel then puts them on the edge row);
// a NaN comes back as the centre row.
int rowFor(double value, int height);

// The two dots of a column where setPixel stores them: rows clamped into the
// surface, the displacement dot drawn last.
struct ColumnDots {
    int velocityRow;
    int positionRow;
    Uint32 positionColour; // white, or green for an anchored point
};

// The row setPixel stores a dot of this value on, on a surface of the given
// height (at least 1): rowFor clamped into the surface. Clamped as a double,
// which gives the same row with one clamp fewer. Inline, as the frame computes
// two per column; a file that calls it is best compiled with
// -fno-trapping-math, which lets GCC expand std::round inline.
inline int dotRow(double value, int height)
{
    if (std::isnan(value))
        return height / 2;
    return static_cast<int>(limite(std::round(value) + static_cast<double>(height / 2), 0, height - 1));
}

// The dots of column i on a surface of the given height (at least 1).
inline ColumnDots columnDots(const StringState& state, int i, int height, const TraceColours& colours)
{
    return {dotRow(state.vel[i], height), dotRow(state.pos[i], height),
            isAnchored(state, i) ? colours.anchoredPoint : colours.freePoint};
}

// Draws the dots at column i: the red one, then the displacement one.
void drawDots(SDL_Surface* surface, int i, const ColumnDots& dots, const TraceColours& colours);

// Draws the two dots of column i.
void drawColumn(SDL_Surface* surface, const StringState& state, int i, const TraceColours& colours);

// The address of pixel (x, y) of a 32-bit surface; x and y must lie inside it.
inline Uint8* pixelAddress(SDL_Surface* surface, int x, int y)
{
    return static_cast<Uint8*>(surface->pixels) + static_cast<std::size_t>(y) * surface->pitch
           + 4 * static_cast<std::size_t>(x);
}

// Stores pixel (x, y) of a 32-bit surface, with no clamping: x and y must lie
// inside it.
inline void storePixel(SDL_Surface* surface, int x, int y, Uint32 colour)
{
    std::memcpy(pixelAddress(surface, x, y), &colour, sizeof colour);
}
