// Whole frames on SDL's dummy video driver, driven by events pushed into
// SDL's queue, as the program sees them.
#include <cstdint>
#include <random>

#include "support.h"
#include "work_budget.h"

using Frame = DummyWindow;

TEST_F(Frame, CaptionIsTheTitleThenShowsKAndT)
{
    EXPECT_EQ(caption(), "Vibrelle");
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=1");
    pressKey(SDLK_RIGHT);
    pressKey(SDLK_UP);
    pressKey(SDLK_UP);
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.910000 et t=3");
}

// The caption is set only when its text changes; it must still show every
// change, including a return to a text it showed before.
TEST_F(Frame, CaptionFollowsEachChangeOfKAndT)
{
    EXPECT_EQ(caption(), "Vibrelle");
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=1");
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=1");

    const struct {
        SDLKey key;
        const char* expected;
    } changes[] = {
        {SDLK_RIGHT, "Vibrelle : k=0.910000 et t=1"},
        {SDLK_LEFT, "Vibrelle : k=0.900000 et t=1"},
        {SDLK_LEFT, "Vibrelle : k=0.890000 et t=1"},
#if WAVESTRING_PACED
        {SDLK_DOWN, "Vibrelle : k=0.890000 et t=0"},
        {SDLK_UP, "Vibrelle : k=0.890000 et t=1"},
#endif
        {SDLK_UP, "Vibrelle : k=0.890000 et t=2"},
        {SDLK_DOWN, "Vibrelle : k=0.890000 et t=1"},
    };
    for (const auto& change : changes) {
        pressKey(change.key);
        runFrame(loop);
        EXPECT_EQ(caption(), change.expected) << "after key " << change.key;
        runFrame(loop);
        EXPECT_EQ(caption(), change.expected) << "one frame later";
    }
}

TEST_F(Frame, LongestCaptionFitsWhole)
{
    loop.state.k = 1.0;
    loop.state.t = 1000;
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=1.000000 et t=1000");
}

TEST_F(Frame, StringAtRestIsOneWhiteDotPerColumnOnTheCentreRow)
{
    runFrame(loop);
    for (int x = 0; x < 640; ++x)
        ASSERT_EQ(rowsWith(screen, x, white()), "240") << "column " << x;
    EXPECT_EQ(countPixels(screen, red()), 0);
    EXPECT_EQ(countPixels(screen, black()), 640 * 479);
}

TEST_F(Frame, EachFrameStartsFromABlackSurface)
{
    SDL_FillRect(screen, nullptr, red());
    runFrame(loop);
    EXPECT_EQ(countPixels(screen, black()), 640 * 479);
}

TEST_F(Frame, AHeldLeftButtonPlucksTheStringFrameByFrame)
{
    pushMotion(100, 340);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
    runFrame(loop);
    EXPECT_EQ(rowsWith(screen, 100, white()), "250");
    EXPECT_EQ(rowsWith(screen, 100, red()), "150"); // velocity -90
    EXPECT_EQ(rowsWith(screen, 99, white()), "285");
    EXPECT_EQ(rowsWith(screen, 101, white()), "285");
    runFrame(loop);
    EXPECT_EQ(rowsWith(screen, 100, white()), "209"); // -30.5 rounds to -31
    EXPECT_EQ(rowsWith(screen, 99, white()), "330");
}

// A click: the press and its release in one drain edit in that frame only.
TEST_F(Frame, AQuickClickPlucksOnce)
{
    pushMotion(100, 340);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONUP);
    runFrame(loop);
    EXPECT_EQ(rowsWith(screen, 100, white()), "250");
    EXPECT_EQ(rowsWith(screen, 99, white()), "285");
    EXPECT_EQ(loop.mouse.mode, MouseMode::None);
    runFrame(loop);
    // Not set back to 100 (that gives -30.5): 10 + 0.9 * (-90 + (45 + 45 - 20) / 2).
    EXPECT_EQ(loop.state.pos[100], -39.5);
    EXPECT_EQ(rowsWith(screen, 100, white()), "200");
}

