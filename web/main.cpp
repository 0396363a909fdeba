// wavestring in a web page: the desktop program's frames, run from the
// browser's animation frames. A page may not sleep, so a frame's pause
// becomes the clock time between two frames, and the frames that are due
// run together, followed by one present of what they changed: a screen
// shows only the latest picture anyway.
#include <SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "frame.h"
#include "setup.h"
#include "string_link.h"
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

// A shared link's string: the page puts its bytes (inflated) in this
// buffer and has them read before main runs.
static std::vector<std::uint8_t> linkBytes;
static StringState linkedString;
static bool stringLinked = false;

// A buffer of size bytes; nullptr for more than any string takes.
extern "C" EMSCRIPTEN_KEEPALIVE std::uint8_t* wavestringLinkBuffer(int size)
{
    if (size < 0 || static_cast<std::size_t>(size) > maxLinkBytes(kWindowWidth))
        return nullptr;
    linkBytes.assign(static_cast<std::size_t>(size), 0);
    return linkBytes.data();
}

// Whether the buffer held a string; if not, the string starts at rest.
extern "C" EMSCRIPTEN_KEEPALIVE int wavestringReadLinkedString()
{
    linkedString = makeString(kWindowWidth);
    stringLinked = decodeString(linkBytes.data(), linkBytes.size(), linkedString);
    return stringLinked;
}

// The set-up as it stands, for Share: k, t, paused, the anchors, and the
// string's bytes (string_link.h).
extern "C" EMSCRIPTEN_KEEPALIVE double wavestringK()
{
    return loop.state.k;
}

extern "C" EMSCRIPTEN_KEEPALIVE int wavestringT()
{
    return loop.state.t;
}

extern "C" EMSCRIPTEN_KEEPALIVE int wavestringPaused()
{
    return !loop.running;
}

extern "C" EMSCRIPTEN_KEEPALIVE int wavestringAnchored(int i)
{
    return i >= 0 && i < loop.state.w && isAnchored(loop.state, i);
}

// Whether the string is flat and still: its link needs no string.
extern "C" EMSCRIPTEN_KEEPALIVE int wavestringAtRest()
{
    const StringState& state = loop.state;
    return std::all_of(state.pos.begin(), state.pos.end(), [](double value) { return value == 0; })
           && std::all_of(state.vel.begin(), state.vel.end(), [](double value) { return value == 0; });
}

static std::vector<std::uint8_t> sharedBytes;

extern "C" EMSCRIPTEN_KEEPALIVE const std::uint8_t* wavestringShareString(int shift, int order, int heldToWindow)
{
    sharedBytes = encodeString(loop.state, {shift, order, heldToWindow != 0});
    return sharedBytes.data();
}

extern "C" EMSCRIPTEN_KEEPALIVE int wavestringShareSize()
{
    return static_cast<int>(sharedBytes.size());
}

// The link's parameters, name=value each, as the page passes them: the
// set-up. Each one not used as given is told to the page, which shows it.
static Setup readLink(int argc, char** argv)
{
    Setup setup = makeSetup(kWindowWidth);
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const std::size_t equals = argument.find('=');
        const std::size_t before = setup.notes.size();
        readSetting(setup, argument.substr(0, equals),
                    equals == std::string_view::npos ? "" : argument.substr(equals + 1));
        for (std::size_t n = before; n < setup.notes.size(); ++n) {
            const SetupNote& note = setup.notes[n];
            EM_ASM(Module.wavestringNote(UTF8ToString($0), UTF8ToString($1), $2, $3), note.name.c_str(),
                   note.value.c_str(), static_cast<int>(note.fix), static_cast<int>(note.used));
        }
    }
    return setup;
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

int main(int argc, char** argv)
{
    const Setup setup = readLink(argc, argv);
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
    loop.running = applySetup(setup, loop.state);
    if (stringLinked) {
        loop.state.pos = linkedString.pos;
        loop.state.vel = linkedString.vel;
        // The page opens on the picture that was shared: a first frame that
        // draws the string before it runs on.
        const bool running = loop.running;
        loop.running = false;
        updateFrame(loop);
        loop.running = running;
        presentNow(loop, static_cast<std::int64_t>(emscripten_get_now() * 1000));
    }
    nextFrameAt = emscripten_get_now();
    // The page's arrow controls repeat, while held, as a held key does.
    // Paused from the start by a link: shown, not announced.
    shownRunning = loop.running;
    EM_ASM(Module.wavestringStarted($0, $1, $2), kKeyRepeatDelay, kKeyRepeatInterval, loop.running);
    emscripten_request_animation_frame_loop(animationFrame, nullptr);
}
