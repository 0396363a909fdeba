// The frame loop's state and the one function that runs a frame: drain the
// events, edit, step and draw the string, set the caption, pause, present.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <vector>

#include "input.h"
#include "mouse.h"
#include "plot.h"
#include "string_model.h"
#include "window.h"

inline constexpr char kCaptionFormat[] = "Vibrelle : k=%f et t=%u";
// Room for the longest caption, k at 1.000000 and t at 1000, and its terminator.
inline constexpr std::size_t kCaptionSize = sizeof "Vibrelle : k=1.000000 et t=1000";

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
    HeldKeys keys;
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

// Milliseconds to wait before each present: 1 in wavestring, t in wavestring_paced.
Uint32 framePause(const StringState& state);

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
