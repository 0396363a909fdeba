// The keyboard and the other events of a frame's drain: the key table, held
// keys, and the events that change what the next frame does.
#pragma once

#include <SDL.h>

// Held keys repeat after SDL's usual delay and interval (500 ms, then every
// 30 ms). Only the arrow keys (and Escape, which quits anyway) act on a
// repeat.
inline constexpr int kKeyRepeatDelay = SDL_DEFAULT_REPEAT_DELAY;
inline constexpr int kKeyRepeatInterval = SDL_DEFAULT_REPEAT_INTERVAL;

// Keys down now: a key-down for a key already down is a repeat, not a new
// press. When Up or Down was last pressed, and how far its repeats have
// moved t since.
struct HeldKeys {
    bool down[SDLK_LAST] = {};
    Uint32 tKeyPressedAt = 0;
    int tKeyTravel = 0;
};

struct LoopState;

// The key table: Escape quits, Return pauses and resumes, Space clears the
// string, Left and Right change k by 0.01, Up and Down change t by 1. Other
// keys do nothing. A repeat (the key held) acts only for the arrow keys and
// Escape; Up and Down then bring t to tTravelWhenHeld of the time since their press.
void handleKey(LoopState& loop, SDLKey key, bool repeat = false);

// How far a held Up or Down has moved t by its repeats, heldMs after the
// press: by 1 per repeat interval at first, faster and faster, so t runs
// from 1 to 1000 in under 4 s. It depends on the time held only, not on how
// many frames (and repeats) there were: wavestring_paced drains the events
// only once per frame of t ms.
int tTravelWhenHeld(Uint32 heldMs);

// Quit, key presses and releases and the mouse; a window exposed or shown
// again is drawn and presented whole by the next frame; every other event is
// ignored.
void handleEvent(LoopState& loop, const SDL_Event& event);
