// The slide-in's arithmetic: where each tick puts the window.
#include <gtest/gtest.h>

#include "stats/SlideStep.h"

namespace {

// Runs the slide from a window of the given height starting with its top on
// workBottom; returns the number of ticks until it rests.
int SlideToRest(int height, int workBottom, int* finalTop)
{
    int top = workBottom;
    for (int ticks = 1; ticks < 10000; ++ticks) {
        SlideStep step = NextSlideStep(top, top + height, workBottom);
        top = step.top;
        if (step.finished) {
            *finalTop = top;
            return ticks;
        }
    }
    return -1;
}

TEST(NextSlideStep, EvenHeightRestsWithBottomOnWorkArea)
{
    int top = 0;
    // 100 rising ticks, then the tick that finds it in place.
    EXPECT_EQ(SlideToRest(200, 740, &top), 101);
    EXPECT_EQ(top, 540);
}

TEST(NextSlideStep, OddHeightTakesBackTheOvershootingPixel)
{
    // A 201-pixel window one step from the end reaches 1 pixel too far...
    SlideStep step = NextSlideStep(540, 741, 740);
    EXPECT_FALSE(step.finished);
    EXPECT_EQ(step.top, 538);
    // ...and the next tick sets it back with its bottom on the work area.
    step = NextSlideStep(538, 739, 740);
    EXPECT_TRUE(step.finished);
    EXPECT_EQ(step.top, 539);
    int top = 0;
    EXPECT_EQ(SlideToRest(201, 740, &top), 102);
    EXPECT_EQ(top, 539);
}

TEST(NextSlideStep, WindowAlreadyInPlaceStopsAtOnce)
{
    SlideStep step = NextSlideStep(540, 740, 740);
    EXPECT_TRUE(step.finished);
    EXPECT_EQ(step.top, 540);
}

} // namespace
