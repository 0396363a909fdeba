// Prints the string, in exact hexadecimal floating point, after each of a few
// hundred steps from one fixed disturbance made with the mouse. Run for both
// programs, the outputs are compared.
#include <cstdio>

#include "mouse.h"
#include "string_model.h"

int main()
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 100, 340);
    pressButton(mouse, kLeftButton);
    for (int frame = 0; frame < 300; ++frame) {
        if (frame == 20)
            moveCursor(mouse, 630, 60); // drag near the seam of the loop
        if (frame == 40)
            pressButton(mouse, kRightButton);
        if (frame == 60)
            releaseButton(mouse);
        applyMouseMode(mouse, state, 240);
        stepString(state);
        if (frame % 10 == 0 || frame < 5)
            for (int i = 0; i < state.w; ++i)
                std::printf("%d %d %a %a\n", frame, i, state.pos[i], state.vel[i]);
    }
    return 0;
}
