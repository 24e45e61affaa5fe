// Kernel filters: sharpen (15), soft focus (16), emboss (4) and motion blur (5).
#include "colorfilter.h"
#include "colorcontrol.h"
#include "filterkernels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

namespace {
using plane = std::unique_ptr<std::uint8_t[]>;

plane copyOf(const std::uint8_t *source, std::size_t count)
{
    plane copy(new std::uint8_t[count]);
    std::memcpy(copy.get(), source, count);
    return copy;
}

inline int clampByte(int value)
{
    if (value > 255) value = 255;
    if (value < 0) value = 0;
    return value;
}
} // namespace

void colorFilter::sharpen()
{
    if (width < 3 || height < 3) return;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    plane copies[3] = {copyOf(redPlane, count), copyOf(greenPlane, count), copyOf(bluePlane, count)};
    const double f = edgeLevel * 0.1;
    for (int y = 1; y <= height - 2; ++y) {
        for (int x = 1; x <= width - 2; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            for (int p = 0; p < 3; ++p) {
                const std::uint8_t *s = copies[p].get();
                const int centre = s[at];
                const int laplace = s[at - width] + s[at + width] + s[at - 1] + s[at + 1] - 4 * centre;
                const int b = static_cast<int>(laplace * f);
                planes[p][at] = static_cast<std::uint8_t>(clampByte(centre - b));
            }
        }
        reportRow(y);
    }
}

void colorFilter::softFocus()
{
    const double r = softCoreLevel * 0.01;
    const double q = 1 - r;
    int n = 0;
    const std::vector<int> kernel = softFocusKernel(softSize, n);
    if (n < 1) return;
    const int h = n / 2;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    plane copies[3] = {plane(new std::uint8_t[count]), plane(new std::uint8_t[count]), plane(new std::uint8_t[count])};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum = 0;
            int acc[3] = {0, 0, 0};
            for (int dy = -h; dy <= h; ++dy) {
                const int yy = y + dy;
                if (yy < 0 || yy >= height) continue;
                for (int dx = -h; dx <= h; ++dx) {
                    const int xx = x + dx;
                    if (xx < 0 || xx >= width) continue;
                    const int w = kernel[static_cast<std::size_t>(dy + h) * n + dx + h];
                    sum += w;
                    const std::size_t at = static_cast<std::size_t>(yy) * width + xx;
                    for (int p = 0; p < 3; ++p) acc[p] += (w * planes[p][at]) >> 8;
                }
            }
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            for (int p = 0; p < 3; ++p) {
                const int blurred = std::min(static_cast<int>(acc[p] * (255 / sum)), 255);
                copies[p][at] = static_cast<std::uint8_t>(static_cast<int>(q * blurred + r * planes[p][at]));
            }
        }
        reportRow(y);
    }
    for (int p = 0; p < 3; ++p) std::memcpy(planes[p], copies[p].get(), count);
}

void colorFilter::emboss()
{
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    plane copies[3] = {copyOf(redPlane, count), copyOf(greenPlane, count), copyOf(bluePlane, count)};
    int base[3];
    splitColor(drawColor, base[0], base[1], base[2]);
    const int level = embosseLevel;
    const int *kernel = embossKernel(embossAngle);

    bright = 0;
    chroma = -255;
    hue = 0;
    brightChromaHue();

    const std::uint8_t *grey = redPlane;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double relief = 0;
            if (!(x - 1 < 0 || y - 1 < 0 || x + 1 > width - 1 || y + 1 > height - 1)) {
                int s = 0;
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c)
                        s += kernel[r * 3 + c] * grey[static_cast<std::size_t>(y + r - 1) * width + x + c - 1];
                relief = s * level * 0.01;
            }
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            for (int p = 0; p < 3; ++p)
                copies[p][at] = static_cast<std::uint8_t>(clampByte(static_cast<int>(relief) + base[p]));
        }
        reportRow(y);
    }
    for (int p = 0; p < 3; ++p) std::memcpy(planes[p], copies[p].get(), count);
}

void colorFilter::motionBlur()
{
    const int m = vibrateSize;
    if (m < 1) return;
    const int a = 2 * m + 1;
    const std::vector<int> kernel = motionBlurKernel(m, vibrateAngle);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    plane copies[3] = {plane(new std::uint8_t[count]), plane(new std::uint8_t[count]), plane(new std::uint8_t[count])};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int acc[3] = {0, 0, 0};
            for (int dy = -m; dy <= m; ++dy) {
                const int yy = y + dy;
                if (yy < 0 || yy >= height) continue;
                for (int dx = -m; dx <= m; ++dx) {
                    const int xx = x + dx;
                    if (xx < 0 || xx >= width) continue;
                    const int w = kernel[static_cast<std::size_t>(dy + m) * a + dx + m];
                    const std::size_t at = static_cast<std::size_t>(yy) * width + xx;
                    for (int p = 0; p < 3; ++p) acc[p] += (w * planes[p][at]) >> 8;
                }
            }
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            for (int p = 0; p < 3; ++p) copies[p][at] = static_cast<std::uint8_t>(std::min(acc[p] / a, 255));
        }
        reportRow(y);
    }
    for (int p = 0; p < 3; ++p) std::memcpy(planes[p], copies[p].get(), count);
}
