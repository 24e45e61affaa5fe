#include "shapeexecute.h"

#include "shaperules.h"

#include "imagedata/messagesink.h"
#include "imagedata/myimagearray.h"
#include "imagedata/picturememory.h"
#include "imagedata/quarterturns.h"
#include "imagedata/vectorpaths.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <initializer_list>
#include <new>
#include <numbers>

namespace {

const char *const copyFailedText = "Could not load or alter bitmap";

// The code's family; unknown codes have none and leave the destination untouched.
bool isFamily(std::uint32_t code, std::initializer_list<shapeFamily> families)
{
    const shapeDescription *d = describeShape(code);
    if (!d) return false;
    for (shapeFamily f : families)
        if (d->family == f) return true;
    return false;
}

// The source's three planes, one set for the run.
struct sourcePlanes {
    pictureBytes red, green, blue;

    explicit sourcePlanes(const QImage &source)
    {
        const std::size_t count = static_cast<std::size_t>(source.width()) * static_cast<std::size_t>(source.height());
        red = borrowPictureBytes(count);
        green = borrowPictureBytes(count);
        blue = borrowPictureBytes(count);
        bitmapToPlanes(source, red.get(), green.get(), blue.get());
    }
};

// Pixels of another format are read from a 32-bit copy; throws std::bad_alloc when it cannot be made.
QImage thirtyTwoBit(const QImage &source)
{
    if (source.depth() == 32) return source;
    QImage copy = source.convertToFormat(QImage::Format_RGB32);
    if (copy.isNull()) throw std::bad_alloc();
    return copy;
}

std::uint8_t roundedByte(double v)
{
    // The default rounding mode: to the nearest integer, ties to the even one.
    return static_cast<std::uint8_t>(std::nearbyint(v));
}

// The plain resampling, pixel by pixel from the source planes.
void resamplePlain(const resampleRule &rule, const QImage &source, QImage &destination,
                   std::uint32_t backgroundColor, const progressIndicator *progress)
{
    const int W = rule.width, H = rule.height;
    const std::uint8_t backRed = backgroundColor & 0xFF, backGreen = (backgroundColor >> 8) & 0xFF,
                       backBlue = (backgroundColor >> 16) & 0xFF;
    const sourcePlanes planes(source);
    std::uint8_t *bits = destination.bits();
    if (!bits) throw std::bad_alloc();
    const qsizetype stride = destination.bytesPerLine();
    if (progress) progress->setMaximum(rule.destinationHeight - 1);
    forEachBand(rule.destinationHeight, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            std::uint8_t *p = bits + stride * y;
            for (int x = 0; x < rule.destinationWidth; ++x) {
                double u = 0, v = 0;
                rule.position(x, y, u, v);
                const double ixd = std::floor(u), iyd = std::floor(v);
                const double fx = u - ixd, fy = v - iyd;
                // Compared as reals, so that a position far outside never overflows an integer.
                if (!(iyd >= 0 && iyd <= H - 2 && ixd >= 0 && ixd <= W - 2)) {
                    p[x * 4] = backBlue;
                    p[x * 4 + 1] = backGreen;
                    p[x * 4 + 2] = backRed;
                    continue;
                }
                const std::size_t ix = static_cast<std::size_t>(ixd), r0 = static_cast<std::size_t>(iyd);
                const std::size_t i00 = r0 * static_cast<std::size_t>(W) + ix, i10 = i00 + static_cast<std::size_t>(W);
                const std::uint8_t *const channels[3] = {planes.blue.get(), planes.green.get(), planes.red.get()};
                for (int b = 0; b < 3; ++b) {
                    const std::uint8_t *plane = channels[b];
                    p[x * 4 + b] = roundedByte(bilinear(plane[i00], plane[i00 + 1], plane[i10], plane[i10 + 1], fx, fy));
                }
            }
        }
    }, progressRows(progress));
}

} // namespace

rectangle shapeSettings::trimEdges(int sourceWidth, int sourceHeight) const
{
    rectangle r;
    r.left = std::clamp(trimLeft, 0, std::max(sourceWidth - 1, 0));
    r.right = std::clamp(trimRight, r.left, std::max(sourceWidth - 1, r.left));
    r.top = std::clamp(trimTop, 0, std::max(sourceHeight - 1, 0));
    r.bottom = std::clamp(trimBottom, r.top, std::max(sourceHeight - 1, r.top));
    return r;
}

void shapeExecute::executeShape(const QImage &source, QImage &destination, std::uint32_t backgroundColor)
{
    if (progressBar) progressBar->setMaximum(destination.height());
    if (isFamily(shapeType, {shapeFamily::resample}))
        resampleShape(source, destination, backgroundColor);
    else if (isFamily(shapeType, {shapeFamily::move, shapeFamily::trim}))
        moveShape(source, destination);
    if (progressBar) progressBar->setPosition(0);
}

void shapeExecute::moveShape(const QImage &original, QImage &destination)
{
    if (original.width() < 1 || original.height() < 1 || destination.width() < 1 || destination.height() < 1) return;
    if (destination.depth() != 32) return;
    const QImage source = thirtyTwoBit(original);
    if (!destination.bits()) throw std::bad_alloc(); // a shared destination that cannot be made its own
    const shapeDescription *description = describeShape(shapeType);
    if (description && description->family == shapeFamily::trim) {
        // The kept rectangle, read in place, moves as it is.
        const rectangle t = trimEdges(source.width(), source.height());
        const QImage kept(source.constScanLine(t.top) + qsizetype(t.left) * 4, t.right - t.left + 1, t.bottom - t.top + 1,
                          source.bytesPerLine(), source.format());
        turnPicture(kept, destination, pixelTurn::none, fourthByte::kept, progressBar);
    } else {
        turnPicture(source, destination, description ? description->turn : pixelTurn::none, fourthByte::kept,
                    progressBar);
    }
}

void shapeExecute::resampleShape(const QImage &original, QImage &destination, std::uint32_t backgroundColor)
{
    try {
        if (original.width() < 1 || original.height() < 1 || destination.width() < 1 || destination.height() < 1)
            return;
        if (destination.depth() != 32) return;
        const QImage source = thirtyTwoBit(original);
        const resampleRule rule(*this, source.width(), source.height(), destination.width(), destination.height());
        if (vectorUnitsInUse().avx2 && resampleVector(rule, source, destination, backgroundColor, progressBar)) return;
        resamplePlain(rule, source, destination, backgroundColor, progressBar);
    } catch (const std::exception &) {
        showMessage(QString::fromUtf8(copyFailedText));
    }
}
