#include "progressbar.h"

#include <QProgressBar>

progressBar::progressBar(QProgressBar *bar) : bar(bar)
{
    callbacks.onMaximum = [this](int maximum) {
        this->bar->setMaximum(maximum > 0 ? maximum : 1);
        this->bar->setValue(0);
        lastShown = 0;
        this->bar->repaint();
    };
    callbacks.onPosition = [this](int position) {
        const int maximum = this->bar->maximum();
        const int step = maximum / 100 > 0 ? maximum / 100 : 1;
        // Repaint only when the bar visibly moves: one percent of the way, or back to the start.
        if (position == 0 ? lastShown != 0 : (position - lastShown >= step || position < lastShown)) {
            this->bar->setValue(qBound(this->bar->minimum(), position, maximum));
            lastShown = position;
            this->bar->repaint();
        }
    };
}
