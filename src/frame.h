// The frame loop's state and the one function that runs a frame: drain the
// events, edit, step and draw the string, set the caption, present the
// changes when it is time, pause.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "input.h"
#include "mouse.h"
#include "plot.h"
#include "string_model.h"
#include "window.h"

inline constexpr char kCaptionFormat[] = "Vibrelle : k=%f et t=%u";
// Room for the longest caption, k at 1.000000 and t at 1000, and its terminator.
inline constexpr std::size_t kCaptionSize = sizeof "Vibrelle : k=1.000000 et t=1000";

// The parts of the window changed since the last present are kept as one
// band of rows for each strip of kStripWidth columns, and presented as one
// rectangle per strip.
inline constexpr int kStripWidth = 32;

// The columns left to right and rows top to bottom of a strip's changes;
// empty when right < left.
struct Band {
    int left = 0;
    int right = -1;
    int top = 0;
    int bottom = -1;
};

// Displays that do not tell their refresh rate are taken to refresh 60 times
// a second.
inline constexpr int kAssumedRefreshRate = 60;

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
    // The next frame clears the whole surface, draws it and presents the
    // whole window at once: the first frame, and after anything else may
    // have drawn over the window.
    bool redrawAll = true;
    bool presentWhole = false;           // set by that frame, until its present
    std::vector<ColumnDots> drawnDots;   // per column, the dots on the surface
    std::vector<Band> unpresented;       // per strip, its changes not yet presented
    // The display's refresh interval, and the start of the next one: changes
    // are presented at most once per refresh interval.
    std::int64_t refreshUs = 1000000 / kAssumedRefreshRate;
    std::int64_t nextPresentAt = 0;
    std::vector<SDL_Rect> presentedRects; // the rectangles of the last present
    int presentedCount = 0;               // how many of presentedRects it had
    std::int64_t presentedAt = 0;         // when, on clockMicroseconds
};

// The loop state for a 32-bit screen surface: a flat string with one point
// per column, running. Everything a frame needs is allocated here.
LoopState startLoop(SDL_Surface* screen);

// The pause of each frame in milliseconds, after its present: 1 in
// wavestring, t in wavestring_paced.
Uint32 framePause(const StringState& state);

// The display's refresh interval in microseconds at rateHz, rounded down, so
// that presents never come less often than the display refreshes;
// kAssumedRefreshRate's when the rate is unknown (0 or less).
std::int64_t refreshInterval(int rateHz);

// Microseconds on a clock that only goes forward.
std::int64_t clockMicroseconds();

// A frame up to its pause and present: drain the events, apply the mouse
// edit, step the string if running, draw it, format the caption (and set it
// when its text has changed). Rather than clear the whole surface, it puts
// back to black the dots the last frame drew, which leaves the same pixels,
// and adds the parts of the window that changed to the unpresented ones.
void updateFrame(LoopState& loop);

// Presents the changes not yet presented, if any, when it is time: at once
// for the first frame and after the window was exposed or shown again, and
// before a pause of a refresh interval or more; otherwise in the first frame
// of the next refresh interval after the last present. nowUs is the time on
// clockMicroseconds. Returns whether it presented.
bool presentChanges(LoopState& loop, Uint32 pauseMs, std::int64_t nowUs);

// Presents the changes not yet presented, if any, whatever the time: one
// SDL_UpdateRects of their rectangles. A web page, which the browser calls
// once per refresh, presents this way. Returns whether it presented.
bool presentNow(LoopState& loop, std::int64_t nowUs);

// One frame: updateFrame, presentChanges, then the pause (none at 0 ms).
void runFrame(LoopState& loop);
