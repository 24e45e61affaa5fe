// The kernel filters' straightforward readings (sharpen, soft focus, emboss, motion blur), the
// engine's results with the same settings, and the pictures and sizes the kernel tests run on.
#pragma once
#include "colour/colorcontrol.h"
#include "colour/colorfilter.h"
#include "colour/filterkernels.h"
#include "testplanes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

inline picture uniformPicture(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    picture pic(w, h);
    std::fill(pic.planes[0].begin(), pic.planes[0].end(), r);
    std::fill(pic.planes[1].begin(), pic.planes[1].end(), g);
    std::fill(pic.planes[2].begin(), pic.planes[2].end(), b);
    return pic;
}

inline int clampByte(int v) { return v > 255 ? 255 : v < 0 ? 0 : v; }

// ---- The straightforward readings ----

inline void plainSharpen(picture &pic, int edgeLevel)
{
    if (pic.width < 3 || pic.height < 3) return;
    const picture src = pic;
    const double f = edgeLevel * 0.1;
    for (int y = 1; y <= pic.height - 2; ++y)
        for (int x = 1; x <= pic.width - 2; ++x)
            for (int p = 0; p < 3; ++p) {
                auto v = [&](int xx, int yy) { return int(src.planes[p][std::size_t(yy) * pic.width + xx]); };
                const int l = v(x, y - 1) + v(x, y + 1) + v(x - 1, y) + v(x + 1, y) - 4 * v(x, y);
                const int b = int(l * f);
                pic.at(p, x, y) = std::uint8_t(clampByte(v(x, y) - b));
            }
}

inline void plainSoftFocus(picture &pic, int softSize, int softCoreLevel)
{
    const double r = softCoreLevel * 0.01;
    const double q = 1 - r;
    int n = softSize;
    if (n < 1) return;
    n |= 1;
    if (n < 3) n = 3;
    const int h = n / 2;
    const int c = (n - 1) / 2;
    std::vector<int> w(std::size_t(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            w[i * n + j] = clampByte(int((c - std::sqrt(double((i - c) * (i - c) + (j - c) * (j - c)))) / c * 255));
    const picture src = pic;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            double s = 0;
            int a[3] = {0, 0, 0};
            for (int dy = -h; dy <= h; ++dy)
                for (int dx = -h; dx <= h; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    if (xx < 0 || yy < 0 || xx >= pic.width || yy >= pic.height) continue;
                    const int k = w[(dy + h) * n + dx + h];
                    s += k;
                    for (int p = 0; p < 3; ++p) a[p] += (k * src.planes[p][std::size_t(yy) * pic.width + xx]) >> 8;
                }
            for (int p = 0; p < 3; ++p) {
                const int v = src.planes[p][std::size_t(y) * pic.width + x];
                const int blurred = std::min(int(a[p] * (255 / s)), 255);
                pic.at(p, x, y) = std::uint8_t(int(q * blurred + r * v));
            }
        }
}

inline const int reliefKernels[8][9] = {
    {1, 2, 1, 1, -2, 1, -1, -2, -1},   {1, 1, 2, -1, -2, 1, -2, -1, 1},
    {-1, 1, 1, -2, -2, 2, -1, 1, 1},   {-2, -1, 1, -1, -2, 1, 1, 1, 2},
    {-1, -2, -1, 1, -2, 1, 1, 2, 1},   {1, -1, -2, 1, -2, -1, 2, 1, 1},
    {1, 1, -1, 2, -2, -2, 1, 1, -1},   {2, 1, 1, 1, -2, -1, 1, -1, -2},
};

inline void plainEmboss(picture &pic, int level, int angle, std::uint32_t drawColor)
{
    int base[3];
    splitColor(drawColor, base[0], base[1], base[2]);
    int index = angle / 45;
    if (index > 7) index = 0;
    const int *k = reliefKernels[index];
    // The grey step is the engine's own brightness/chroma/hue adjustment.
    picture grey = pic;
    colorFilter g = engineFor(grey, filterBrightChromaHue);
    g.bright = 0;
    g.chroma = -255;
    g.hue = 0;
    g.run();
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            double relief = 0;
            if (x >= 1 && y >= 1 && x + 1 <= pic.width - 1 && y + 1 <= pic.height - 1) {
                int s = 0;
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c) s += k[r * 3 + c] * grey.at(0, x + c - 1, y + r - 1);
                relief = s * level * 0.01;
            }
            for (int p = 0; p < 3; ++p) pic.at(p, x, y) = std::uint8_t(clampByte(int(relief) + base[p]));
        }
}

inline void plainMotionBlur(picture &pic, int m, int angle)
{
    const int a = 2 * m + 1;
    const std::vector<int> k = motionBlurKernel(m, angle);
    const picture src = pic;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            int acc[3] = {0, 0, 0};
            for (int dy = -m; dy <= m; ++dy)
                for (int dx = -m; dx <= m; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    if (xx < 0 || yy < 0 || xx >= pic.width || yy >= pic.height) continue;
                    const int w = k[(dy + m) * a + dx + m];
                    for (int p = 0; p < 3; ++p) acc[p] += (w * src.planes[p][std::size_t(yy) * pic.width + xx]) >> 8;
                }
            // Sums are never negative within 0..180; beyond it the filter keeps them at 0.
            for (int p = 0; p < 3; ++p) pic.at(p, x, y) = std::uint8_t(clampByte(std::min(acc[p] / a, 255)));
        }
}

// The engine's result on a copy of the picture, with the same settings as the readings above.
inline picture engineSharpen(picture pic, int edgeLevel)
{
    colorFilter f = engineFor(pic, filterSharpen);
    f.edgeLevel = edgeLevel;
    f.run();
    return pic;
}

inline picture engineSoftFocus(picture pic, int softSize, int softCoreLevel)
{
    colorFilter f = engineFor(pic, filterSoftFocus);
    f.softSize = softSize;
    f.softCoreLevel = softCoreLevel;
    f.run();
    return pic;
}

inline picture engineEmboss(picture pic, int level, int angle, std::uint32_t drawColor)
{
    colorFilter f = engineFor(pic, filterEmboss);
    f.embosseLevel = level;
    f.embossAngle = angle;
    f.drawColor = drawColor;
    f.run();
    return pic;
}

inline picture engineMotionBlur(picture pic, int m, int angle)
{
    colorFilter f = engineFor(pic, filterMotionBlur);
    f.vibrateSize = m;
    f.vibrateAngle = angle;
    f.run();
    return pic;
}

// Picture sizes: single pixels, pictures smaller than every kernel, odd sizes and pictures
// larger than the largest kernel in both directions.
inline const std::vector<std::pair<int, int>> smallSizes = {{1, 1}, {2, 2}, {1, 6}, {7, 1}, {3, 3}, {2, 9}, {5, 4}, {13, 11}, {34, 19}};
inline const std::vector<std::pair<int, int>> largeSizes = {{75, 70}, {66, 81}};

inline int kernelAt(const std::vector<int> &k, int a, int row, int column) { return k[std::size_t(row) * a + column]; }

// Pictures of only 0 and 255, so that the Laplacian and the relief sums reach both ends of
// their ranges (±1020 and ±1530) somewhere.
inline picture binaryPicture(int w, int h, unsigned seed)
{
    picture pic(w, h);
    std::mt19937 random(seed);
    for (auto &p : pic.planes)
        for (auto &v : p) v = (random() & 1) ? 255 : 0;
    return pic;
}
