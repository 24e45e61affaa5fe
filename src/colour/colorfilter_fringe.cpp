#include "colorfilter.h"

// Placeholders until the fringe effects land.
void colorFilter::fringeBrightCircle() {}
void colorFilter::fringeBrightSquare() {}
void colorFilter::fringeBlur() {}
