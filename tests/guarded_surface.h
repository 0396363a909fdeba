// A 32-bit software surface whose pixel rows sit in one allocation between two
// guard bands of a known byte: a write outside the surface changes a guard
// byte (and, with AddressSanitizer, one past the last band is reported at
// once). Used by the tests and the fuzz targets.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstring>
#include <vector>

inline constexpr unsigned char kGuardByte = 0xa5;

struct GuardedSurface {
    std::vector<unsigned char> memory; // guard band, pixel rows, guard band
    std::size_t guardBytes = 0;
    SDL_Surface* surface = nullptr;    // over memory; free with freeGuardedSurface
};

// A w x h surface in the screen's usual layout (0x00RRGGBB), rows packed with
// pitch 4 * w, with guard bands of guardRows rows on each side.
inline GuardedSurface makeGuardedSurface(int w, int h, int guardRows = 4)
{
    GuardedSurface guarded;
    const std::size_t pitch = 4 * static_cast<std::size_t>(w);
    guarded.guardBytes = pitch * static_cast<std::size_t>(guardRows);
    guarded.memory.assign(2 * guarded.guardBytes + pitch * static_cast<std::size_t>(h), kGuardByte);
    guarded.surface = SDL_CreateRGBSurfaceFrom(guarded.memory.data() + guarded.guardBytes, w, h, 32,
                                               static_cast<int>(pitch), 0x00ff0000, 0x0000ff00,
                                               0x000000ff, 0);
    return guarded;
}

// A band is clean when its first byte is the guard byte and every byte
// equals the one before it: one memcmp of the band against itself shifted by
// a byte, much faster than a loop in the fuzz targets, which check every frame.
inline bool isCleanBand(const unsigned char* band, std::size_t size)
{
    return size == 0 || (band[0] == kGuardByte && std::memcmp(band, band + 1, size - 1) == 0);
}

inline bool guardsIntact(const GuardedSurface& guarded)
{
    const unsigned char* first = guarded.memory.data();
    const unsigned char* last = first + guarded.memory.size() - guarded.guardBytes;
    return isCleanBand(first, guarded.guardBytes) && isCleanBand(last, guarded.guardBytes);
}

inline void freeGuardedSurface(GuardedSurface& guarded)
{
    SDL_FreeSurface(guarded.surface);
    guarded.surface = nullptr;
}
