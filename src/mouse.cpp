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
        break;
    }
}

void releaseButton(MouseState& mouse)
{
    mouse.mode = MouseMode::None;
}

void applyMouseMode(MouseState& mouse, StringState& state, int centreRow)
{
    const MouseMode mode = mouse.mode;
#if !WAVESTRING_PACED
    // A toggle acts in one frame only, even when it finds no point to edit.
    if (mode == MouseMode::ToggleAnchor)
        mouse.mode = MouseMode::None;
#endif
    const int col = mouse.cursorX;
    if (mode == MouseMode::None || !mouse.cursorSeen || col >= state.w)
        return;

    const double height = static_cast<double>(mouse.cursorY - centreRow);
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
