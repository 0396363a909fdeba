// A scripted session of the program on SDL's dummy video driver: the same
// start-up as main, a few thousand frames run by runFrame with events pushed
// into SDL's queue as a user would make them, then Escape and SDL_Quit. Run
// under valgrind's memcheck (and in the sanitizer build) to find bad memory
// accesses and leaks in a whole run. Exits 0 when the session went as planned.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "events.h"
#include "frame.h"

namespace {

constexpr int kFrames = 3000;

void push(SDL_Event event)
{
    if (SDL_PushEvent(&event) != 0)
        std::fprintf(stderr, "session: event queue full\n");
}

void pushKey(SDLKey key, Uint8 type = SDL_KEYDOWN) { push(keyEvent(key, type)); }
// A key pressed and released, so that every press is a new one.
void pressKey(SDLKey key)
{
    pushKey(key);
    pushKey(key, SDL_KEYUP);
}
void pushMotion(Uint16 x, Uint16 y) { push(motionEvent(x, y)); }
void pushButton(Uint8 button, Uint8 type) { push(buttonEvent(button, type)); }

// The user's input before the given frame.
void script(int frame)
{
    const int phase = frame % 1000;
    switch (phase) {
    case 0: // pluck and drag over the seam of the loop
        pushMotion(100, 340);
        pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
        break;
    case 40:
        pushMotion(630, 60);
        break;
    case 60:
        pushMotion(5, 400);
        break;
    case 80: // switch to kicking the velocity, then let go
        pushButton(SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONDOWN);
        break;
    case 120:
        pushButton(SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONUP);
        break;
    case 200: // anchor a point and free it again
        pushMotion(320, 200);
        pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONDOWN);
        break;
    case 201:
        pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONUP);
        break;
    case 300:
        pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONDOWN);
        pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONUP);
        break;
    case 400: // pause, edit, resume
        pressKey(SDLK_RETURN);
        pushMotion(200, 100);
        pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
        break;
    case 420:
        pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONUP);
        pressKey(SDLK_RETURN);
        break;
    case 500: // the cursor far outside the window, wheel and odd buttons
        pushMotion(65535, 65535);
        for (Uint8 button : {Uint8{4}, Uint8{5}, Uint8{0}, Uint8{200}, Uint8{255}, Uint8{SDL_BUTTON_RIGHT}})
            pushButton(button, SDL_MOUSEBUTTONDOWN);
        break;
    case 520:
        pushButton(SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONUP);
        break;
    case 600: // k up to 1, t up, then the right button at the bottom row
        for (int press = 0; press < 12; ++press)
            pressKey(SDLK_RIGHT);
        for (int press = 0; press < 3; ++press)
            pressKey(SDLK_UP);
        pushMotion(320, 479);
        pushButton(SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONDOWN);
        break;
    case 900: // clear, and back to the starting k and t
        pushButton(SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONUP);
        pressKey(SDLK_SPACE);
        for (int press = 0; press < 10; ++press)
            pressKey(SDLK_LEFT);
        for (int press = 0; press < 3; ++press)
            pressKey(SDLK_DOWN);
        for (SDLKey key : {SDLK_a, SDLK_TAB, SDLK_F1, SDLK_KP_ENTER, SDLK_LSHIFT})
            pressKey(key);
        pushKey(SDLK_ESCAPE, SDL_KEYUP);
        break;
    default:
        break;
    }
}

} // namespace

int main()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_Surface* screen = openWindow();
    if (screen == nullptr) {
        std::fprintf(stderr, "session: no window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }

    LoopState loop = startLoop(screen);
    int frames = 0;
    for (; frames < kFrames && !loop.quit; ++frames) {
        script(frames);
        runFrame(loop);
    }
    pressKey(SDLK_ESCAPE);
    while (!loop.quit) {
        runFrame(loop);
        ++frames;
    }
    const bool asPlanned = frames == kFrames + 1 && loop.running
                           && std::strcmp(loop.frameCaption, "Vibrelle : k=0.900000 et t=1") == 0;
    std::printf("%d frames, last caption \"%s\"\n", frames, loop.frameCaption);
    SDL_Quit();
    return asPlanned ? 0 : 1;
}
