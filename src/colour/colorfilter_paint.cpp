// Paint filter: every pixel takes the mean colour of the most uniform of nine regions around
// it. Normal style: an off-centre square and eight three-pixel-wide rays; pointillism: a
// centred square, four triangles and four corner squares.
#include "colorfilter.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

struct paintSampler {
    int width, height, d;
    const std::uint8_t *red, *green, *blue;
    int *listRed, *listGreen, *listBlue;
    int n = 0;

    void take(int x, int y)
    {
        if (x < 0 || x >= width || y < 0 || y >= height) return;
        const std::size_t i = static_cast<std::size_t>(y) * width + x;
        listRed[n] = red[i];
        listGreen[n] = green[i];
        listBlue[n] = blue[i];
        ++n;
    }

    void rect(int left, int top, int right, int bottom)
    {
        for (int v = top; v <= bottom; ++v)
            for (int u = left; u <= right; ++u) take(u, v);
    }

    void normalRegion(int k, int x, int y)
    {
        static const int table[8][8] = {
            {0, -1, -1, 0, 1, 0, 0, -1},  {-1, 0, 0, -1, 0, 1, 1, 0},
            {0, 1, -1, 0, 1, 0, 0, 1},    {1, 0, 0, -1, 0, 1, -1, 0},
            {-1, -1, 1, 0, 0, 1, -1, -1}, {1, -1, -1, 0, 0, 1, 1, -1},
            {1, 1, 0, -1, -1, 0, 1, 1},   {-1, 1, 0, -1, 1, 0, -1, 1},
        };
        if (k == 0) {
            rect(x - d / 2, y - d / 2, x + d - 2, y + d - 2);
            return;
        }
        const int *ray = table[k - 1];
        take(x, y);
        int qx = x + ray[0], qy = y + ray[1];
        for (int t = 1; t <= d; ++t) {
            const int s1x = qx + ray[2], s1y = qy + ray[3];
            const int s2x = qx + ray[4], s2y = qy + ray[5];
            qx += ray[6];
            qy += ray[7];
            take(qx, qy);
            take(s1x, s1y);
            take(s2x, s2y);
        }
    }

    // Rows (or columns) outside the picture are skipped without narrowing the span.
    void triangleRows(int x, int first, int last, int direction)
    {
        int spread = d - 1;
        for (int v = first; direction > 0 ? v <= last : v >= last; v += direction) {
            if (v < 0 || v >= height) continue;
            for (int u = x - spread; u <= x + spread; ++u) take(u, v);
            --spread;
        }
    }
    void triangleColumns(int y, int first, int last)
    {
        int spread = d - 1;
        for (int u = first; u <= last; ++u) {
            if (u < 0 || u >= width) continue;
            for (int v = y - spread; v <= y + spread; ++v) take(u, v);
            --spread;
        }
    }

    void pointillismRegion(int k, int x, int y)
    {
        switch (k) {
        case 0: rect(x - d / 2, y - d / 2, x - d / 2 + d - 1, y - d / 2 + d - 1); break;
        case 1: triangleRows(x, y - d + 1, y, 1); break;
        case 2: triangleColumns(y, x, x + d - 1); break;
        case 3: triangleRows(x, y, y + d - 1, 1); break;
        case 4: triangleColumns(y, x - d + 1, x); break;
        case 5: rect(x - d + 1, y - d + 1, x, y); break;
        case 6: rect(x, y - d + 1, x + d - 1, y); break;
        case 7: rect(x, y, x + d - 1, y + d - 1); break;
        case 8: rect(x - d + 1, y, x, y + d - 1); break;
        }
    }
};

} // namespace

void colorFilter::paint(int code)
{
    if (width <= 0 || height <= 0) return;
    const int s = std::max(3, paintSize) | 1;
    const int d = s / 2 + 1;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const std::vector<std::uint8_t> redCopy(redPlane, redPlane + count);
    const std::vector<std::uint8_t> greenCopy(greenPlane, greenPlane + count);
    const std::vector<std::uint8_t> blueCopy(bluePlane, bluePlane + count);
    std::vector<int> listRed(static_cast<std::size_t>(s) * s), listGreen(listRed.size()),
        listBlue(listRed.size());
    paintSampler sampler{width, height, d, redCopy.data(), greenCopy.data(), blueCopy.data(),
                         listRed.data(), listGreen.data(), listBlue.data()};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int best = 255;
            int keptRed = listRed[0], keptGreen = listGreen[0], keptBlue = listBlue[0];
            for (int k = 0; k < 9; ++k) {
                sampler.n = 0;
                if (code == 105) sampler.normalRegion(k, x, y);
                else sampler.pointillismRegion(k, x, y);
                const int n = sampler.n;
                int spread = 255;
                if (n > 0) {
                    int sum[3] = {0, 0, 0}, low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
                    const int *lists[3] = {listRed.data(), listGreen.data(), listBlue.data()};
                    for (int c = 0; c < 3; ++c) {
                        for (int i = 0; i < n; ++i) {
                            const int value = lists[c][i];
                            sum[c] += value;
                            low[c] = std::min(low[c], value);
                            high[c] = std::max(high[c], value);
                        }
                    }
                    listRed[0] = sum[0] / n;
                    listGreen[0] = sum[1] / n;
                    listBlue[0] = sum[2] / n;
                    spread = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
                }
                if (spread <= best) {
                    best = spread;
                    keptRed = listRed[0];
                    keptGreen = listGreen[0];
                    keptBlue = listBlue[0];
                }
            }
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            redPlane[i] = static_cast<std::uint8_t>(keptRed);
            greenPlane[i] = static_cast<std::uint8_t>(keptGreen);
            bluePlane[i] = static_cast<std::uint8_t>(keptBlue);
        }
        reportRow(y);
    }
}