TEST_F(Frame, TheWheelEndsALeftDrag)
{
    pushMotion(200, 100);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
    runFrame(loop);
    pushButton(SDL_BUTTON_WHEELUP, SDL_MOUSEBUTTONDOWN);
    pushButton(SDL_BUTTON_WHEELUP, SDL_MOUSEBUTTONUP);
    runFrame(loop);
    EXPECT_EQ(loop.mouse.mode, MouseMode::None);
}

TEST_F(Frame, ReturnPausesAndTwiceInOneDrainKeepsRunning)
{
    pressKey(SDLK_RETURN);
    pressKey(SDLK_RETURN);
    runFrame(loop);
    EXPECT_TRUE(loop.running);

    pressKey(SDLK_RETURN);
    pushMotion(320, 440);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
    runFrame(loop);
    EXPECT_FALSE(loop.running);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONUP);
    for (int n = 0; n < 3; ++n)
        runFrame(loop);
    // Paused, the dot stays exactly under the cursor and nothing else moves.
    EXPECT_EQ(loop.state.pos[320], 200.0);
    EXPECT_EQ(rowsWith(screen, 320, white()), "440");
    EXPECT_EQ(rowsWith(screen, 321, white()), "240");

    pressKey(SDLK_RETURN);
    runFrame(loop);
    EXPECT_TRUE(loop.running);
    EXPECT_EQ(loop.state.pos[321], 90.0); // 0.9 * 200 / 2
}

// A key-down with no key-up since the last one is the key held down.
TEST_F(Frame, HeldReturnAndSpaceActOncePerPress)
{
    pushKey(SDLK_RETURN);
    pushKey(SDLK_RETURN);
    pushKey(SDLK_SPACE);
    runFrame(loop);
    EXPECT_FALSE(loop.running);
    loop.state.pos[5] = 12.0;
    pushKey(SDLK_RETURN);
    pushKey(SDLK_SPACE);
    runFrame(loop);
    EXPECT_FALSE(loop.running);
    EXPECT_EQ(loop.state.pos[5], 12.0);

    // Keys released in another window: the next key-down is a new press.
    SDL_Event focusLost{};
    focusLost.active = {SDL_ACTIVEEVENT, 0, SDL_APPINPUTFOCUS};
    push(focusLost);
    pushKey(SDLK_SPACE);
    runFrame(loop);
    EXPECT_EQ(loop.state.pos[5], 0.0);
}

// Held arrow keys repeat: k by 0.01 each time, t as far as the time held says.
TEST_F(Frame, HeldArrowKeysRepeat)
{
    for (int n = 0; n < 4; ++n) {
        pushKey(SDLK_RIGHT);
        pushKey(SDLK_UP);
    }
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.940000 et t=2") << "t waits for the repeat delay";
    loop.keys.tKeyPressedAt = SDL_GetTicks() - 4500; // Up held for 4.5 s
    pushKey(SDLK_UP);
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.940000 et t=1000");
    pushKey(SDLK_UP, SDL_KEYUP);
    pressKey(SDLK_DOWN);
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.940000 et t=999");

    // 1 per 30 ms repeat at first, 1 to 1000 in under 4 s.
    EXPECT_EQ(tTravelWhenHeld(530), 1);
    EXPECT_EQ(tTravelWhenHeld(1500), 116); // 33.3 + 83.3
    EXPECT_EQ(tTravelWhenHeld(3769), 999);
    EXPECT_EQ(tTravelWhenHeld(0xFFFFFFFF), kMaxT - kMinT + 1);
}

TEST_F(Frame, SpaceWhilePausedClearsTheStringAndKeepsKAndT)
{
    pushKey(SDLK_LEFT);
    pushKey(SDLK_UP);
    pushMotion(30, 30);
    pushButton(SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONDOWN);
    runFrame(loop);
    pushButton(SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONUP);
    pushKey(SDLK_RETURN);
    pushKey(SDLK_SPACE);
    runFrame(loop);
    runFrame(loop);
    EXPECT_FALSE(loop.running);
    EXPECT_EQ(countPixels(screen, white()), 640);
    EXPECT_EQ(countPixels(screen, red()), 0);
    EXPECT_EQ(caption(), "Vibrelle : k=0.890000 et t=2");
}

