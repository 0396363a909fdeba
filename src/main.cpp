// wavestring: a damped elastic string, plucked with the mouse and drawn live.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// With no display to reach, SDL falls back on drivers that open no window:
// text in a terminal (aalib, caca) or nothing at all (dummy, offscreen). The
// program would run unseen and, with no keyboard, could not be quit. Such a
// driver is used only when SDL_VIDEODRIVER asks for it.
static bool isFallbackWithoutWindow(const char* driver)
{
    for (const char* name : {"aalib", "caca", "dummy", "offscreen"})
        if (std::strcmp(driver, name) == 0)
            return true;
    return false;
}

int main(int, char**)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail("SDL_Init");
    // An empty SDL_VIDEODRIVER asks for no driver, as SDL reads it.
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    char driver[32] = "";
    if ((asked == nullptr || *asked == '\0') && SDL_VideoDriverName(driver, sizeof driver) != nullptr
        && isFallbackWithoutWindow(driver)) {
        SDL_SetError("no display, only the %s video driver", driver);
        const int status = fail("SDL_Init");
        SDL_Quit();
        return status;
    }
    SDL_Surface* screen = openWindow();
    if (screen == nullptr) {
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
