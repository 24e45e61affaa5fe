#include "filterregion.h"

#include "filterkernels.h"
#include "fringeblur.h"
#include "imagedata/myimagearray.h"

#include <algorithm>
#include <cmath>

filterReach filterReachOf(const colorFilter &filter, int width, int height)
{
    filterReach reach;
    switch (filter.filterType) {
    case filterEmboss:
    case filterSharpen:
        reach.margin = 1; // 3 × 3 kernels
        break;
    case filterMotionBlur:
        reach.margin = std::max(filter.vibrateSize, 0);
        break;
    case filterMosaic:
        reach.tile = std::max(filter.mosaicSize, 1);
        break;
    case filterSoftFocus: {
        int n = 0;
        softFocusKernel(filter.softSize, n);
        reach.margin = n / 2;
        break;
    }
    case filterMedian:
        reach.margin = (filter.medianSize | 1) / 2;
        break;
    case filterPaintNormal:
    case filterPaintPointillism: {
        // The regions span d = s / 2 + 1 pixels; the normal style's rays one more beside them.
        const int s = std::max(3, filter.paintSize) | 1;
        reach.margin = s / 2 + 2;
        break;
    }
    case filterFringeBlur:
        reach.margin = fringeBlurReach(width, height, filter.outFocusSize, filter.outFocusDensity | 1);
        break;
    default: // the per-pixel colour operations and the fringe brightness bands
        break;
    }
    return reach;
}

QRect filterSourceRect(const colorFilter &filter, int width, int height, const QRect &wanted)
{
    const QRect picture(0, 0, width, height);
    const filterReach reach = filterReachOf(filter, width, height);
    if (reach.whole) return picture;
    const QRect grown = wanted.adjusted(-reach.margin, -reach.margin, reach.margin, reach.margin).intersected(picture);
    if (grown.isEmpty() || reach.tile <= 1) return grown;
    const int t = reach.tile;
    const auto down = [t](int v) { return v / t * t; }; // v ≥ 0
    return QRect(QPoint(down(grown.left()), down(grown.top())),
                 QPoint(down(grown.right()) + t - 1, down(grown.bottom()) + t - 1))
        .intersected(picture);
}

QImage runFilterOnRegion(colorFilter &filter, const QImage &picture, const QRect &wanted)
{
    const QRect area = wanted.intersected(picture.rect());
    if (area.isEmpty()) return QImage();
    const QRect source = filterSourceRect(filter, picture.width(), picture.height(), area);
    QImage part = source == picture.rect() ? picture.copy() : picture.copy(source);
    struct frameSet {
        colorFilter &f;
        ~frameSet() { f.frameLeft = f.frameTop = f.frameWidth = f.frameHeight = 0; }
    } restore{filter};
    filter.frameLeft = source.left();
    filter.frameTop = source.top();
    filter.frameWidth = picture.width();
    filter.frameHeight = picture.height();
    filter.runOnBitmap(part);
    if (source == area) return part;
    return part.copy(area.translated(-source.topLeft()));
}

bool filterIsPerPixel(const colorFilter &filter, int width, int height)
{
    const filterReach reach = filterReachOf(filter, width, height);
    return !reach.whole && reach.margin == 0 && reach.tile <= 1;
}

QImage quickFilterLook(colorFilter filter, const QImage &source, int maximumPixels)
{
    if (source.isNull()) return QImage();
    filter.frameLeft = filter.frameTop = filter.frameWidth = filter.frameHeight = 0;
    const double pixels = double(source.width()) * source.height();
    if (pixels <= maximumPixels || maximumPixels <= 0) {
        QImage result = source.copy();
        filter.runOnBitmap(result);
        return result;
    }
    const double shrink = std::sqrt(maximumPixels / pixels);
    QImage reduced(std::max(1, int(source.width() * shrink)), std::max(1, int(source.height() * shrink)),
                   QImage::Format_RGB32);
    stretchCopy(source, reduced);
    filter.runOnBitmap(reduced);
    QImage result(source.size(), QImage::Format_RGB32);
    stretchCopy(reduced, result);
    return result;
}
