// wavestring: a damped elastic string, plucked with the mouse and drawn live.
#include <SDL.h>

#include <cstdio>

#include "frame.h"

#if WAVESTRING_PACED
static const char kProgramName[] = "wavestring_paced";
#else
static const char kProgramName[] = "wavestring";
#endif

static int fail(const char* what)
{
    std::fprintf(stderr, "%s: %s failed: %s\n", kProgramName, what, SDL_GetError());
    return 1;
}

int main(int, char**)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail("SDL_Init");
    SDL_WM_SetCaption(kWindowTitle, "");
    SDL_Surface* screen = SDL_SetVideoMode(kWindowWidth, kWindowHeight, kWindowDepth, 0);
    if (screen == nullptr || screen->format->BytesPerPixel != 4) {
        const int status = fail("SDL_SetVideoMode");
        SDL_Quit();
        return status;
    }

    LoopState loop = startLoop(screen);
    tightenPause();
    while (!loop.quit)
        runFrame(loop);

    SDL_Quit();
    return 0;
}
