#include "brushtool.h"

#include "colour/colorcontrol.h"
#include "colour/sharedrandom.h"
#include "imagedata/myimagearray.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
constexpr QRgb white = 0xFFFFFFFF;
constexpr QRgb black = 0xFF000000;
constexpr QRgb silver = 0xFFC0C0C0;

// Outline of the rectangle (left, top, right, bottom) with right and bottom exclusive.
void frame(QImage &image, int left, int top, int right, int bottom, QRgb colour)
{
    const int w = image.width(), h = image.height();
    auto put = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < w && y < h) image.setPixel(x, y, colour);
    };
    for (int x = left; x < right; ++x) {
        put(x, top);
        put(x, bottom - 1);
    }
    for (int y = top; y < bottom; ++y) {
        put(left, y);
        put(right - 1, y);
    }
}

// Blends the colour into the n × n corner of the planes (rows tableSide apart), each pixel by its
// strength in the air profile, in percent. from and to may be the same planes.
void blendAirProfile(const std::vector<int> &profile, std::uint32_t colour, const std::uint8_t *const from[3],
                     std::uint8_t *const to[3], int n)
{
    int rgb[3];
    splitColor(colour, rgb[0], rgb[1], rgb[2]);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const std::size_t pos = std::size_t(r) * brushTool::tableSide + c;
            const double strength = profile[pos] * 0.01;
            for (int k = 0; k < 3; ++k) {
                const int p = from[k][pos];
                to[k][pos] = static_cast<std::uint8_t>(static_cast<int>((rgb[k] - p) * strength + p));
            }
        }
}

QImage blankBitmap()
{
    QImage bitmap(brushTool::tableSide, brushTool::tableSide, QImage::Format_RGB32);
    bitmap.fill(white);
    return bitmap;
}

} // namespace

brushTool::brushTool()
    : dabBitmap(blankBitmap()), dabSourceBitmap(blankBitmap()), airSampleBitmap(blankBitmap()),
      waterSampleBitmap(blankBitmap()), airProfile(std::size_t(tableSide) * tableSide, 0),
      waterProfile(std::size_t(tableSide) * tableSide, 0)
{
}

int brushTool::oddSize(int position)
{
    return std::max(std::min(position, tableSide), 3) | 1;
}

void brushTool::setup(bool air, const settings &bars, QImage *graph, QImage *sample, std::uint32_t colour)
{
    const int graphWidth = graph ? graph->width() : tableSide;
    const int graphHeight = graph ? graph->height() : 105;

    const int c = graphHeight - 3;
    const int position = bars.size;
    const int size = oddSize(position);
    (air ? airBrushSize : waterBrushSize) = size;
    // The airbrush graph is scaled by the bar's raw position, the water brush's by its odd size.
    const int p = air ? std::max(position, 1) : size;
    const double a = 201.0 / p / std::max(graphWidth / 2, 1);
    const int density = bars.density;
    const int densityMaximum = bars.densityMaximum != 0 ? bars.densityMaximum : 100;
    const double q = static_cast<double>(density) / densityMaximum * c;
    const int shape = bars.shape;
    const double v = shape != 0 ? shape * 0.1 : 0.0001;

    buildProfile(size, air ? airProfile : waterProfile, v, density);
    drawProfileGraph(graph, a, q, v, c);
    if (air)
        drawAirBrushSample(colour, sample);
    else
        drawWaterBrushSample(sample);
}

void brushTool::buildProfile(int n, std::vector<int> &table, double v, int density)
{
    n = std::clamp(n, 3, tableSide);
    table.resize(std::size_t(tableSide) * tableSide, 0);
    const int b = (n - 1) / 2;
    const double exponent = std::pow(10.0, v);
    sharedRandom &random = sharedRandom::instance();
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double d = std::sqrt(static_cast<double>((j - b) * (j - b) + (i - b) * (i - b)));
            const int r = random.bit();
            const double e = 1.0 - (d + r) / b;
            table[std::size_t(i) * tableSide + j] = e > 0 ? static_cast<int>(std::pow(e, exponent) * density) : 0;
        }
    }
}

void brushTool::drawProfileGraph(QImage *image, double a, double q, double v, int c)
{
    if (!image) return;
    QImage &canvas = *image;
    const int w = canvas.width(), h = canvas.height();
    canvas.fill(white);
    frame(canvas, 0, 0, w, h - 1, silver);
    const double exponent = std::pow(10.0, v);
    for (int x = 0; x < w; ++x) {
        const int distance = std::abs(x - w / 2);
        const double d = 1.0 - distance * a;
        const int top = d > 0 ? static_cast<int>(c - std::pow(d, exponent) * q) : c;
        // A line from (x, c) towards (x, top): the end point itself is not drawn.
        for (int y = c; y > top; --y)
            if (y >= 0 && y < h) canvas.setPixel(x, y, black);
    }
}

