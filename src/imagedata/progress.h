// Progress reporting of the engines: a long operation tells its maximum, then a position after
// each row, and resets the position to 0 when it is done. The window drives its progress bar
// from this; tests and korvia-batch may leave both callbacks empty.
//
// A run can also be stopped from outside: while cancelRequested answers true, the next row
// reported throws operationCancelled, and so do the worker pool's runs started under a
// cancelScope for this indicator (workerpool.h) before each band they have not begun. The
// engines write only into pictures the caller lets go of on a cancel, so a stopped run changes
// nothing the user sees.
#pragma once
#include <functional>

// Thrown out of a run that was cancelled; the caller drops what the run was making.
struct operationCancelled {};

struct progressIndicator {
    std::function<void(int)> onMaximum;
    std::function<void(int)> onPosition;
    // Asked from every thread of a run (it must be cheap and thread-safe: an atomic's load).
    std::function<bool()> cancelRequested;

    bool cancelled() const { return cancelRequested && cancelRequested(); }
    void checkCancelled() const
    {
        if (cancelled()) throw operationCancelled{};
    }
    void setMaximum(int maximum) const { if (onMaximum) onMaximum(maximum); }
    void setPosition(int position) const
    {
        checkCancelled();
        if (onPosition) onPosition(position);
    }
};
