// Mouse editing on the model: modes, the cursor, and the worked example of a
// held left button.
#include <gtest/gtest.h>

#include "mouse.h"

namespace {

constexpr int kCentre = 240;

// One frame of the model as the frame loop runs it, without drawing.
void frame(MouseState& mouse, StringState& state, bool running = true)
{
    applyMouseMode(mouse, state, kCentre);
    if (running)
        stepString(state);
}

} // namespace

TEST(MouseEditing, HeldLeftButtonDrivesThePointUnderTheCursor)
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 100, 340); // height 100
    pressButton(mouse, kLeftButton);

    frame(mouse, state);
    EXPECT_EQ(state.pos[100], 10.0);
    EXPECT_EQ(state.pos[99], 45.0);
    EXPECT_EQ(state.pos[101], 45.0);
    EXPECT_EQ(state.vel[100], -90.0);
    EXPECT_EQ(state.pos[98], 0.0);

    frame(mouse, state);
    EXPECT_EQ(state.pos[100], -30.5);
    EXPECT_EQ(state.pos[99], 90.0);
    EXPECT_EQ(state.pos[101], 90.0);
    EXPECT_EQ(mouse.mode, MouseMode::SetPosition);
}

TEST(MouseEditing, RightButtonSetsTheVelocity)
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 10, 0); // top row: height -240
    pressButton(mouse, kRightButton);
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(state.vel[10], -240.0);
    EXPECT_EQ(state.pos[10], 0.0);
}

TEST(MouseEditing, ModesFollowTheLastPressAndAnyReleaseEndsThem)
{
    StringState state = makeString(640);
    MouseState mouse;
    pressButton(mouse, kLeftButton);
    EXPECT_EQ(mouse.mode, MouseMode::SetPosition);
    pressButton(mouse, kRightButton);
    EXPECT_EQ(mouse.mode, MouseMode::SetVelocity);
    pressButton(mouse, 4); // the wheel
    pressButton(mouse, 5);
    pressButton(mouse, 200);
    EXPECT_EQ(mouse.mode, MouseMode::SetVelocity);
    applyMouseMode(mouse, state, kCentre);
    releaseButton(mouse); // whichever button it was
    EXPECT_EQ(mouse.mode, MouseMode::None);
}

// A click or a tap: the press and its release before any frame. The press
// makes its edit in one frame, then the release ends it; a release and a new
// press leave the button held; the wheel's release ends a drag at once.
TEST(MouseEditing, AQuickClickEditsInOneFrame)
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 100, 340); // height 100
    for (int button : {kRightButton, kLeftButton}) { // the last click wins
        pressButton(mouse, button);
        releaseButton(mouse);
    }
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(state.pos[100], 100.0);
    EXPECT_EQ(state.vel[100], 0.0);
    EXPECT_EQ(mouse.mode, MouseMode::None);

    // The pointer moved on after the click, before the frame: the edit is
    // made where the button was released.
    pressButton(mouse, kRightButton);
    releaseButton(mouse);
    moveCursor(mouse, 300, 40);
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(state.vel[100], 100.0);
    EXPECT_EQ(state.vel[300], 0.0);

    releaseButton(mouse);
    pressButton(mouse, kRightButton);
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(mouse.mode, MouseMode::SetVelocity);
    pressButton(mouse, 4);
    releaseButton(mouse);
    EXPECT_EQ(mouse.mode, MouseMode::None);
}

TEST(MouseEditing, NoEditBeforeTheCursorHasMoved)
{
    StringState state = makeString(640);
    MouseState mouse;
    pressButton(mouse, kRightButton); // a click, then the first motion
    releaseButton(mouse);
    moveCursor(mouse, 0, 0);
    frame(mouse, state);
    ASSERT_EQ(state.vel[0], 0.0);
    mouse = MouseState{};
    pressButton(mouse, kLeftButton);
    frame(mouse, state);
    for (int i = 0; i < 640; ++i)
        ASSERT_EQ(state.pos[i], 0.0);
}

