// The frame loop allocates nothing: heap allocations are counted across
// thousands of frames on the dummy driver. This executable counts every
// malloc, calloc and realloc of the process (operator new goes through
// malloc), so it is built on its own.
#include <atomic>
#include <cstddef>

#include "support.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace {
std::atomic<long> allocations{0};
}

// glibc lets a program replace these four; the rest of its allocator stays.
extern "C" void* malloc(std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(block, size);
}

extern "C" void free(void* block) noexcept
{
    __libc_free(block);
}

using Allocations = DummyWindow;

TEST_F(Allocations, AreCountedHere)
{
    const long before = allocations.load();
    void* volatile block = std::malloc(16);
    std::free(block);
    EXPECT_EQ(allocations.load(), before + 1);
}

// Frames with the string plucked and dragged, the simulation paused and
// resumed now and then, and the caption changed once at the start: frames
// 1,001 to 3,000 add no allocation to those of the first 1,000. (wavestring
// sleeps 1 ms a frame: more frames would only wait longer.)
TEST_F(Allocations, NoneAfterTheFirstThousandFrames)
{
#if WAVESTRING_PACED
    pushKey(SDLK_DOWN); // no pause per frame: t = 0
#endif
    pushKey(SDLK_RIGHT);
    pushMotion(100, 340);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
    const long before = allocations.load();
    long afterThousand = 0;
    for (int frame = 1; frame <= 3000; ++frame) {
        pushMotion(static_cast<Uint16>(frame % 640), static_cast<Uint16>(frame % 480));
        if (frame % 500 == 0)
            pressKey(SDLK_RETURN);
        runFrame(loop);
        if (frame == 1000)
            afterThousand = allocations.load();
    }
    const long afterAll = allocations.load();
    EXPECT_EQ(afterAll - before, afterThousand - before);
    EXPECT_NE(loop.state.pos[100], 0.0); // the frames did move the string
}
