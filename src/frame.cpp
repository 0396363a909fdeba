#include "frame.h"

#include <algorithm>
#include <cstdio>
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

void updateFrame(LoopState& loop)
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
        handleEvent(loop, event);

    SDL_Surface* screen = loop.screen;
    StringState& state = loop.state;
    SDL_FillRect(screen, nullptr, loop.colours.background);
    applyMouseMode(loop.mouse, state, screen->h / 2);

    if (loop.running)
        couplePoints(state);
    for (int i = 0; i < state.w; ++i) {
        if (loop.running)
            advancePoint(state, i);
        drawColumn(screen, state, i, loop.colours);
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

void runFrame(LoopState& loop)
{
    updateFrame(loop);
    SDL_Delay(framePause(loop.state));
    SDL_Flip(loop.screen);
}
