#include "mouse.h"

void moveCursor(MouseState& mouse, std::uint16_t x, std::uint16_t y)
{
    mouse.cursorX = x;
    mouse.cursorY = y;
    mouse.cursorSeen = true;
}

void pressButton(MouseState& mouse, int button)
{
    switch (button) {
    case kLeftButton:
        mouse.mode = MouseMode::SetPosition;
        break;
    case kRightButton:
        mouse.mode = MouseMode::SetVelocity;
        break;
#if !WAVESTRING_PACED
    case kMiddleButton:
        mouse.mode = MouseMode::ToggleAnchor;
        break;
#endif
    default:
        return;
    }
    mouse.pressPending = true;
    mouse.releasePending = false;
}

void releaseButton(MouseState& mouse)
{
    // A click or a tap brings its press and release in the same drain; the
    // press must still make its edit, at the cursor as it is now. Before a
    // motion has given the cursor a column there is nothing to edit.
    if (mouse.pressPending && mouse.cursorSeen) {
        mouse.releasePending = true;
        mouse.releaseX = mouse.cursorX;
        mouse.releaseY = mouse.cursorY;
    } else
        mouse.mode = MouseMode::None;
}

void applyMouseMode(MouseState& mouse, StringState& state, int centreRow)
{
    const MouseMode mode = mouse.mode;
    const bool released = mouse.releasePending;
    const int col = released ? mouse.releaseX : mouse.cursorX;
    const int row = released ? mouse.releaseY : mouse.cursorY;
    // A toggle acts in one frame only, and a released button's edit too,
    // even when they find no point to edit.
    bool editOnce = released;
#if !WAVESTRING_PACED
    editOnce = editOnce || mode == MouseMode::ToggleAnchor;
#endif
    if (editOnce)
        mouse.mode = MouseMode::None;
    mouse.pressPending = false;
    mouse.releasePending = false;
    if (mode == MouseMode::None || !mouse.cursorSeen || col >= state.w)
        return;

    const double height = static_cast<double>(row - centreRow);
    switch (mode) {
    case MouseMode::SetPosition:
        state.pos[col] = height;
        break;
    case MouseMode::SetVelocity:
        state.vel[col] = height;
        break;
#if !WAVESTRING_PACED
    case MouseMode::ToggleAnchor:
        state.anchored[col] = (state.anchored[col] + 1) % 2;
        state.pos[col] = height;
        break;
#endif
    case MouseMode::None:
        break;
    }
}