TEST_F(Frame, EscapeEndsTheLoopAfterTheRestOfTheFrame)
{
    pushMotion(10, 300);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
    pushKey(SDLK_ESCAPE);
    pushKey(SDLK_RIGHT); // still handled: the drain empties the queue
    int frames = 0;
    while (!loop.quit) {
        runFrame(loop);
        ++frames;
    }
    EXPECT_EQ(frames, 1);
    // Edited to 60, then stepped with the new k: 60 + 0.91 * (-120 / 2).
    EXPECT_DOUBLE_EQ(loop.state.pos[10], 5.4);
    EXPECT_EQ(rowsWith(screen, 10, white()), "245");
    EXPECT_EQ(caption(), "Vibrelle : k=0.910000 et t=1");
}

TEST_F(Frame, ClosingTheWindowEndsTheLoopAfterTheRestOfTheFrame)
{
    pushQuit();
    runFrame(loop);
    EXPECT_TRUE(loop.quit);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=1");
    EXPECT_EQ(countPixels(screen, white()), 640);
}

TEST_F(Frame, OtherKeysAndKeyReleasesChangeNothing)
{
    for (SDLKey key : {SDLK_a, SDLK_q, SDLK_TAB, SDLK_BACKSPACE, SDLK_KP_ENTER, SDLK_LSHIFT, SDLK_F1, SDLK_PAGEUP})
        pushKey(key);
    for (SDLKey key : {SDLK_ESCAPE, SDLK_RETURN, SDLK_SPACE, SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_DOWN})
        pushKey(key, SDL_KEYUP);
    loop.state.pos[5] = 12.0;
    runFrame(loop);
    EXPECT_FALSE(loop.quit);
    EXPECT_TRUE(loop.running);
    EXPECT_EQ(loop.state.k, 0.9);
    EXPECT_EQ(loop.state.t, 1);
    EXPECT_NE(loop.state.pos[5], 0.0);
}

#if WAVESTRING_PACED
TEST_F(Frame, UpAndDownSetThePauseFrom0To1000)
{
    EXPECT_EQ(framePause(loop.state), 1u);
    pressKey(SDLK_DOWN);
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=0");
    EXPECT_EQ(framePause(loop.state), 0u);
    pressKey(SDLK_DOWN);
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=0");
    loop.state.t = 999;
    pressKey(SDLK_UP);
    pressKey(SDLK_UP);
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=1000");
    EXPECT_EQ(framePause(loop.state), 1000u);
}

TEST_F(Frame, AFrameLastsAtLeastTMilliseconds)
{
    loop.state.t = 300;
    const Uint32 start = SDL_GetTicks();
    runFrame(loop);
    EXPECT_GE(SDL_GetTicks() - start, 300u);
}

// What a frame drew is shown for the whole of its pause: the first frame,
// and one with a pause of a refresh or more, present before they pause.
TEST_F(Frame, AFramePresentsBeforeItsPause)
{
    loop.state.t = 40;
    runFrame(loop);
    ASSERT_GT(loop.presentedCount, 0);
    EXPECT_GE(clockMicroseconds() - loop.presentedAt, 40000);
    const std::int64_t first = loop.presentedAt;
    pushMotion(100, 340);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
    runFrame(loop);
    ASSERT_GT(loop.presentedAt, first);
    EXPECT_GE(clockMicroseconds() - loop.presentedAt, 40000);
}

TEST_F(Frame, MiddleClickShowsNothingAndItsReleaseEndsADrag)
{
    pushMotion(60, 60);
    pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONDOWN);
    runFrame(loop);
    EXPECT_EQ(countPixels(screen, white()), 640);
    EXPECT_EQ(rowsWith(screen, 60, white()), "240");
    pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONUP);
    pushButton(SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN);
    runFrame(loop);
    EXPECT_EQ(loop.mouse.mode, MouseMode::SetPosition);
    pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONDOWN);
    pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONUP);
    runFrame(loop);
    EXPECT_EQ(loop.mouse.mode, MouseMode::None);
}
#else
TEST_F(Frame, PauseIsOneMillisecondWhateverT)
{
    loop.state.t = 1000;
    EXPECT_EQ(framePause(loop.state), 1u);
}

