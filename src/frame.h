// The frame loop's state and the one function that runs a frame.
#pragma once

#include <SDL.h>

#include <cstddef>

#include "mouse.h"
#include "plot.h"
#include "string_model.h"

inline constexpr char kWindowTitle[] = "Vibrelle";
inline constexpr char kCaptionFormat[] = "Vibrelle : k=%f et t=%u";
// Room for the longest caption, k at 1.000000 and t at 1000, and its terminator.
inline constexpr std::size_t kCaptionSize = sizeof "Vibrelle : k=1.000000 et t=1000";

inline constexpr int kWindowWidth = 640;
inline constexpr int kWindowHeight = 480;
inline constexpr int kWindowDepth = 32;

struct LoopState {
    SDL_Surface* screen = nullptr; // owned by SDL
    bool quit = false;             // leave the loop after this frame
    bool running = true;           // step the string in each frame
    StringState state;
    MouseState mouse;
    TraceColours colours{};
    char frameCaption[kCaptionSize] = "";  // formatted in every frame
    char shownCaption[kCaptionSize] = "";  // the caption last set on the window
};

// The loop state for a 32-bit screen surface: a flat string with one point
// per column, running.
LoopState startLoop(SDL_Surface* screen);

// The key table: Escape quits, Return pauses and resumes, Space clears the
// string, Left and Right change k, Up and Down change t. Other keys do nothing.
void handleKey(LoopState& loop, SDLKey key);

// Quit, key presses and the mouse; every other event is ignored.
void handleEvent(LoopState& loop, const SDL_Event& event);

// Milliseconds to wait before each flip: 1 in wavestring, t in wavestring_paced.
Uint32 framePause(const StringState& state);

// Linux lets a sleep end up to 50 us late by default (the timer slack, which
// batches wake-ups), 5 % of wavestring's 1 ms pause. Asks for sleeps of the
// calling thread that end on time; does nothing on other systems.
void tightenPause();

// A frame up to its pause: drain the events, clear, apply the mouse edit, step
// the string if running, draw it, format the caption (and set it when its
// text has changed).
void updateFrame(LoopState& loop);

// One frame: updateFrame, then the pause and the flip.
void runFrame(LoopState& loop);

// Starts SDL's video unless it runs already, sets the title and opens the
// 640 x 480 window on a 32-bit surface. On failure returns nullptr, with
// SDL's error set.
SDL_Surface* openWindow();
