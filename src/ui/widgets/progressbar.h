// Progress bar adapter: drives a QProgressBar synchronously from an engine's progressIndicator,
// repainting only when the bar visibly moves (not on every row of a tall picture).
#pragma once
#include "imagedata/progress.h"

class QProgressBar;

class progressBar {
public:
    explicit progressBar(QProgressBar *bar);
    QProgressBar *widget() const { return bar; }
    const progressIndicator *indicator() const { return &callbacks; }

private:
    QProgressBar *bar;
    progressIndicator callbacks;
    int lastShown = 0;
};
