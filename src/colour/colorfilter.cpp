#include "colorfilter.h"

void colorFilter::run()
{
    pixelCount = width * height;
    if (progressBar) progressBar->setMaximum(height);
    switch (filterType) {
    case 1: rgbShift(); break;
    case 2: brightChromaHue(); break;
    case 4: emboss(); break;
    case 5: motionBlur(); break;
    case 6: mosaic(); break;
    case 7: colorLevels(); break;
    case 8: case 9: case 10: monochrome(filterType); break;
    case 11: case 12: case 13: case 14: toneCurve(filterType); break;
    case 15: sharpen(); break;
    case 16: softFocus(); break;
    case 17: medianFilter(); break;
    case 101: fringeBrightCircle(); break;
    case 102: fringeBrightSquare(); break;
    case 105: case 106: paint(filterType); break;
    case 107: fringeBlur(); break;
    default: break;
    }
    if (progressBar) progressBar->setPosition(0);
}

// Placeholders until the adjustments land.
void colorFilter::rgbShift() {}
void colorFilter::brightChromaHue() {}
void colorFilter::colorLevels() {}
void colorFilter::monochrome(int) {}
