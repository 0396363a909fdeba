#include "frame.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/prctl.h>
#endif

static_assert(kLeftButton == SDL_BUTTON_LEFT && kMiddleButton == SDL_BUTTON_MIDDLE
              && kRightButton == SDL_BUTTON_RIGHT);

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

void handleKey(LoopState& loop, SDLKey key, bool repeat)
{
    int tStep = 1;
    if (key == SDLK_UP || key == SDLK_DOWN) {
        const Uint32 now = SDL_GetTicks();
        if (!repeat) {
            loop.tKeyPressedAt = now;
            loop.tKeyTravel = 0;
        } else {
            const int travel = tTravelWhenHeld(now - loop.tKeyPressedAt);
            tStep = travel - loop.tKeyTravel;
            loop.tKeyTravel = travel;
        }
    }
    switch (key) {
    case SDLK_ESCAPE:
        loop.quit = true;
        break;
    case SDLK_RETURN:
        if (!repeat)
            loop.running = !loop.running;
        break;
    case SDLK_SPACE:
        if (!repeat)
            resetString(loop.state);
        break;
    case SDLK_LEFT:
        adjustK(loop.state, -0.01);
        break;
    case SDLK_RIGHT:
        adjustK(loop.state, +0.01);
        break;
    case SDLK_UP:
        adjustT(loop.state, +tStep);
        break;
    case SDLK_DOWN:
        adjustT(loop.state, -tStep);
        break;
    default:
        break;
    }
}

int tTravelWhenHeld(Uint32 heldMs)
{
    // In ms after the repeat delay, at 1 per interval (30 ms) plus a speed
    // that grows by 5 per interval every second: a / 30 + a^2 / 12000.
    const double a = heldMs > kKeyRepeatDelay ? heldMs - kKeyRepeatDelay : 0;
    const double travel = a / kKeyRepeatInterval + a * a / 12000;
    return static_cast<int>(std::min(travel, kMaxT - kMinT + 1.0));
}

// Records the key as down or up and says whether it already was down. Key
// numbers outside SDL's table are never down.
static bool setKeyDown(LoopState& loop, SDLKey key, bool down)
{
    if (key < 0 || key >= SDLK_LAST)
        return false;
    const bool wasDown = loop.keyDown[key];
    loop.keyDown[key] = down;
    return wasDown;
}

void handleEvent(LoopState& loop, const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        loop.quit = true;
        break;
    case SDL_KEYDOWN:
        handleKey(loop, event.key.keysym.sym, setKeyDown(loop, event.key.keysym.sym, true));
        break;
    case SDL_KEYUP:
        setKeyDown(loop, event.key.keysym.sym, false);
        break;
    case SDL_ACTIVEEVENT:
        // Keys released in another window send no key-up here.
        if ((event.active.state & SDL_APPINPUTFOCUS) && !event.active.gain)
            std::memset(loop.keyDown, 0, sizeof loop.keyDown);
        // Shown again after being iconified: what the window shows is not ours.
        if (event.active.gain && (event.active.state & SDL_APPACTIVE))
            loop.redrawAll = true;
        break;
    case SDL_MOUSEMOTION:
        moveCursor(loop.mouse, event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
        pressButton(loop.mouse, event.button.button);
        break;
    case SDL_MOUSEBUTTONUP:
        releaseButton(loop.mouse);
        break;
    case SDL_VIDEOEXPOSE:
        loop.redrawAll = true;
        break;
    default:
        break;
    }
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

void tightenPause()
{
#ifdef __linux__
    // 1 ns, the smallest slack; 0 would mean the default again.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

void preferSoftwarePresent()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    // SDL2's Wayland driver has no window framebuffer of its own.
    if (display == nullptr || *display == '\0' || (wayland != nullptr && *wayland != '\0')
        || (driver != nullptr && *driver != '\0' && std::strcmp(driver, "x11") != 0))
        return;
    // The software renderer, and a window framebuffer that is a plain X
    // image rather than one more OpenGL texture. 0: keep the user's choice.
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
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

SDL_Surface* openWindow()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_Init(SDL_INIT_VIDEO) != 0)
        return nullptr;
    SDL_WM_SetCaption(kWindowTitle, "");
    SDL_Surface* screen = SDL_SetVideoMode(kWindowWidth, kWindowHeight, kWindowDepth, 0);
    if (screen != nullptr && screen->format->BytesPerPixel != 4) {
        SDL_SetError("the screen has %d bytes per pixel, not 4", screen->format->BytesPerPixel);
        return nullptr;
    }
    return screen;
}