TEST_F(Frame, MiddleClickShowsAGreenDotUnderTheCursor)
{
    pushKey(SDLK_RETURN);
    pushMotion(60, 200);
    pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONDOWN);
    runFrame(loop);
    pushButton(SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONUP);
    runFrame(loop);
    EXPECT_EQ(rowsWith(screen, 60, green()), "200");
    EXPECT_EQ(rowsWith(screen, 60, red()), "240");
    EXPECT_EQ(countPixels(screen, green()), 1);
    EXPECT_EQ(countPixels(screen, white()), 639);
}

TEST_F(Frame, TStopsAt1And1000InTheCaption)
{
    pressKey(SDLK_DOWN);
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=1");
    loop.state.t = 999;
    pressKey(SDLK_UP);
    pressKey(SDLK_UP);
    runFrame(loop);
    EXPECT_EQ(caption(), "Vibrelle : k=0.900000 et t=1000");
}
#endif

static bool presentsWholeWindow(const LoopState& loop)
{
    const SDL_Rect& rect = loop.presentedRects[0];
    return loop.presentedCount == 1 && rect.x == 0 && rect.y == 0 && rect.w == 640 && rect.h == 480;
}

static bool sameRect(const SDL_Rect& rect, int x, int y, int w, int h)
{
    return rect.x == x && rect.y == y && rect.w == w && rect.h == h;
}

// Erasing only the last frame's dots must leave the surface exactly as a
// clear and a full redraw would. The changes are presented at the display's
// pace: each present covers every pixel changed since the last one, nothing
// waits a whole refresh interval unpresented, and a long pause, an expose and
// the first frame present at once. A long session of random input on a
// clock of the test's own, with k and t pushed to their bounds, dots clamped
// to the edge rows, pauses of every length, Space, and the window exposed now
// and then.
class ErasingSession : public DummyWindow {
protected:
    Uint16 anyOf(int size)
    {
        const unsigned pick = random() % 4;
        return static_cast<Uint16>(pick == 0 ? 0 : pick == 1 ? size - 1 : random() % size);
    }

    // Separate presses, each released: a held key would act once.
    void pressKeys(SDLKey key, int count)
    {
        for (int n = 0; n < count; ++n)
            pressKey(key);
    }

    // Returns whether it exposed the window.
    bool randomInput()
    {
        const Uint8 buttons[] = {SDL_BUTTON_LEFT, SDL_BUTTON_MIDDLE, SDL_BUTTON_RIGHT};
        const unsigned action = random() % 40;
        if (action < 5)
            pushMotion(anyOf(kWindowWidth), anyOf(kWindowHeight));
        else if (action < 10)
            pushButton(buttons[random() % 3], action < 8 ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP);
        else if (action == 10)
            pressKey(random() % 2 ? SDLK_RETURN : SDLK_SPACE);
        else if (action == 11) { // k next to a bound, then past it
            loop.state.k = random() % 2 ? 0.98 : 0.02;
            pressKeys(random() % 2 ? SDLK_LEFT : SDLK_RIGHT, 3);
        } else if (action == 12) { // t next to a bound, then past it
            loop.state.t = random() % 2 ? kMaxT - 1 : kMinT + 1;
            pressKeys(random() % 2 ? SDLK_UP : SDLK_DOWN, 3);
        } else if (action == 13) // a point far off the window: its dots stick to an edge row
            (random() % 2 ? loop.state.pos : loop.state.vel)[random() % kWindowWidth] = random() % 2 ? 1e6 : -1e6;
        else if (action == 14) {
            push(exposeEvent());
            return true;
        }
        return false;
    }

    // Mostly wavestring's 1 ms, or none; now and then shorter than a refresh
    // interval, or as long or longer.
    Uint32 randomPause()
    {
        const unsigned pick = random() % 20;
        return pick < 14 ? pick % 2 : pick < 18 ? 2 + random() % 15 : 16 + random() % 30;
    }

    bool presented(int x, int y) const
    {
        for (int r = 0; r < loop.presentedCount; ++r) {
            const SDL_Rect& rect = loop.presentedRects[static_cast<std::size_t>(r)];
            if (x >= rect.x && x < rect.x + rect.w && y >= rect.y && y < rect.y + rect.h)
                return true;
        }
        return false;
    }

    std::mt19937 random{20261207};
};

