#pragma once
// One step of the window's slide-in from below the work area. Portable, so
// the arithmetic is tested natively.

// Pixels the window rises per tick.
const int kSlideStepPixels = 2;

struct SlideStep {
    int top;       // where the window's top edge goes next
    bool finished; // the window has reached its resting place; stop the timer
};

// The window spans top..bottom (screen pixels); workBottom is the bottom of
// the work area. While the window reaches below the work area it rises one
// step; once it does not, it is set with its bottom exactly on workBottom,
// which takes back a last step that went one pixel too far.
SlideStep NextSlideStep(int top, int bottom, int workBottom);
