// The model's trajectory, exactly: the string after each of a few hundred
// steps from one fixed disturbance made with the mouse, with k stepped to
// its bounds and back on the way, every double printed as the 16 hex
// digits of its bits. Built for every target (natively, by Emscripten, by
// MinGW-w64), it must print the same bytes everywhere, and both programs
// the same: same_trajectory.cmake compares its output with the golden one.
#include <cstdint>
#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "mouse.h"
#include "string_model.h"

static unsigned long long bits(double value)
{
    std::uint64_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

int main()
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // "\n", not "\r\n"
#endif
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
        // k up past 1, down past 0, then up to 0.97, as the arrow keys step it.
        for (int press = 0; frame == 100 && press < 12; ++press)
            adjustK(state, +0.01);
        for (int press = 0; frame == 150 && press < 105; ++press)
            adjustK(state, -0.01);
        for (int press = 0; frame == 160 && press < 97; ++press)
            adjustK(state, +0.01);
        applyMouseMode(mouse, state, 240);
        stepString(state);
        if (frame % 10 == 0 || frame < 5) {
            std::printf("%d k %016llx\n", frame, bits(state.k));
            for (int i = 0; i < state.w; ++i)
                std::printf("%d %d %016llx %016llx\n", frame, i, bits(state.pos[i]), bits(state.vel[i]));
        }
    }
    return 0;
}
