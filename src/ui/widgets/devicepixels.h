// A view's size in the screen's pixels: its size in widget units times the screen's scale (2 on
// a display scaled ×2), rounded. Zoom factors count these pixels: at 100 % one picture pixel is
// one of them. The drawing surface of imageControl has this size.
#pragma once
#include <QSize>

inline QSize viewPixelSize(QSize units, double pixelRatio)
{
    if (pixelRatio == 1.0) return units;
    return QSize(int(units.width() * pixelRatio + 0.5), int(units.height() * pixelRatio + 0.5));
}
