#include "progressbar.h"

#include <QProgressBar>

namespace {
// QProgressBar repaints by itself on some value changes; the adapter paints exactly once per
// visible move, synchronously, because the event loop does not run during an engine's run.
void show(QProgressBar *bar, int value)
{
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);
    bar->repaint();
}
} // namespace

progressBar::progressBar(QProgressBar *bar) : bar(bar)
{
    callbacks.onMaximum = [this](int maximum) {
        this->bar->setMaximum(maximum > 0 ? maximum : 1);
        lastShown = 0;
        show(this->bar, 0);
    };
    callbacks.onPosition = [this](int position) {
        const int maximum = this->bar->maximum();
        const int step = maximum / 100 > 0 ? maximum / 100 : 1;
        // Repaint only when the bar visibly moves: one percent of the way, or back to the start.
        if (position == 0 ? lastShown != 0 : (position - lastShown >= step || position < lastShown)) {
            lastShown = position;
            show(this->bar, qBound(this->bar->minimum(), position, maximum));
        }
    };
}
