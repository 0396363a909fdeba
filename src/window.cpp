#include "window.h"
#include "messages.h"
#include "system.h"

#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#ifdef SDL_VIDEO_DRIVER_X11
#include <SDL_syswm.h>
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>
#endif

#ifdef _WIN32
#include <SDL_syswm.h>
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
    setEnvDefault("SDL_RENDER_DRIVER", "software");
    setEnvDefault("SDL_FRAMEBUFFER_ACCELERATION", "0");
}

SDL_Surface* openWindow()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_Init(SDL_INIT_VIDEO) != 0)
        return nullptr;
    SDL_WM_SetCaption(kWindowTitle, "");
    SDL_Surface* screen = SDL_SetVideoMode(kWindowWidth, kWindowHeight, kWindowDepth, 0);
    if (screen != nullptr && screen->format->BytesPerPixel != 4) {
        SDL_SetError(translated("the screen has %d bytes per pixel, not 4"), screen->format->BytesPerPixel);
        return nullptr;
    }
    return screen;
}

int displayRefreshRate()
{
#if defined(_WIN32)
    // The current mode of the monitor that shows most of the window, from
    // Windows' display settings; 0 and 1 there mean the hardware's default.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0)
        return 0;
    MONITORINFOEXA monitor{};
    monitor.cbSize = sizeof monitor;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!GetMonitorInfoA(MonitorFromWindow(info.window, MONITOR_DEFAULTTONEAREST), &monitor)
        || !EnumDisplaySettingsA(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode))
        return 0;
    return mode.dmDisplayFrequency > 1 ? static_cast<int>(mode.dmDisplayFrequency) : 0;
#elif defined(SDL_VIDEO_DRIVER_X11)
    // Both SDL 1.2 libraries give the X display and the window here.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11 || info.info.x11.display == nullptr)
        return 0;
    // Loaded rather than linked, so that the program still runs where the
    // library is missing. Never unloaded: Xlib keeps calls into it for as
    // long as the display stays open.
    void* xrandr = dlopen("libXrandr.so.2", RTLD_NOW | RTLD_LOCAL);
    if (xrandr == nullptr)
        return 0;
    const auto getInfo = reinterpret_cast<decltype(&XRRGetScreenInfo)>(dlsym(xrandr, "XRRGetScreenInfo"));
    const auto currentRate = reinterpret_cast<decltype(&XRRConfigCurrentRate)>(dlsym(xrandr, "XRRConfigCurrentRate"));
    const auto freeInfo = reinterpret_cast<decltype(&XRRFreeScreenConfigInfo)>(dlsym(xrandr, "XRRFreeScreenConfigInfo"));
    if (getInfo == nullptr || currentRate == nullptr || freeInfo == nullptr)
        return 0;
    if (info.info.x11.lock_func != nullptr)
        info.info.x11.lock_func();
    // nullptr when the server has no RandR.
    XRRScreenConfiguration* config = getInfo(info.info.x11.display, info.info.x11.window);
    const int rate = config != nullptr ? currentRate(config) : 0;
    if (config != nullptr)
        freeInfo(config);
    if (info.info.x11.unlock_func != nullptr)
        info.info.x11.unlock_func();
    return rate > 0 ? rate : 0;
#else
    return 0;
#endif
}
