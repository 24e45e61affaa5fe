// A picture the tests of the window's file commands open and save: 8 x 6, its left half black and
// its right half a warm colour.
#pragma once
#include "test_mainform_support.h"

#include <QImage>

inline QImage halvesPicture()
{
    QImage p = testing_support::filledPicture(8, 6, qRgb(0, 0, 0));
    for (int y = 0; y < 6; ++y)
        for (int x = 4; x < 8; ++x) p.setPixel(x, y, qRgb(200, 100, 50));
    return p;
}
