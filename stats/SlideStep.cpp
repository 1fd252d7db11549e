#include "stats/SlideStep.h"

SlideStep NextSlideStep(int top, int bottom, int workBottom)
{
    if (bottom > workBottom)
        return {top - kSlideStepPixels, false};
    return {workBottom - (bottom - top), true};
}
