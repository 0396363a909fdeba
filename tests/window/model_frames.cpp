// The pictures the window shows as the string runs on from one left click
// made while paused, worked out by the program's own model and drawing rows:
// for each frame from the click (0) to FRAMES, a line with the row of every
// column's white dot, then a line with the row of every red dot, in a
// 640 x 480 window. The click is at column X, row Y; k is first changed by
// K_PRESSES presses of Right (Left when negative).
//   model_frames X Y K_PRESSES FRAMES
#include <cstdio>
#include <cstdlib>

#include "mouse.h"
#include "plot.h"
#include "string_model.h"
#include "window.h"

static void printRows(const StringState& state)
{
    for (const auto* values : {&state.pos, &state.vel})
        for (int i = 0; i < state.w; ++i)
            std::printf("%d%c", dotRow((*values)[i], kWindowHeight), i + 1 < state.w ? ' ' : '\n');
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: model_frames X Y K_PRESSES FRAMES\n");
        return 2;
    }
    const int kPresses = std::atoi(argv[3]);
    const int frames = std::atoi(argv[4]);
    StringState state = makeString(kWindowWidth);
    for (int i = 0; i < std::abs(kPresses); ++i)
        adjustK(state, kPresses > 0 ? 0.01 : -0.01);
    MouseState mouse;
    moveCursor(mouse, static_cast<std::uint16_t>(std::atoi(argv[1])), static_cast<std::uint16_t>(std::atoi(argv[2])));
    pressButton(mouse, kLeftButton);
    releaseButton(mouse);
    applyMouseMode(mouse, state, kWindowHeight / 2);
    printRows(state);
    for (int frame = 1; frame <= frames; ++frame) {
        stepString(state);
        printRows(state);
    }
    return 0;
}
