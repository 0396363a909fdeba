// Helpers shared by the tests: a 640 x 480 window on SDL's dummy video
// driver, events pushed into SDL's queue, and pixel look-ups.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "events.h"
#include "frame.h"

inline Uint32 pixelAt(SDL_Surface* surface, int x, int y)
{
    Uint32 value;
    std::memcpy(&value, pixelAddress(surface, x, y), sizeof value);
    return value;
}

// The rows of column x that hold the given colour, as a string like "240" or
// "237 243", so that expectations read as the picture.
inline std::string rowsWith(SDL_Surface* surface, int x, Uint32 colour)
{
    std::string rows;
    for (int y = 0; y < surface->h; ++y)
        if (pixelAt(surface, x, y) == colour) {
            // Appended piece by piece: GCC 12 warns (-Wrestrict, wrongly) on
            // a const char* + std::string&& here, which fails -Werror builds.
            if (!rows.empty())
                rows += ' ';
            rows += std::to_string(y);
        }
    return rows;
}

inline int countPixels(SDL_Surface* surface, Uint32 colour)
{
    int count = 0;
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x)
            count += pixelAt(surface, x, y) == colour;
    return count;
}

// A 32-bit software surface in the screen's usual layout (no window needed).
inline SDL_Surface* makeSurface(int w, int h)
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00ff0000, 0x0000ff00, 0x000000ff, 0);
}

class DummyWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        screen = openWindow();
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        loop = startLoop(screen);
    }

    void TearDown() override { SDL_Quit(); }

    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0); }

    static void pushKey(SDLKey key, Uint8 type = SDL_KEYDOWN) { push(keyEvent(key, type)); }
    // A key pressed and released: a new press each time.
    static void pressKey(SDLKey key)
    {
        pushKey(key);
        pushKey(key, SDL_KEYUP);
    }
    static void pushMotion(Uint16 x, Uint16 y) { push(motionEvent(x, y)); }
    static void pushButton(Uint8 button, Uint8 type) { push(buttonEvent(button, type)); }
    static void pushQuit() { push(quitEvent()); }

    static std::string caption()
    {
        char* title = nullptr;
        char* icon = nullptr;
        SDL_WM_GetCaption(&title, &icon);
        return title ? title : "";
    }

    Uint32 white() const { return loop.colours.freePoint; }
    Uint32 red() const { return loop.colours.velocity; }
    Uint32 green() const { return loop.colours.anchoredPoint; }
    Uint32 black() const { return loop.colours.background; }

    SDL_Surface* screen = nullptr;
    LoopState loop;
};