TEST_F(ErasingSession, EveryFrameEqualsAFullRedrawAndEveryChangeIsPresentedInTime)
{
    SDL_Surface* reference = makeSurface(kWindowWidth, kWindowHeight);
    SDL_Surface* shown = makeSurface(kWindowWidth, kWindowHeight); // as last presented
    const std::size_t rowBytes = 4 * kWindowWidth;
    const std::int64_t refresh = loop.refreshUs;
    SDL_FillRect(screen, nullptr, red()); // whatever was there before the first frame
    std::int64_t now = 5000;               // the test's clock, in microseconds
    std::int64_t unpresentedSince = -1;    // when the screen first differed from shown
    std::int64_t lastPresent = -refresh;
    int framesWithRed = 0; // counted now and then: the session does move the string
    int paced = 0, atOnce = 0;
    for (int frame = 0; frame < 4000; ++frame) {
        const bool exposed = frame % 5 != 4 && randomInput();
        const Uint32 pause = randomPause();
        updateFrame(loop);

        SDL_FillRect(reference, nullptr, black());
        for (int i = 0; i < kWindowWidth; ++i)
            drawColumn(reference, loop.state, i, loop.colours);
        for (int y = 0; y < kWindowHeight; ++y)
            ASSERT_EQ(std::memcmp(pixelAddress(screen, 0, y), pixelAddress(reference, 0, y), rowBytes), 0)
                << "frame " << frame << ", row " << y;
        const bool changed = std::memcmp(screen->pixels, shown->pixels, rowBytes * kWindowHeight) != 0;
        if (changed && unpresentedSince < 0)
            unpresentedSince = now;

        if (presentChanges(loop, pause, now)) {
            if (frame == 0 || exposed) {
                ASSERT_TRUE(presentsWholeWindow(loop)) << "frame " << frame;
                ++atOnce;
            } else if (pause * 1000 < refresh) {
                ASSERT_GT(now / refresh, lastPresent / refresh) << "frame " << frame << ": two presents in one refresh";
                ++paced;
            }
            lastPresent = now;
            for (int y = 0; y < kWindowHeight; ++y) {
                if (std::memcmp(pixelAddress(screen, 0, y), pixelAddress(shown, 0, y), rowBytes) == 0)
                    continue;
                for (int x = 0; x < kWindowWidth; ++x)
                    if (pixelAt(screen, x, y) != pixelAt(shown, x, y)) {
                        ASSERT_TRUE(presented(x, y)) << "frame " << frame << ", column " << x << ", row " << y;
                    }
            }
            SDL_BlitSurface(screen, nullptr, shown, nullptr);
            unpresentedSince = -1;
        } else {
            ASSERT_FALSE(frame == 0 || exposed) << "frame " << frame;
            ASSERT_FALSE(changed && pause * 1000 >= refresh) << "frame " << frame << ": a long pause, unpresented";
            if (unpresentedSince >= 0) {
                ASSERT_LT(now - unpresentedSince, refresh) << "frame " << frame << ": unpresented too long";
            }
        }
        // The pause, and the frame's work of 20 to 500 us.
        now += pause * 1000 + 20 + random() % 481;
        if (frame % 100 == 99 && countPixels(screen, red()) != 0)
            ++framesWithRed;
    }
    EXPECT_GT(framesWithRed, 10);
    // Most frames wait for the next refresh, and both kinds of present come often.
    EXPECT_GT(paced, 300);
    EXPECT_GT(atOnce, 50);
    SDL_FreeSurface(shown);
    SDL_FreeSurface(reference);
}

TEST_F(Frame, RefreshIntervalsAreRoundedDownAndTaken60HzWhenUnknown)
{
    EXPECT_EQ(displayRefreshRate(), 0); // SDL's dummy driver tells no rate
    EXPECT_EQ(loop.refreshUs, 16666);
    EXPECT_EQ(refreshInterval(0), 16666);
    EXPECT_EQ(refreshInterval(-1), 16666);
    EXPECT_EQ(refreshInterval(60), 16666);
    EXPECT_EQ(refreshInterval(75), 13333);
    EXPECT_EQ(refreshInterval(144), 6944);
    EXPECT_EQ(refreshInterval(240), 4166);
}

