#include "window.h"

#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/prctl.h>
#endif

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
