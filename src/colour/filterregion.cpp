#include "filterregion.h"

#include "imagedata/myimagearray.h"

#include <algorithm>
#include <cmath>

filterReach filterReachOf(const colorFilter &filter, int width, int height)
{
    const filterDescription *d = describeFilter(filter.filterType);
    return d && d->reach ? d->reach(filter, width, height) : filterReach{};
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
    if (area.isEmpty() || picture.format() != QImage::Format_RGB32) return QImage();
    const QRect source = filterSourceRect(filter, picture.width(), picture.height(), area);
    // The source pixels are read in place, through a bitmap over the picture's own rows.
    QImage reading = pictureArea(picture, source);
    myImageArray planes(reading);
    struct borrowed {
        colorFilter &f;
        ~borrowed()
        {
            f.frameLeft = f.frameTop = f.frameWidth = f.frameHeight = 0;
            f.redPlane = f.greenPlane = f.bluePlane = nullptr;
        }
    } restore{filter};
    filter.frameLeft = source.left();
    filter.frameTop = source.top();
    filter.frameWidth = picture.width();
    filter.frameHeight = picture.height();
    filter.runOnPlanes(planes);
    // The wanted pixels with the picture's fourth bytes, as a whole run leaves them.
    QImage result(area.size(), QImage::Format_RGB32);
    const int dx = area.left() - source.left(), dy = area.top() - source.top();
    for (int y = 0; y < area.height(); ++y) {
        const std::size_t at = static_cast<std::size_t>(y + dy) * planes.width + dx;
        const std::uint8_t *red = planes.redPlane.get() + at, *green = planes.greenPlane.get() + at,
                           *blue = planes.bluePlane.get() + at;
        const auto *from = reinterpret_cast<const QRgb *>(picture.constScanLine(area.top() + y)) + area.left();
        auto *row = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            row[x] = (from[x] & 0xFF000000u) | (QRgb(red[x]) << 16) | (QRgb(green[x]) << 8) | blue[x];
    }
    return result;
}

QImage pictureArea(const QImage &picture, const QRect &area)
{
    return QImage(picture.constBits() + qsizetype(area.top()) * picture.bytesPerLine() + qsizetype(area.left()) * 4,
                  area.width(), area.height(), picture.bytesPerLine(), QImage::Format_RGB32);
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
