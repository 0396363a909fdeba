// Mouse editing. Button events only choose a mode and motion events only
// record the cursor; the edit itself is made once per frame by
// applyMouseMode, before the step. No SDL here: buttons are SDL's numbers.
#pragma once

#include <cstdint>

#include "string_model.h"

enum class MouseMode {
    None,
    SetPosition,  // left button held: the point under the cursor takes its height
    SetVelocity,  // right button held: the point's velocity takes the height
#if !WAVESTRING_PACED
    ToggleAnchor, // middle click: anchor or free the point, at the cursor's height
#endif
};

inline constexpr int kLeftButton = 1;
inline constexpr int kMiddleButton = 2;
inline constexpr int kRightButton = 3;

struct MouseState {
    MouseMode mode = MouseMode::None;
    std::uint16_t cursorX = 0;
    std::uint16_t cursorY = 0;
    // No edit is made until a motion event has placed the cursor: before it
    // the cursor has no column.
    bool cursorSeen = false;
    // A press whose edit no frame has made yet, and a release that came
    // before that edit: a quick click still edits once, then ends.
    bool pressPending = false;
    bool releasePending = false;
    // Where the cursor was at that release: the edit is made there, even if
    // the pointer moved on before the frame (a long frame of the paced
    // program).
    std::uint16_t releaseX = 0;
    std::uint16_t releaseY = 0;
};

void moveCursor(MouseState& mouse, std::uint16_t x, std::uint16_t y);
// Left, right (and, in wavestring, middle) choose a mode; other buttons,
// the wheel among them, leave it.
void pressButton(MouseState& mouse, int button);
// Any release ends the edit, whichever button it was: at once, or after the
// next frame's edit when no frame has made the pressed button's edit yet.
void releaseButton(MouseState& mouse);

// Applies the current mode to the point under the cursor. centreRow is the
// screen row of displacement 0, so the cursor height is cursorY - centreRow.
// A cursor column outside the string is not edited.
void applyMouseMode(MouseState& mouse, StringState& state, int centreRow);
