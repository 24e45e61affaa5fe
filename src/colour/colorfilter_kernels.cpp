#include "colorfilter.h"

// Placeholders until the kernel filters land.
void colorFilter::sharpen() {}
void colorFilter::softFocus() {}
void colorFilter::emboss() {}
void colorFilter::motionBlur() {}
