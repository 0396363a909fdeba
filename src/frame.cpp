#include "frame.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

LoopState startLoop(SDL_Surface* screen)
{
    LoopState loop;
    loop.screen = screen;
    loop.state = makeString(screen->w);
    loop.colours = mapTraceColours(screen->format);
    loop.drawnDots.assign(static_cast<std::size_t>(screen->w), ColumnDots{});
    loop.changedRects.assign(static_cast<std::size_t>(std::max(screen->w, 1)), SDL_Rect{});
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

// The colour a column shows on the given row.
static Uint32 colourAt(const ColumnDots& dots, int row, const TraceColours& colours)
{
    if (row == dots.positionRow)
        return dots.positionColour;
    if (row == dots.velocityRow)
        return colours.velocity;
    return colours.background;
}

// Adds the rows top to bottom of column x to the changed parts, joined to the
// last rectangle when the grouping puts them together (columns come from left
// to right).
static void noteChange(LoopState& loop, int x, int top, int bottom)
{
    if (loop.changedCount > 0) {
        SDL_Rect& last = loop.changedRects[static_cast<std::size_t>(loop.changedCount - 1)];
        const bool joins = loop.grouping == UpdateGrouping::OneBand
                           || (loop.grouping == UpdateGrouping::ColumnStrips
                               && x / kStripWidth == last.x / kStripWidth)
                           || (loop.grouping == UpdateGrouping::ColumnRuns && x == last.x + last.w);
        if (joins) {
            const int lastBottom = last.y + last.h - 1;
            last.y = static_cast<Sint16>(std::min<int>(last.y, top));
            last.h = static_cast<Uint16>(std::max(lastBottom, bottom) - last.y + 1);
            last.w = static_cast<Uint16>(x - last.x + 1);
            return;
        }
    }
    loop.changedRects[static_cast<std::size_t>(loop.changedCount++)] = {
        static_cast<Sint16>(x), static_cast<Sint16>(top), 1, static_cast<Uint16>(bottom - top + 1)};
}

// The whole window is to be presented, as one rectangle.
static void changeWholeWindow(LoopState& loop)
{
    loop.changedRects[0] = {0, 0, static_cast<Uint16>(loop.screen->w), static_cast<Uint16>(loop.screen->h)};
    loop.changedCount = 1;
}

// Column i as a clear and a redraw would leave it: the dots the last frame
// drew put back to black, then the new ones drawn. Only the rows of those
// dots can have changed; the ones that did are noted.
static void redrawColumn(LoopState& loop, int i)
{
    SDL_Surface* screen = loop.screen;
    const TraceColours& colours = loop.colours;
    ColumnDots& before = loop.drawnDots[static_cast<std::size_t>(i)];
    const ColumnDots now = columnDots(loop.state, i, screen->h, colours);
    setPixel(screen, i, before.velocityRow, colours.background);
    setPixel(screen, i, before.positionRow, colours.background);
    drawDots(screen, i, now, colours);

    int top = screen->h;
    int bottom = -1;
    for (int row : {before.velocityRow, before.positionRow, now.velocityRow, now.positionRow})
        if (colourAt(before, row, colours) != colourAt(now, row, colours)) {
            top = std::min(top, row);
            bottom = std::max(bottom, row);
        }
    if (bottom >= 0 && !loop.redrawAll)
        noteChange(loop, i, top, bottom);
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
    loop.changedCount = 0;
    applyMouseMode(loop.mouse, state, screen->h / 2);

    if (loop.running)
        couplePoints(state);
    for (int i = 0; i < state.w; ++i) {
        if (loop.running)
            advancePoint(state, i);
        redrawColumn(loop, i);
    }
    if (loop.redrawAll) {
        changeWholeWindow(loop);
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

// Whether SDL has reported the window exposed since the frame drained its
// events. The event stays queued for the next drain.
static bool exposedSinceDrain()
{
    SDL_PumpEvents();
    SDL_Event event;
    return SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_VIDEOEXPOSEMASK) > 0;
}

void presentFrame(LoopState& loop)
{
    // wavestring_paced at t = 0: no pause at all, not even SDL_Delay(0),
    // which still sleeps for the timer slack.
    const Uint32 pause = framePause(loop.state);
    if (pause > 0)
        SDL_Delay(pause);
    // A window exposed during a long pause (up to a second in
    // wavestring_paced) is presented whole now, as a flip would, not a frame
    // later; the surface already holds the whole picture. After a pause
    // shorter than a display refresh (60 Hz), a frame later is no later on
    // the screen, and the look costs a few percent of a 1 ms frame.
    if (pause >= 16 && exposedSinceDrain())
        changeWholeWindow(loop);
    // Otherwise only the parts that changed: presenting the whole window
    // costs much more than the frame's other work, most of all on
    // sdl12-compat.
    if (loop.changedCount > 0)
        SDL_UpdateRects(loop.screen, loop.changedCount, loop.changedRects.data());
}

void runFrame(LoopState& loop)
{
    updateFrame(loop);
    presentFrame(loop);
}
