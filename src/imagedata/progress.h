// Progress reporting of the engines: a long operation tells its maximum, then a position after
// each row, and resets the position to 0 when it is done. The window drives its progress bar
// from this; tests and korvia-batch may leave both callbacks empty.
#pragma once
#include <functional>

struct progressIndicator {
    std::function<void(int)> onMaximum;
    std::function<void(int)> onPosition;

    void setMaximum(int maximum) const { if (onMaximum) onMaximum(maximum); }
    void setPosition(int position) const { if (onPosition) onPosition(position); }
};
