#include "input.h"

#include <algorithm>
#include <cstring>

#include "frame.h"

static_assert(kLeftButton == SDL_BUTTON_LEFT && kMiddleButton == SDL_BUTTON_MIDDLE
              && kRightButton == SDL_BUTTON_RIGHT);

void handleKey(LoopState& loop, SDLKey key, bool repeat)
{
    HeldKeys& keys = loop.keys;
    int tStep = 1;
    if (key == SDLK_UP || key == SDLK_DOWN) {
        const Uint32 now = SDL_GetTicks();
        if (!repeat) {
            keys.tKeyPressedAt = now;
            keys.tKeyTravel = 0;
        } else {
            const int travel = tTravelWhenHeld(now - keys.tKeyPressedAt);
            tStep = travel - keys.tKeyTravel;
            keys.tKeyTravel = travel;
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
static bool setKeyDown(HeldKeys& keys, SDLKey key, bool down)
{
    if (key < 0 || key >= SDLK_LAST)
        return false;
    const bool wasDown = keys.down[key];
    keys.down[key] = down;
    return wasDown;
}

void handleEvent(LoopState& loop, const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        loop.quit = true;
        break;
    case SDL_KEYDOWN:
        handleKey(loop, event.key.keysym.sym, setKeyDown(loop.keys, event.key.keysym.sym, true));
        break;
    case SDL_KEYUP:
        setKeyDown(loop.keys, event.key.keysym.sym, false);
        break;
    case SDL_ACTIVEEVENT:
        // Keys released in another window send no key-up here.
        if ((event.active.state & SDL_APPINPUTFOCUS) && !event.active.gain)
            std::memset(loop.keys.down, 0, sizeof loop.keys.down);
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
