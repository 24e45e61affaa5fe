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

void colorFilter::fringeBlur()
{
    if (width <= 0 || height <= 0) return;
    sharedRandom &random = sharedRandom::instance();
    const int size = outFocusSize;
    const int density = outFocusDensity | 1;
    const double k = density / halfDiagonal(width, height);
    const double centreX = width * 0.5;
    const double centreY = height * 0.5;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const std::vector<std::uint8_t> redCopy(redPlane, redPlane + count);
    const std::vector<std::uint8_t> greenCopy(greenPlane, greenPlane + count);
    const std::vector<std::uint8_t> blueCopy(bluePlane, bluePlane + count);
    for (int y = 0; y < height; ++y) {
        const double dy = y - centreY;
        for (int x = 0; x < width; ++x) {
            const double dx = x - centreX;
            const int l = static_cast<int>(std::sqrt(dx * dx + dy * dy)) + random.below(15);
            const int o = l - size / 2;
            const int r = static_cast<int>(k * o);
            const int t = random.below(15) + size;
            if (!(t / 2 < l)) continue;
            const int h = r >> 1;
            const int left = std::max(0, x - h), right = std::min(width - 1, x + h);
            const int top = std::max(0, y - h), bottom = std::min(height - 1, y + h);
            std::int64_t sumRed = 0, sumGreen = 0, sumBlue = 0;
            for (int v = top; v <= bottom; ++v) {
                const std::size_t row = static_cast<std::size_t>(v) * width;
                for (int u = left; u <= right; ++u) {
                    sumRed += redCopy[row + u];
                    sumGreen += greenCopy[row + u];
                    sumBlue += blueCopy[row + u];
                }
            }
            const std::int64_t n = static_cast<std::int64_t>(right - left + 1) * (bottom - top + 1);
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            redPlane[i] = static_cast<std::uint8_t>(sumRed / n);
            greenPlane[i] = static_cast<std::uint8_t>(sumGreen / n);
            bluePlane[i] = static_cast<std::uint8_t>(sumBlue / n);
        }
        reportRow(y);
    }
}
