// A rectangle in a control's pixels, x to the right and y downward; right and bottom are inclusive.
#pragma once

struct rectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// A point in a control's pixels.
struct point {
    int x = 0;
    int y = 0;
};
