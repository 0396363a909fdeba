// libFuzzer target: the input becomes a stream of SDL events, pushed into
// SDL's queue and interleaved with frames on a 640 x 480 surface that has
// guard bands around its pixels. After every frame the loop's invariants are
// checked; a broken one aborts, which the fuzzer reports as a crash.
//
// The frame is the program's updateFrame, that is runFrame without the pause
// and the present (the 1 ms pause would make fuzzing a thousand times slower).
//
// Input format, one operation after another (reads past the end give 0):
//   op % 8 == 0  key down, 2 bytes: symbol modulo SDLK_LAST (any key)
//   op % 8 == 1  key down, 1 byte: one of the seven keys of the key table
//   op % 8 == 2  key up, 2 bytes: symbol modulo SDLK_LAST
//   op % 8 == 3  motion, 2 + 2 bytes: x and y, 0 to 65535
//   op % 8 == 4  button down, 1 byte: button 0 to 255
//   op % 8 == 5  button up, 1 byte: button 0 to 255
//   op % 8 == 6  1 byte: quit (0), or an event type the program ignores
//   op % 8 == 7  1 byte n: n % 4 == 0 runs one frame, else runs n frames of
//                the model (mouse edit and step) without drawing
// A frame also runs whenever SDL's queue is full and at the end of the input.
// After a frame that has seen quit the input ends, as the program's loop does;
// it also ends after kMaxFrames frames or kMaxModelFrames model frames, which
// keeps each run short (an instrumented frame takes a quarter of a millisecond).
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "events.h"
#include "frame.h"
#include "guarded_surface.h"

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

std::uint8_t nextByte(Input& in) { return in.at < in.size ? in.data[in.at++] : 0; }

std::uint16_t nextWord(Input& in)
{
    const std::uint16_t high = nextByte(in);
    return static_cast<std::uint16_t>(high << 8 | nextByte(in));
}

constexpr int kMaxFrames = 64;
constexpr int kMaxModelFrames = 1024;

GuardedSurface guarded;

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "event_fuzzer: broken after a frame: %s\n", what);
        std::abort();
    }
}

void checkInvariants(const LoopState& loop, const double* posData)
{
    const StringState& state = loop.state;
    require(state.k >= 0.0 && state.k <= 1.0, "k in [0, 1]");
    require(state.t >= kMinT && state.t <= kMaxT, "t in its range");
    require(state.w == kWindowWidth, "w is the surface width");
    require(state.pos.size() == static_cast<std::size_t>(state.w), "pos is w long");
    require(state.vel.size() == static_cast<std::size_t>(state.w), "vel is w long");
    require(state.pos.data() == posData, "pos never reallocated");
#if WAVESTRING_PACED
    require(loop.mouse.mode == MouseMode::None || loop.mouse.mode == MouseMode::SetPosition
                || loop.mouse.mode == MouseMode::SetVelocity,
            "mode is a valid value");
#else
    require(state.anchored.size() == static_cast<std::size_t>(state.w), "anchored is w long");
    for (int anchor : state.anchored)
        require(anchor == 0 || anchor == 1, "anchors are 0 or 1");
    require(loop.mouse.mode == MouseMode::None || loop.mouse.mode == MouseMode::SetPosition
                || loop.mouse.mode == MouseMode::SetVelocity || loop.mouse.mode == MouseMode::ToggleAnchor,
            "mode is a valid value");
#endif
    require(std::strlen(loop.frameCaption) < kCaptionSize, "caption terminated inside its buffer");
    require(guardsIntact(guarded), "no write outside the surface");
}

// The displacement dot of every column is where it belongs: on the row of
// rowFor clamped into the surface.
void checkDrawing(const LoopState& loop)
{
    SDL_Surface* surface = loop.screen;
    for (int x = 0; x < surface->w; ++x) {
        const int row = static_cast<int>(limite(rowFor(loop.state.pos[x], surface->h), 0, surface->h - 1));
        Uint32 pixel;
        std::memcpy(&pixel, pixelAddress(surface, x, row), sizeof pixel);
        const Uint32 dot = isAnchored(loop.state, x) ? loop.colours.anchoredPoint : loop.colours.freePoint;
        require(pixel == dot, "displacement dot drawn on its row");
    }
}

