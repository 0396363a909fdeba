// wavestring in a web page: the desktop program's frames, run from the
// browser's animation frames. A page may not sleep, so a frame's pause
// becomes the clock time between two frames, and the frames that are due
// run together, followed by one present of what they changed: a screen
// shows only the latest picture anyway.
#include <SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>

#include "frame.h"
#include "work_budget.h"

// Frames are run at most this far behind the clock. A hidden tab gets no
// animation frames; back in view, it catches up by at most this much
// (100 frames of wavestring), not by all the time it was hidden.
static constexpr double kMaxCatchUpMs = 100;

static LoopState loop;
// The work of one animation frame stops when this runs out, so that the
// page stays smooth (work_budget.h). Only wavestring_paced at t = 0, which
// has no pause, or a device too slow for the pace, reaches it.
static WorkBudget budget;
static double nextFrameAt = 0;
// For the page to measure the pace: the frames run, and the clock time
// given up by the catch-up bound, in which no frame was due.
static double framesRun = 0;
static double msGivenUp = 0;
// What the page's Pause control last showed.
static bool shownRunning = true;

extern "C" EMSCRIPTEN_KEEPALIVE double wavestringFramesRun()
{
    return framesRun;
}

extern "C" EMSCRIPTEN_KEEPALIVE double wavestringMsGivenUp()
{
    return msGivenUp;
}

// The work budget of the next animation frame, in ms.
extern "C" EMSCRIPTEN_KEEPALIVE double wavestringWorkBudgetMs()
{
    return budgetMs(budget);
}

// Called by the browser on every animation frame, with the time of the
// display's refresh it is for: the budget learns the refresh interval from
// these times, which are steadier than the clock when the call comes.
static EM_BOOL animationFrame(double refreshTime, void*)
{
    const double now = emscripten_get_now();
    startAnimationFrame(budget, refreshTime);
    if (nextFrameAt < now - kMaxCatchUpMs) {
        msGivenUp += now - kMaxCatchUpMs - nextFrameAt;
        nextFrameAt = now - kMaxCatchUpMs;
    }
    const double workEnds = now + budgetMs(budget);
    int frames = 0;
    while (nextFrameAt <= now && !loop.quit) {
        updateFrame(loop);
        ++frames;
        // The pause after a frame, as on the desktop: 1 ms in wavestring,
        // t ms in wavestring_paced, read after the frame's keys.
        nextFrameAt += framePause(loop.state);
        if (emscripten_get_now() >= workEnds)
            break;
    }
    // With no pause (wavestring_paced at t = 0) nothing is owed: a longer
    // pause set later counts from now.
    if (framePause(loop.state) == 0)
        nextFrameAt = now;
    framesRun += frames;
    // Only what changed since the last present, as rectangles: library_page.js
    // copies them to the canvas. Nothing when nothing changed.
    presentNow(loop, static_cast<std::int64_t>(now * 1000));
    endAnimationFrame(budget, emscripten_get_now() - now);
    if (loop.running != shownRunning) {
        shownRunning = loop.running;
        EM_ASM(Module.wavestringRunning($0), shownRunning);
    }
    if (loop.quit)
        EM_ASM(Module.wavestringEnded());
    return !loop.quit; // whether to be called on the next animation frame too
}

int main()
{
    SDL_Surface* screen = openWindow();
    if (screen == nullptr) {
        EM_ASM(Module.wavestringFailed(UTF8ToString($0)), SDL_GetError());
        return 1;
    }
    loop = startLoop(screen);
    // SDL_FillRect paints only the canvas: the pixels the frames draw on
    // start black here. The first lock also makes the canvas's image, which
    // the presents then update.
    SDL_LockSurface(screen);
    for (int y = 0; y < screen->h; ++y)
        std::fill_n(reinterpret_cast<Uint32*>(pixelAddress(screen, 0, y)), screen->w, loop.colours.background);
    SDL_UnlockSurface(screen);
    nextFrameAt = emscripten_get_now();
    // The page's arrow controls repeat, while held, as a held key does.
    EM_ASM(Module.wavestringStarted($0, $1), kKeyRepeatDelay, kKeyRepeatInterval);
    emscripten_request_animation_frame_loop(animationFrame, nullptr);
}
