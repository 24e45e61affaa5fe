// Fringe effects: brightness change toward the picture's rim (circle or square band) and a blur
// that grows with the distance from the centre. The boundary is roughened by draws from the
// shared random generator, one draw per pixel (two for the blur), in row-major order.
#include "colorcontrol.h"
#include "colorfilter.h"
#include "sharedrandom.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

inline int clampByte(int value)
{
    if (value > 255) value = 255;
    if (value < 0) value = 0;
    return value;
}

// Adds change to the luma of the pixel at index i, keeping hue and chroma.
inline void shiftLuma(std::uint8_t *red, std::uint8_t *green, std::uint8_t *blue, int i, int change)
{
    colorTriple rgb{red[i], green[i], blue[i]};
    colorTriple yhc;
    rgbToYhc(rgb, yhc);
    yhc.first = clampByte(yhc.first + change);
    yhcToRgb(rgb, yhc);
    red[i] = static_cast<std::uint8_t>(clampByte(rgb.first));
    green[i] = static_cast<std::uint8_t>(clampByte(rgb.second));
    blue[i] = static_cast<std::uint8_t>(clampByte(rgb.third));
}

// Half diagonal of the picture.
inline double halfDiagonal(int width, int height)
{
    const double halfWidth = width * 0.5;
    const double halfHeight = height * 0.5;
    return std::sqrt(halfWidth * halfWidth + halfHeight * halfHeight);
}

// sum / n for the box means, by one multiplication with the box's reciprocal; the product is
// within a millionth of the true quotient, so one step up or down makes it exact.
inline std::uint32_t exactQuotient(std::uint32_t sum, std::uint32_t n, double inverse)
{
    std::uint32_t q = static_cast<std::uint32_t>(sum * inverse);
    const std::uint64_t product = static_cast<std::uint64_t>(q) * n;
    if (product > sum) --q;
    else if (product + n <= sum) ++q;
    return q;
}

} // namespace

void colorFilter::fringeBrightCircle()
{
    sharedRandom &random = sharedRandom::instance();
    const int half = fringeSize / 2;
    const double factor = fringeLevel / halfDiagonal(width, height);
    const double centreX = width * 0.5;
    const double centreY = height * 0.5;
    for (int y = 0; y < height; ++y) {
        const double dy = y - centreY;
        for (int x = 0; x < width; ++x) {
            const int e = half + random.below(15);
            const double dx = x - centreX;
            const int dist = static_cast<int>(std::sqrt(dx * dx + dy * dy));
            if (e < dist) {
                const int change = static_cast<int>(factor * (dist - e));
                if (change != 0) shiftLuma(redPlane, greenPlane, bluePlane, y * width + x, change);
            }
        }
        reportRow(y);
    }
}

void colorFilter::fringeBrightSquare()
{
    sharedRandom &random = sharedRandom::instance();
    // A band of size 0 has no depth to spread the level over: its pixels keep their luma.
    const double factor = fringeSize != 0 ? static_cast<double>(fringeLevel) / fringeSize : 0.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int c = std::min(std::min(y, x), std::min(height - y, width - x));
            const int f = fringeSize + random.below(10);
            if (c < f) {
                const int change = fringeSize != 0 ? static_cast<int>((f - c) * factor) : 0;
                shiftLuma(redPlane, greenPlane, bluePlane, y * width + x, change);
            }
        }
        reportRow(y);
    }
}