// The changes of the frames within one refresh interval are presented
// together, in the first frame of the next interval.
TEST_F(Frame, ChangesArePresentedTogetherOncePerRefresh)
{
    const std::int64_t refresh = loop.refreshUs;
    const std::int64_t start = 100 * refresh + 40;
    updateFrame(loop);
    EXPECT_TRUE(presentChanges(loop, 1, start));
    EXPECT_TRUE(presentsWholeWindow(loop)) << "the first frame";
    pushKey(SDLK_RETURN);
    updateFrame(loop);
    EXPECT_FALSE(presentChanges(loop, 1, start + 1000)) << "a string at rest changes nothing";

    loop.state.pos[7] = 3.0;
    updateFrame(loop);
    EXPECT_FALSE(presentChanges(loop, 1, start + 2000));
    loop.state.pos[300] = -5.0;
    updateFrame(loop);
    EXPECT_FALSE(presentChanges(loop, 1, 101 * refresh - 1));
    updateFrame(loop);
    ASSERT_TRUE(presentChanges(loop, 1, 101 * refresh));
    // Column 7: the white dot goes from row 240 to 243 and uncovers the red
    // one; column 300: it goes up to 235. One rectangle per strip.
    ASSERT_EQ(loop.presentedCount, 2);
    EXPECT_TRUE(sameRect(loop.presentedRects[0], 7, 240, 1, 4));
    EXPECT_TRUE(sameRect(loop.presentedRects[1], 300, 235, 1, 6));

    // Two changes in one strip, one presented band over both.
    loop.state.pos[8] = -2.0;
    updateFrame(loop);
    loop.state.pos[3] = 10.0;
    updateFrame(loop);
    EXPECT_FALSE(presentChanges(loop, 1, 102 * refresh - 1));
    ASSERT_TRUE(presentChanges(loop, 1, 102 * refresh + 900));
    ASSERT_EQ(loop.presentedCount, 1);
    EXPECT_TRUE(sameRect(loop.presentedRects[0], 3, 238, 6, 13));

    // After refreshes with nothing to present, a change is presented at once.
    loop.state.pos[639] = 1.0;
    updateFrame(loop);
    ASSERT_TRUE(presentChanges(loop, 1, 110 * refresh + 5000));
    EXPECT_TRUE(sameRect(loop.presentedRects[0], 639, 240, 1, 2));
}

// The window exposed, or shown again, is drawn and presented whole by the
// next frame at once, even right after a present; so is a change before a
// pause of a refresh interval or more.
TEST_F(Frame, ExposesAndLongPausesPresentAtOnce)
{
    const std::int64_t refresh = loop.refreshUs;
    updateFrame(loop);
    EXPECT_TRUE(presentChanges(loop, 1, refresh));
    push(exposeEvent());
    updateFrame(loop);
    EXPECT_TRUE(presentChanges(loop, 1, refresh + 10));
    EXPECT_TRUE(presentsWholeWindow(loop));
    SDL_Event shownAgain{};
    shownAgain.type = SDL_ACTIVEEVENT;
    shownAgain.active.gain = 1;
    shownAgain.active.state = SDL_APPACTIVE;
    push(shownAgain);
    updateFrame(loop);
    EXPECT_TRUE(presentChanges(loop, 1, refresh + 20));
    EXPECT_TRUE(presentsWholeWindow(loop));

    pushKey(SDLK_RETURN);
    loop.state.pos[7] = 3.0;
    updateFrame(loop);
    EXPECT_FALSE(presentChanges(loop, 16, refresh + 30)) << "16 ms is less than a refresh interval";
    EXPECT_TRUE(presentChanges(loop, 17, refresh + 40));
    ASSERT_EQ(loop.presentedCount, 1);
    EXPECT_TRUE(sameRect(loop.presentedRects[0], 7, 240, 1, 4));
}

#if WAVESTRING_PACED
// At a t of a refresh interval or more, each frame is presented before its
// pause, whatever the clock.
TEST_F(Frame, FramesWithALongPauseAreEachPresented)
{
    loop.state.t = 17;
    pushKey(SDLK_RETURN);
    runFrame(loop);
    EXPECT_TRUE(presentsWholeWindow(loop));
    for (int x : {7, 40, 300}) {
        loop.state.pos[x] = 3.0;
        runFrame(loop);
        ASSERT_EQ(loop.presentedCount, 1);
        EXPECT_TRUE(sameRect(loop.presentedRects[0], x, 240, 1, 4));
    }
}
#endif