TEST(MouseEditing, ACursorOutsideTheStringEditsNothing)
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 640, 300);
    pressButton(mouse, kLeftButton);
    applyMouseMode(mouse, state, kCentre);
    moveCursor(mouse, 65535, 65535);
    pressButton(mouse, kRightButton);
    applyMouseMode(mouse, state, kCentre);
    for (int i = 0; i < 640; ++i) {
        ASSERT_EQ(state.pos[i], 0.0);
        ASSERT_EQ(state.vel[i], 0.0);
    }
    EXPECT_EQ(state.pos.size(), 640u);
}

TEST(MouseEditing, EditsWhilePausedStayAsMade)
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 300, 200);
    pressButton(mouse, kLeftButton);
    for (int n = 0; n < 5; ++n)
        frame(mouse, state, false);
    releaseButton(mouse);
    frame(mouse, state, false);
    EXPECT_EQ(state.pos[300], -40.0);
    EXPECT_EQ(state.pos[299], 0.0);
    EXPECT_EQ(state.vel[300], 0.0);
}

#if WAVESTRING_PACED
TEST(MouseEditing, TheMiddleButtonDoesNothing)
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 50, 100);
    pressButton(mouse, kMiddleButton);
    EXPECT_EQ(mouse.mode, MouseMode::None);
    pressButton(mouse, kLeftButton);
    pressButton(mouse, kMiddleButton);
    EXPECT_EQ(mouse.mode, MouseMode::SetPosition);
    releaseButton(mouse); // a quick click of the middle button after the left
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(state.pos[50], -140.0);
    EXPECT_EQ(mouse.mode, MouseMode::None);
}
#else
TEST(MouseEditing, MiddleClickTogglesOnceAtTheCursorHeight)
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 50, 100); // height -140
    pressButton(mouse, kMiddleButton);
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(state.anchored[50], 1);
    EXPECT_EQ(state.pos[50], -140.0);
    EXPECT_EQ(mouse.mode, MouseMode::None);
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(state.anchored[50], 1) << "toggles once per click";

    moveCursor(mouse, 50, 300); // a quick second click frees it at the new height
    pressButton(mouse, kMiddleButton);
    releaseButton(mouse);
    applyMouseMode(mouse, state, kCentre);
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(state.anchored[50], 0);
    EXPECT_EQ(state.pos[50], 60.0);
}

TEST(MouseEditing, MiddleClickOnTheCentreRowAnchorsAtZero)
{
    StringState state = makeString(640);
    MouseState mouse;
    moveCursor(mouse, 0, 240);
    pressButton(mouse, kMiddleButton);
    frame(mouse, state);
    EXPECT_EQ(state.anchored[0], 1);
    EXPECT_EQ(state.pos[0], 0.0);
}

TEST(MouseEditing, AMiddleClickWithNoCursorYetIsDropped)
{
    StringState state = makeString(640);
    MouseState mouse;
    pressButton(mouse, kMiddleButton);
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(mouse.mode, MouseMode::None);
    moveCursor(mouse, 5, 5);
    applyMouseMode(mouse, state, kCentre);
    EXPECT_EQ(state.anchored[5], 0);
}

TEST(MouseEditing, LeftDragOverAnAnchorMovesIt)
{
    StringState state = makeString(640);
    state.anchored[70] = 1;
    MouseState mouse;
    moveCursor(mouse, 70, 280);
    pressButton(mouse, kLeftButton);
    frame(mouse, state);
    EXPECT_EQ(state.pos[70], 40.0);
    EXPECT_EQ(state.vel[70], 0.0);
}

TEST(MouseEditing, RightButtonOnAnAnchorIsUndoneByTheStep)
{
    StringState state = makeString(640);
    state.anchored[70] = 1;
    MouseState mouse;
    moveCursor(mouse, 70, 400);
    pressButton(mouse, kRightButton);
    frame(mouse, state, false);
    EXPECT_EQ(state.vel[70], 160.0) << "shown while paused";
    frame(mouse, state);
    EXPECT_EQ(state.vel[70], 0.0);
    EXPECT_EQ(state.pos[70], 0.0);
}
#endif
