// The frame loop's state and the one function that runs a frame.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <vector>

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

// Held keys repeat after SDL's usual delay and interval (500 ms, then every
// 30 ms). Only the arrow keys (and Escape, which quits anyway) act on a
// repeat.
inline constexpr int kKeyRepeatDelay = SDL_DEFAULT_REPEAT_DELAY;
inline constexpr int kKeyRepeatInterval = SDL_DEFAULT_REPEAT_INTERVAL;

// How the parts of the window that a frame changed are grouped into
// rectangles for SDL_UpdateRects: one band over all of them, one band for each
// strip of kStripWidth columns, or one for each run of neighbouring columns.
enum class UpdateGrouping { OneBand, ColumnStrips, ColumnRuns };
inline constexpr int kStripWidth = 32;

struct LoopState {
    SDL_Surface* screen = nullptr; // owned by SDL
    bool quit = false;             // leave the loop after this frame
    bool running = true;           // step the string in each frame
    StringState state;
    MouseState mouse;
    TraceColours colours{};
    char frameCaption[kCaptionSize] = "";  // formatted in every frame
    char shownCaption[kCaptionSize] = "";  // the caption last set on the window
    // Keys down now: a key-down for a key already down is a repeat, not a
    // new press. When Up or Down was last pressed, and how far its repeats
    // have moved t since.
    bool keyDown[SDLK_LAST] = {};
    Uint32 tKeyPressedAt = 0;
    int tKeyTravel = 0;
    // The next frame clears the whole surface and presents the whole window:
    // the first frame, and after anything else may have drawn over the window.
    bool redrawAll = true;
    std::vector<ColumnDots> drawnDots;  // per column, the dots on the surface
    std::vector<SDL_Rect> changedRects; // the window's parts changed by this frame
    int changedCount = 0;               // how many of changedRects are in use
    UpdateGrouping grouping = UpdateGrouping::ColumnStrips;
};

// The loop state for a 32-bit screen surface: a flat string with one point
// per column, running. Everything a frame needs is allocated here.
LoopState startLoop(SDL_Surface* screen);

// The key table: Escape quits, Return pauses and resumes, Space clears the
// string, Left and Right change k by 0.01, Up and Down change t by 1. Other
// keys do nothing. A repeat (the key held) acts only for the arrow keys and
// Escape; Up and Down then bring t to tTravelWhenHeld of the time since their press.
void handleKey(LoopState& loop, SDLKey key, bool repeat = false);

// How far a held Up or Down has moved t by its repeats, heldMs after the
// press: by 1 per repeat interval at first, faster and faster, so t runs
// from 1 to 1000 in under 4 s. It depends on the time held only, not on how
// many frames (and repeats) there were: wavestring_paced drains the events
// only once per frame of t ms.
int tTravelWhenHeld(Uint32 heldMs);

// Quit, key presses and releases and the mouse; a window exposed or shown
// again is presented whole in the next frame; every other event is ignored.
void handleEvent(LoopState& loop, const SDL_Event& event);

// Milliseconds to wait before each present: 1 in wavestring, t in wavestring_paced.
Uint32 framePause(const StringState& state);

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

// A frame up to its pause: drain the events, apply the mouse edit, step the
// string if running, draw it, format the caption (and set it when its text
// has changed). Rather than clear the whole surface, it puts back to black
// the dots the last frame drew, which leaves the same pixels, and notes the
// parts of the window that changed in changedRects.
void updateFrame(LoopState& loop);

// The rest of a frame: the pause (none at 0 ms), then the present of the
// parts that changed, or of the whole window when SDL reported it exposed
// during a pause of 16 ms or more.
void presentFrame(LoopState& loop);

// One frame: updateFrame, then presentFrame.
void runFrame(LoopState& loop);

// Starts SDL's video unless it runs already, sets the title and opens the
// 640 x 480 window on a 32-bit surface. On failure returns nullptr, with
// SDL's error set.
SDL_Surface* openWindow();
