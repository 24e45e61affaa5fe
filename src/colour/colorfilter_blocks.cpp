#include "colorfilter.h"

// Placeholders until mosaic and noise removal land.
void colorFilter::mosaic() {}
void colorFilter::medianFilter() {}
