#include "plot.h"

#include <climits>
#include <cmath>

TraceColours mapTraceColours(const SDL_PixelFormat* format)
{
    TraceColours colours;
    colours.background = SDL_MapRGB(format, 0, 0, 0);
    colours.velocity = SDL_MapRGBA(format, 255, 0, 0, 255);
    colours.freePoint = SDL_MapRGBA(format, 255, 255, 255, 255);
    colours.anchoredPoint = SDL_MapRGBA(format, 0, 255, 0, 255);
    return colours;
}

void setPixel(SDL_Surface* surface, int x, int y, Uint32 colour)
{
    if (surface->w <= 0 || surface->h <= 0)
        return;
    const int col = static_cast<int>(limite(x, 0, surface->w - 1));
    const int row = static_cast<int>(limite(y, 0, surface->h - 1));
    storePixel(surface, col, row, colour);
}

int rowFor(double value, int height)
{
    if (std::isnan(value))
        return height / 2;
    // A whole number after round, so the conversion is exact once clamped
    // into the int range; converting a double outside it is undefined.
    const double row = std::round(value) + static_cast<double>(height / 2);
    return static_cast<int>(limite(row, INT_MIN, INT_MAX));
}

void drawDots(SDL_Surface* surface, int i, const ColumnDots& dots, const TraceColours& colours)
{
    setPixel(surface, i, dots.velocityRow, colours.velocity);
    setPixel(surface, i, dots.positionRow, dots.positionColour);
}

void drawColumn(SDL_Surface* surface, const StringState& state, int i, const TraceColours& colours)
{
    drawDots(surface, i, columnDots(state, i, surface->h, colours), colours);
}
