#include "colorfilter.h"

// Placeholder until the paint filter lands.
void colorFilter::paint(int) {}
