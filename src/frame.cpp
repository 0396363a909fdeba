#include "frame.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

LoopState startLoop(SDL_Surface* screen)
{
    LoopState loop;
    loop.screen = screen;
    loop.state = makeString(screen->w);
    loop.colours = mapTraceColours(screen->format);
    loop.drawnDots.assign(static_cast<std::size_t>(screen->w), ColumnDots{});
    const int strips = std::max((screen->w + kStripWidth - 1) / kStripWidth, 1);
    loop.unpresented.assign(static_cast<std::size_t>(strips), Band{});
    loop.presentedRects.assign(static_cast<std::size_t>(strips), SDL_Rect{});
    loop.refreshUs = refreshInterval(displayRefreshRate());
    return loop;
}

Uint32 framePause(const StringState& state)
{
#if WAVESTRING_PACED
    return static_cast<Uint32>(state.t);
#else
    (void)state;
    return 1;
#endif
}

std::int64_t refreshInterval(int rateHz)
{
    return 1000000 / (rateHz > 0 ? rateHz : kAssumedRefreshRate);
}

std::int64_t clockMicroseconds()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The colour a column shows on the given row.
static Uint32 colourAt(const ColumnDots& dots, int row, const TraceColours& colours)
{
    if (row == dots.positionRow)
        return dots.positionColour;
    if (row == dots.velocityRow)
        return colours.velocity;
    return colours.background;
}

// Adds the rows top to bottom of column x to its strip's unpresented band.
static void noteChange(LoopState& loop, int x, int top, int bottom)
{
    Band& band = loop.unpresented[static_cast<std::size_t>(x / kStripWidth)];
    if (band.right < band.left) {
        band = {x, x, top, bottom};
        return;
    }
    band.left = std::min(band.left, x);
    band.right = std::max(band.right, x);
    band.top = std::min(band.top, top);
    band.bottom = std::max(band.bottom, bottom);
}

// Column i as a clear and a redraw would leave it: the dots the last frame
// drew put back to black, then the new ones drawn; nothing to do where they
// stay. Only the rows of those dots can have changed; the ones that did are
// noted. The rows lie inside the surface already.
static void redrawColumn(LoopState& loop, int i)
{
    SDL_Surface* screen = loop.screen;
    const TraceColours& colours = loop.colours;
    ColumnDots& before = loop.drawnDots[static_cast<std::size_t>(i)];
    const ColumnDots now = columnDots(loop.state, i, screen->h, colours);
    const bool same = now.velocityRow == before.velocityRow && now.positionRow == before.positionRow
                      && now.positionColour == before.positionColour;
    if (same && !loop.redrawAll)
        return;
    storePixel(screen, i, before.velocityRow, colours.background);
    storePixel(screen, i, before.positionRow, colours.background);
    storePixel(screen, i, now.velocityRow, colours.velocity);
    storePixel(screen, i, now.positionRow, now.positionColour);

    if (!loop.redrawAll) {
        int top = screen->h;
        int bottom = -1;
        for (int row : {before.velocityRow, before.positionRow, now.velocityRow, now.positionRow})
            if (colourAt(before, row, colours) != colourAt(now, row, colours)) {
                top = std::min(top, row);
                bottom = std::max(bottom, row);
            }
        if (bottom >= 0)
            noteChange(loop, i, top, bottom);
    }
    before = now;
}

void updateFrame(LoopState& loop)
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
        handleEvent(loop, event);

    SDL_Surface* screen = loop.screen;
    StringState& state = loop.state;
    // Each frame puts back to black only what the last one drew. The first
    // frame, and one after the window was disturbed, clear it all, so that
    // the surface holds nothing else.
    if (loop.redrawAll)
        SDL_FillRect(screen, nullptr, loop.colours.background);
    applyMouseMode(loop.mouse, state, screen->h / 2);

    if (loop.running)
        couplePoints(state);
    // A surface with no rows has nowhere to draw.
    const bool drawn = screen->h > 0;
    for (int i = 0; i < state.w; ++i) {
        if (loop.running)
            advancePoint(state, i);
        if (drawn)
            redrawColumn(loop, i);
    }
    if (loop.redrawAll) {
        loop.presentWhole = true;
        loop.redrawAll = false;
    }
    std::snprintf(loop.frameCaption, sizeof loop.frameCaption, kCaptionFormat, state.k,
                  static_cast<unsigned>(state.t));
    // On X11 each SDL_WM_SetCaption is a round trip to the server and a
    // property change that the desktop reacts to: a few percent of a frame.
    // The window shows the same caption at every moment when only a new
    // text is set.
    if (std::strcmp(loop.frameCaption, loop.shownCaption) != 0) {
        SDL_WM_SetCaption(loop.frameCaption, "");
        std::memcpy(loop.shownCaption, loop.frameCaption, sizeof loop.shownCaption);
    }
}

// The unpresented changes as rectangles in presentedRects, the whole window
// as one; their number, 0 when nothing changed. They are then presented.
static int takeUnpresented(LoopState& loop)
{
    int count = 0;
    if (loop.presentWhole)
        loop.presentedRects[count++] = {0, 0, static_cast<Uint16>(loop.screen->w),
                                        static_cast<Uint16>(loop.screen->h)};
    for (Band& band : loop.unpresented) {
        if (band.right >= band.left && !loop.presentWhole)
            loop.presentedRects[count++] = {static_cast<Sint16>(band.left), static_cast<Sint16>(band.top),
                                            static_cast<Uint16>(band.right - band.left + 1),
                                            static_cast<Uint16>(band.bottom - band.top + 1)};
        band = Band{};
    }
    loop.presentWhole = false;
    return count;
}

bool presentChanges(LoopState& loop, Uint32 pauseMs, std::int64_t nowUs)
{
    // A display shows one picture per refresh: presenting more often costs
    // frame time, so slows the waves, and shows nothing more. But a window
    // that was exposed shows the right picture at once, and a long pause
    // does not hold back what the frames before it drew.
    const bool due = loop.presentWhole || nowUs >= loop.nextPresentAt
                     || std::int64_t{pauseMs} * 1000 >= loop.refreshUs;
    return due && presentNow(loop, nowUs);
}

bool presentNow(LoopState& loop, std::int64_t nowUs)
{
    const int count = takeUnpresented(loop);
    if (count == 0)
        return false;
    loop.presentedCount = count;
    loop.presentedAt = nowUs;
    // On sdl12-compat a partial update only copies the rectangles; the
    // present itself follows in the next SDL_Delay or event drain. A frame
    // that updates nothing leaves nothing for them to present.
    SDL_UpdateRects(loop.screen, count, loop.presentedRects.data());
    loop.nextPresentAt = (nowUs / loop.refreshUs + 1) * loop.refreshUs;
    return true;
}

void runFrame(LoopState& loop)
{
    updateFrame(loop);
    const Uint32 pause = framePause(loop.state);
    presentChanges(loop, pause, clockMicroseconds());
    // wavestring_paced at t = 0: no pause at all, not even SDL_Delay(0),
    // which still sleeps for the timer slack.
    if (pause > 0)
        SDL_Delay(pause);
}
