// The program's window, and what is set up around it: SDL's hints and the
// timer slack before it opens, and the refresh rate of its display.
#pragma once

#include <SDL.h>

inline constexpr char kWindowTitle[] = "Vibrelle";

inline constexpr int kWindowWidth = 640;
inline constexpr int kWindowHeight = 480;
inline constexpr int kWindowDepth = 32;

// Linux lets a sleep end up to 50 us late by default (the timer slack, which
// batches wake-ups), 5 % of wavestring's 1 ms pause. Asks for sleeps of the
// calling thread that end on time; does nothing on other systems.
void tightenPause();

// sdl12-compat presents the window through an SDL2 renderer. Under X11 with
// no GPU (Xvfb, remote or virtual desktops) SDL2's default, OpenGL drawn by
// Mesa in software, spends 2.5 to 5 ms on each present; SDL2's software
// renderer onto a shared-memory X image takes about 0.3 ms. Asks SDL2 for the
// latter, by its environment hints, before SDL_Init, unless the user chose
// otherwise or SDL2 may not use X11. The classic SDL 1.2 ignores them.
void preferSoftwarePresent();

// Starts SDL's video unless it runs already, sets the title and opens the
// 640 x 480 window on a 32-bit surface. On failure returns nullptr, with
// SDL's error set.
SDL_Surface* openWindow();

// The refresh rate of the window's display in Hz, as the window system tells
// it (XRandR on X11, the display settings on Windows), or 0 where it does
// not tell it.
int displayRefreshRate();
