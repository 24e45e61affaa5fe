#include "pagelayout.h"

#include <algorithm>
#include <cmath>

namespace {
// Real to integer, cutting toward zero.
int toInt(double v)
{
    return static_cast<int>(v);
}
} // namespace

pagePlacement layoutPage(const deviceCapabilities &device)
{
    pagePlacement page;
    if (device.paperWidth <= 0 || device.paperHeight <= 0) return page;
    const double size = printPreviewSize;
    const double s = std::min(size / device.paperHeight, size / device.paperWidth);
    page.previewScale = s;

    rectangle &paper = page.paperRect;
    paper.left = toInt((size - device.paperWidth * s) * 0.5);
    paper.right = paper.left + toInt(device.paperWidth * s);
    paper.top = toInt((size - device.paperHeight * s) * 0.5);
    paper.bottom = paper.top + toInt(device.paperHeight * s);

    rectangle &printable = page.printableRect;
    printable.left = paper.left + toInt(device.offsetX * s);
    printable.right = printable.left + toInt(device.printableWidth * s);
    printable.top = paper.top + toInt(device.offsetY * s);
    printable.bottom = printable.top + toInt(device.printableHeight * s);
    return page;
}

rectangle fitPicture(const rectangle &area, int width, int height)
{
    rectangle r{area.left, area.top, area.left, area.top};
    if (width <= 0 || height <= 0) return r;
    const double w = width, h = height;
    const double aw = area.right - area.left, ah = area.bottom - area.top;
    const double k = std::min(aw / w, ah / h);
    r.left = area.left + toInt((aw - w * k) * 0.5);
    r.right = r.left + toInt(k * w);
    r.top = area.top + toInt((ah - k * h) * 0.5);
    r.bottom = r.top + toInt(k * h);
    return r;
}

rectangle resizeKeepingAspect(const rectangle &rect, int mode, int width, int height, int pressWidth,
                              int pressHeight, double aspectRatio)
{
    if (mode < int(dragTopLeft) || mode > int(dragBottomRight) || pressWidth == 0 || pressHeight == 0) return rect;
    const double k = std::min(std::abs(double(width)) / pressWidth, std::abs(double(height)) / pressHeight);
    const int nw = toInt(pressWidth * k);
    const int nh = toInt(nw * aspectRatio);
    rectangle r = rect;
    switch (mode) {
    case dragTopLeft: // the bottom-right corner stays
        r.left = r.right - nw;
        r.top = r.bottom - nh;
        break;
    case dragTopRight:
        r.right = r.left + nw;
        r.top = r.bottom - nh;
        break;
    case dragBottomLeft:
        r.left = r.right - nw;
        r.bottom = r.top + nh;
        break;
    default: // dragBottomRight
        r.right = r.left + nw;
        r.bottom = r.top + nh;
        break;
    }
    return r;
}

rectangle deviceRectangle(const rectangle &rect, const rectangle &printableRect, double previewScale)
{
    rectangle d;
    if (previewScale <= 0) return d;
    d.left = toInt((rect.left - printableRect.left) / previewScale);
    d.right = d.left + toInt((rect.right - rect.left) / previewScale);
    d.top = toInt((rect.top - printableRect.top) / previewScale);
    d.bottom = d.top + toInt((rect.bottom - rect.top) / previewScale);
    return d;
}

double millimetres(double devicePixels, int dpi)
{
    return dpi > 0 ? devicePixels / dpi * 25.4 : 0.0;
}

QString millimetreText(double millimetres)
{
    return QString::number(millimetres, 'f', 1);
}