void brushTool::drawAirBrushSample(std::uint32_t colour, QImage *image)
{
    airSampleBitmap.fill(white);
    {
        myImageArray planes(airSampleBitmap);
        std::uint8_t *plane[3] = {planes.redPlane.get(), planes.greenPlane.get(), planes.bluePlane.get()};
        blendAirProfile(airProfile, colour, plane, plane, std::clamp(airBrushSize, 3, tableSide));
        planes.storeToBitmap();
    }
    if (!image) return;
    QImage &canvas = *image;
    canvas.fill(white);
    const int corner = 100 - (airBrushSize - 1) / 2;
    copyPixelBlock(airSampleBitmap, 0, 0, canvas, corner, corner, tableSide, tableSide);
    frame(canvas, 0, 0, canvas.width(), canvas.height(), silver);
}

void brushTool::drawWaterBrushSample(QImage *image)
{
    const int w = image ? image->width() : tableSide;
    const int h = image ? image->height() : tableSide;
    waterSampleBitmap.fill(white);
    const int sw = waterSampleBitmap.width(), sh = waterSampleBitmap.height();
    for (int x = 0; x <= w; x += 10)
        for (int y = 0; y < h; ++y)
            if (x < sw && y < sh) waterSampleBitmap.setPixel(x, y, black);
    for (int y = 0; y <= h; y += 10)
        for (int x = 0; x < w; ++x)
            if (x < sw && y < sh) waterSampleBitmap.setPixel(x, y, black);

    applyDab(waterSampleBitmap, 0xFFFFFFu, w / 2, h / 2, waterKind);
    if (!image) return;
    QImage &canvas = *image;
    canvas.fill(white);
    copyPixelBlock(waterSampleBitmap, 0, 0, canvas, 0, 0, sw, sh);
    // The n × n dab goes onto n − 1 pixels each way (a nearest-neighbour shrink).
    const int n = waterBrushSize;
    const int left = w / 2 - n / 2, top = h / 2 - n / 2;
    const int side = 2 * (n / 2);
    if (side > 0) {
        QImage dab = dabBitmap.copy(0, 0, n, n);
        QImage shrunk(side, side, QImage::Format_RGB32);
        shrunk.fill(white);
        stretchCopy(dab, shrunk);
        copyPixelBlock(shrunk, 0, 0, canvas, left, top, side, side);
    }
}

void brushTool::applyDab(const QImage &source, std::uint32_t colour, int x, int y, int kind)
{
    const int n = std::clamp(kind == airKind ? airBrushSize : waterBrushSize, 3, tableSide);
    const int e = (n - 1) / 2;
    // The square (x − e, y − e)–(x + e, y + e), right and bottom exclusive: (n − 1)² pixels. The
    // last row and column of dabSourceBitmap keep what they held.
    copyPixelBlock(source, x - e, y - e, dabSourceBitmap, 0, 0, n - 1, n - 1);

    myImageArray from(dabSourceBitmap);
    myImageArray to(dabBitmap);
    const std::uint8_t *src[3] = {from.redPlane.get(), from.greenPlane.get(), from.bluePlane.get()};
    std::uint8_t *dab[3] = {to.redPlane.get(), to.greenPlane.get(), to.bluePlane.get()};
    constexpr int side = tableSide;
    if (kind == airKind) {
        blendAirProfile(airProfile, colour, src, dab, n);
    } else if (kind == waterKind) {
        // Box sums from a table of sums over the refreshed (n − 1) × (n − 1) corner:
        // sums[(r + 1) · side + c + 1] is the sum of src over rows 0..r and columns 0..c.
        const int last = n - 2; // rows and columns 0 .. n − 2 were refreshed from the source
        waterSums.assign(std::size_t(side) * side, 0);
        for (int p = 0; p < 3; ++p) {
            int *sums = waterSums.data();
            for (int r = 0; r <= last; ++r) {
                const std::uint8_t *row = src[p] + std::size_t(r) * side;
                int rowSum = 0;
                for (int c = 0; c <= last; ++c) {
                    rowSum += row[c];
                    sums[std::size_t(r + 1) * side + c + 1] = sums[std::size_t(r) * side + c + 1] + rowSum;
                }
            }
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) {
                    const std::size_t pos = std::size_t(r) * side + c;
                    const int k = std::max(waterProfile[pos] / 10 / 2, 0);
                    const int r0 = std::max(r - k, 0), r1 = std::min(r + k, last);
                    const int c0 = std::max(c - k, 0), c1 = std::min(c + k, last);
                    if (r0 > r1 || c0 > c1) {
                        dab[p][pos] = src[p][pos];
                        continue;
                    }
                    const int count = (r1 - r0 + 1) * (c1 - c0 + 1);
                    const int sum = sums[std::size_t(r1 + 1) * side + c1 + 1] - sums[std::size_t(r0) * side + c1 + 1] -
                                    sums[std::size_t(r1 + 1) * side + c0] + sums[std::size_t(r0) * side + c0];
                    dab[p][pos] = static_cast<std::uint8_t>(sum / count);
                }
        }
    }
    to.storeToBitmap();
}