// The box means come from a summed-area table of the picture as it was before the run. Only
// the table rows that the boxes of the current band of rows can reach are kept, in a ring: they
// are built ahead of the band from plane rows that are still unchanged, so no plane copies are
// needed. The table wraps modulo 2^32, which leaves every box sum exact: a box holds at most
// (2h + 1)² pixels, and h stays below 256 whenever the picture has more than 2^32 / 255 pixels
// (h ≤ k · (D + 14) / 2 = density · (D + 14) / (2D)).
// The random draws stay in row order: a first pass over the band's rows decides every pixel's
// box, a second pass takes the means tile by tile, so the table cells a tile reads stay in cache.
void colorFilter::fringeBlur()
{
    if (width <= 0 || height <= 0) return;
    sharedRandom &random = sharedRandom::instance();
    const int size = outFocusSize;
    const int density = outFocusDensity | 1;
    const double diagonal = halfDiagonal(width, height);
    const double k = density / diagonal;
    const double centreX = width * 0.5;
    const double centreY = height * 0.5;

    // The largest box half-size any pixel can get: the corner distance plus the largest jitter.
    int reach = 0;
    {
        const int farthest = static_cast<int>(diagonal) + 14;
        const int o = farthest - size / 2;
        if (o > 0) reach = static_cast<int>(k * o) >> 1;
        reach = std::min(reach, std::max(width, height));
    }
    constexpr int band = 64;
    constexpr int tile = 64;
    const int ringRows = std::min(band + 2 * reach + 2, height + 1);
    const std::size_t stride = static_cast<std::size_t>(width + 1) * 3;
    std::vector<std::uint32_t> ring(static_cast<std::size_t>(ringRows) * stride, 0);
    std::vector<std::uint32_t *> rowOf(static_cast<std::size_t>(height) + 1);
    for (int j = 0; j <= height; ++j) rowOf[j] = ring.data() + static_cast<std::size_t>(j % ringRows) * stride;
    int built = 0; // table rows 0 .. built are ready (row 0 is all zero)
    auto buildUpTo = [&](int last) {
        last = std::min(last, height);
        for (; built < last; ++built) {
            const std::uint32_t *above = rowOf[built];
            std::uint32_t *row = rowOf[built + 1];
            const std::size_t source = static_cast<std::size_t>(built) * width;
            std::uint32_t runRed = 0, runGreen = 0, runBlue = 0;
            row[0] = row[1] = row[2] = 0;
            for (int x = 0; x < width; ++x) {
                runRed += redPlane[source + x];
                runGreen += greenPlane[source + x];
                runBlue += bluePlane[source + x];
                const std::size_t c = static_cast<std::size_t>(x + 1) * 3;
                row[c] = above[c] + runRed;
                row[c + 1] = above[c + 1] + runGreen;
                row[c + 2] = above[c + 2] + runBlue;
            }
        }
    };

    // Box half-size of each pixel of the band; 0 for pixels left as they are.
    std::vector<int> halves(static_cast<std::size_t>(band) * width);
    for (int bandTop = 0; bandTop < height; bandTop += band) {
        const int bandBottom = std::min(height, bandTop + band); // exclusive
        buildUpTo(bandBottom + reach);
        for (int y = bandTop; y < bandBottom; ++y) {
            const double dy = y - centreY;
            int *half = halves.data() + static_cast<std::size_t>(y - bandTop) * width;
            for (int x = 0; x < width; ++x) {
                const double dx = x - centreX;
                const int l = static_cast<int>(std::sqrt(dx * dx + dy * dy)) + random.below(15);
                const int o = l - size / 2;
                const int r = static_cast<int>(k * o);
                const int t = random.below(15) + size;
                half[x] = t / 2 < l ? std::min(r >> 1, reach) : 0;
            }
        }
        for (int tileLeft = 0; tileLeft < width; tileLeft += tile) {
            const int tileRight = std::min(width, tileLeft + tile); // exclusive
            for (int y = bandTop; y < bandBottom; ++y) {
                const int *half = halves.data() + static_cast<std::size_t>(y - bandTop) * width;
                const std::size_t rowStart = static_cast<std::size_t>(y) * width;
                for (int x = tileLeft; x < tileRight; ++x) {
                    const int h = half[x];
                    if (h <= 0) continue; // a box of one pixel keeps it
                    const int left = std::max(0, x - h), right = std::min(width - 1, x + h);
                    const int top = std::max(0, y - h), bottom = std::min(height - 1, y + h);
                    const std::uint32_t *upper = rowOf[top];
                    const std::uint32_t *lower = rowOf[bottom + 1];
                    const std::size_t a = static_cast<std::size_t>(left) * 3;
                    const std::size_t b = static_cast<std::size_t>(right + 1) * 3;
                    const std::uint32_t n = static_cast<std::uint32_t>(right - left + 1) *
                                            static_cast<std::uint32_t>(bottom - top + 1);
                    const std::uint32_t sumRed = lower[b] - lower[a] - upper[b] + upper[a];
                    const std::uint32_t sumGreen = lower[b + 1] - lower[a + 1] - upper[b + 1] + upper[a + 1];
                    const std::uint32_t sumBlue = lower[b + 2] - lower[a + 2] - upper[b + 2] + upper[a + 2];
                    const double inverse = 1.0 / n;
                    redPlane[rowStart + x] = static_cast<std::uint8_t>(exactQuotient(sumRed, n, inverse));
                    greenPlane[rowStart + x] = static_cast<std::uint8_t>(exactQuotient(sumGreen, n, inverse));
                    bluePlane[rowStart + x] = static_cast<std::uint8_t>(exactQuotient(sumBlue, n, inverse));
                }
            }
        }
        for (int y = bandTop; y < bandBottom; ++y) reportRow(y);
    }
}