// The program's own frame, less the pause and the present.
void runFrameWithoutPause(LoopState& loop)
{
    updateFrame(loop);
    char whole[2 * kCaptionSize];
    std::snprintf(whole, sizeof whole, kCaptionFormat, loop.state.k, static_cast<unsigned>(loop.state.t));
    require(std::strcmp(whole, loop.frameCaption) == 0, "caption fits whole");
}

void runModelFrames(LoopState& loop, int frames)
{
    StringState& state = loop.state;
    for (int n = 0; n < frames; ++n) {
        applyMouseMode(loop.mouse, state, loop.screen->h / 2);
        if (loop.running)
            stepString(state);
    }
}

const SDLKey kTableKeys[] = {SDLK_ESCAPE, SDLK_RETURN, SDLK_SPACE, SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_DOWN};

// Event types that change nothing on the screen (SDL_QUIT has its own
// operation); a key-up or a focus change only ends a held key.
// SDL_SYSWMEVENT is left out: SDL copies the window manager message it points
// to, which only SDL itself can make.
const Uint8 kIgnoredTypes[] = {SDL_NOEVENT,       SDL_ACTIVEEVENT,  SDL_KEYUP,         SDL_JOYAXISMOTION,
                               SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN, SDL_JOYBUTTONUP,
                               SDL_VIDEORESIZE,   SDL_VIDEOEXPOSE,  SDL_USEREVENT};

SDLKey anyKey(Input& in) { return static_cast<SDLKey>(nextWord(in) % SDLK_LAST); }

// The next event of the input, or false for a frame operation.
bool nextEvent(Input& in, SDL_Event& event, int& modelFrames)
{
    const std::uint8_t op = nextByte(in);
    event = SDL_Event{};
    switch (op % 8) {
    case 0:
        event = keyEvent(anyKey(in), SDL_KEYDOWN);
        return true;
    case 1:
        event = keyEvent(kTableKeys[nextByte(in) % 7], SDL_KEYDOWN);
        return true;
    case 2:
        event = keyEvent(anyKey(in), SDL_KEYUP);
        return true;
    case 3: {
        const Uint16 x = nextWord(in);
        const Uint16 y = nextWord(in);
        event = motionEvent(x, y);
        return true;
    }
    case 4:
    case 5:
        event = buttonEvent(nextByte(in), op % 8 == 4 ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP);
        return true;
    case 6: {
        const std::uint8_t which = nextByte(in);
        event.type = which == 0 ? Uint8{SDL_QUIT} : kIgnoredTypes[which % (sizeof kIgnoredTypes)];
        return true;
    }
    default: {
        const std::uint8_t n = nextByte(in);
        modelFrames = n % 4 == 0 ? 0 : n;
        return false;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (openWindow() == nullptr) {
        std::fprintf(stderr, "event_fuzzer: no SDL video: %s\n", SDL_GetError());
        std::exit(1);
    }
    guarded = makeGuardedSurface(kWindowWidth, kWindowHeight);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in{data, size};
    LoopState loop = startLoop(guarded.surface);
    const double* posData = loop.state.pos.data();
    SDL_Event leftover;
    while (SDL_PollEvent(&leftover)) { // from an input that ended on quit
    }

    int frames = 0;
    int modelFramesRun = 0;
    const auto frame = [&] {
        runFrameWithoutPause(loop);
        checkInvariants(loop, posData);
        checkDrawing(loop);
        ++frames;
    };
    bool pending = false; // events pushed since the last frame
    while (in.at < in.size && !loop.quit && frames < kMaxFrames && modelFramesRun < kMaxModelFrames) {
        SDL_Event event;
        int modelFrames = 0;
        if (nextEvent(in, event, modelFrames)) {
            if (SDL_PushEvent(&event) != 0) { // full queue: a frame drains it
                frame();
                require(SDL_PushEvent(&event) == 0, "room in the queue after a frame");
            }
            pending = true;
        } else if (modelFrames > 0) {
            runModelFrames(loop, modelFrames);
            checkInvariants(loop, posData);
            modelFramesRun += modelFrames;
        } else {
            frame();
            pending = false;
        }
    }
    if (pending && !loop.quit)
        frame();
    return 0;
}