// A web page presents what changed in every animation frame, whatever the
// clock says: everything at first, then only the changes, and nothing when
// nothing changed.
TEST_F(Frame, PresentNowPresentsTheChangesWhateverTheClock)
{
    updateFrame(loop);
    EXPECT_TRUE(presentNow(loop, 0));
    EXPECT_TRUE(presentsWholeWindow(loop));
    pushKey(SDLK_RETURN);
    updateFrame(loop);
    EXPECT_FALSE(presentNow(loop, 10)) << "a string at rest changes nothing";
    loop.state.pos[7] = 3.0;
    updateFrame(loop);
    ASSERT_TRUE(presentNow(loop, 20)) << "a microsecond later, in the same refresh interval";
    ASSERT_EQ(loop.presentedCount, 1);
    EXPECT_TRUE(sameRect(loop.presentedRects[0], 7, 240, 1, 4));
}

// The work budget of a web page's animation frames (work_budget.h), at
// 60 Hz: steps of 1000 / 60 ms, or two of them for a dropped frame.
static void nextAnimationFrame(WorkBudget& budget, double& now, double workMs, int refreshes = 1)
{
    endAnimationFrame(budget, workMs);
    now += refreshes * 1000.0 / 60;
    startAnimationFrame(budget, now);
}

TEST(WorkBudget, GrowsOnTimeAndShrinksOnlyForLateFramesThePageMayHaveCaused)
{
    WorkBudget budget;
    double now = 5000;
    startAnimationFrame(budget, now);
    EXPECT_NEAR(budgetMs(budget), 0.5 * 1000 / 60, 1e-9) << "half of 60 Hz's interval at first";
    for (int i = 0; i < 10; ++i)
        nextAnimationFrame(budget, now, 8.3);
    EXPECT_NEAR(budget.share, 0.53, 1e-9) << "0.003 more for each animation frame on time";
    nextAnimationFrame(budget, now, 8.9, 2);
    EXPECT_NEAR(budget.share, 0.53 * 0.75, 1e-9) << "late after 8.9 ms of the page's own work";
    nextAnimationFrame(budget, now, 4.0, 2);
    EXPECT_NEAR(budget.share, 0.53 * 0.75, 1e-9) << "late after 4 ms, under a quarter of the interval: not the page's";
    EXPECT_NEAR(budget.refreshMs, 1000.0 / 60 * 1.01 * 1.01, 1e-9) << "late frames stretch the interval by 1 % each";
    for (int i = 0; i < 10; ++i)
        nextAnimationFrame(budget, now, 12, 3);
    EXPECT_NEAR(budget.share, kMinShare, 1e-9);
    for (int i = 0; i < 200; ++i)
        nextAnimationFrame(budget, now, 12);
    EXPECT_NEAR(budget.share, kMaxShare, 1e-9);
    EXPECT_NEAR(budgetMs(budget), 12.5, 1e-9);
}

// The refresh interval is the shortest gap, at once; a longer one is taken
// by 1 % per animation frame.
TEST(WorkBudget, LearnsTheDisplaysRefreshInterval)
{
    WorkBudget budget;
    double now = 100;
    startAnimationFrame(budget, now);
    for (int i = 0; i < 3; ++i) {
        endAnimationFrame(budget, 1);
        startAnimationFrame(budget, now += 1000.0 / 120);
    }
    EXPECT_NEAR(budget.refreshMs, 1000.0 / 120, 1e-9);
    EXPECT_NEAR(budgetMs(budget), 0.509 * 1000 / 120, 1e-9);
    for (int i = 0; i < 3; ++i) {
        endAnimationFrame(budget, 1);
        startAnimationFrame(budget, now += 1000.0 / 60);
    }
    EXPECT_NEAR(budget.refreshMs, 1000.0 / 120 * 1.01 * 1.01 * 1.01, 1e-9);
    for (int i = 0; i < 100; ++i) {
        endAnimationFrame(budget, 1);
        startAnimationFrame(budget, now += 1000.0 / 60);
    }
    EXPECT_NEAR(budget.refreshMs, 1000.0 / 60, 1e-9);
}
