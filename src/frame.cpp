#include "frame.h"

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

void handleKey(LoopState& loop, SDLKey key)
{
    switch (key) {
    case SDLK_ESCAPE:
        loop.quit = true;
        break;
    case SDLK_RETURN:
        loop.running = !loop.running;
        break;
    case SDLK_SPACE:
        resetString(loop.state);
        break;
    case SDLK_LEFT:
        adjustK(loop.state, -0.01);
        break;
    case SDLK_RIGHT:
        adjustK(loop.state, +0.01);
        break;
    case SDLK_UP:
        adjustT(loop.state, +1);
        break;
    case SDLK_DOWN:
        adjustT(loop.state, -1);
        break;
    default:
        break;
    }
}

void handleEvent(LoopState& loop, const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        loop.quit = true;
        break;
    case SDL_KEYDOWN:
        handleKey(loop, event.key.keysym.sym);
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
