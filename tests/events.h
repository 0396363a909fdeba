// SDL events as SDL's own drivers make them, for pushing into SDL's queue.
#pragma once

#include <SDL.h>

inline SDL_Event keyEvent(SDLKey key, Uint8 type = SDL_KEYDOWN)
{
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    return event;
}

inline SDL_Event motionEvent(Uint16 x, Uint16 y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

inline SDL_Event buttonEvent(Uint8 button, Uint8 type)
{
    SDL_Event event{};
    event.type = type;
    event.button.type = type;
    event.button.button = button;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    return event;
}

inline SDL_Event quitEvent()
{
    SDL_Event event{};
    event.type = SDL_QUIT;
    return event;
}

// The window uncovered: what it shows must be drawn again.
inline SDL_Event exposeEvent()
{
    SDL_Event event{};
    event.type = SDL_VIDEOEXPOSE;
    return event;
}
