// Inside the paint filter: one region sampled position by position (the plain way, which the
// whole filter takes for large sizes and the window version for regions cut by the picture's top
// or left edge), the statistics the filter picks a region by, and the entry of the window version
// (colorfilter_paintwindows.cpp), which gives the same bytes as the plain loop of
// colorfilter_paint.cpp.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class colorFilter;

namespace paintRegions {


// Samples one region at (x, y) into the lists, position by position, skipping positions outside
// the picture. The whole filter runs this way for sizes whose window sums would not fit in 16
// bits; the window version uses it for the triangles cut by the top or left edge.
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
    void triangleRows(int x, int first, int last)
    {
        int spread = d - 1;
        for (int v = first; v <= last; ++v) {
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
        case 1: triangleRows(x, y - d + 1, y); break;
        case 2: triangleColumns(y, x, x + d - 1); break;
        case 3: triangleRows(x, y, y + d - 1); break;
        case 4: triangleColumns(y, x - d + 1, x); break;
        case 5: rect(x - d + 1, y - d + 1, x, y); break;
        case 6: rect(x, y - d + 1, x + d - 1, y); break;
        case 7: rect(x, y, x + d - 1, y + d - 1); break;
        case 8: rect(x - d + 1, y, x, y + d - 1); break;
        }
    }
};

// Statistics of one region as the driver needs them: the sum and the extremes of each channel
// and the number of samples.
struct regionStatistics {
    int sum[3] = {0, 0, 0};
    int low[3] = {255, 255, 255};
    int high[3] = {0, 0, 0};
    int n = 0;
};

inline regionStatistics statisticsOf(paintSampler &sampler)
{
    regionStatistics result;
    result.n = sampler.n;
    const int *lists[3] = {sampler.listRed, sampler.listGreen, sampler.listBlue};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < sampler.n; ++i) {
            const int value = lists[c][i];
            result.sum[c] += value;
            result.low[c] = std::min(result.low[c], value);
            result.high[c] = std::max(result.high[c], value);
        }
    return result;
}

// The sample lists of a band of rows, which every region of its pixels reuses.
struct paintSampleLists {
    std::vector<int> red, green, blue;
    paintSampler sampler;
    paintSampleLists(int width, int height, int s, int d, const std::uint8_t *r, const std::uint8_t *g,
                     const std::uint8_t *b)
        : red(static_cast<std::size_t>(s) * s), green(red.size()), blue(red.size()),
          sampler{width, height, d, r, g, b, red.data(), green.data(), blue.data()}
    {
    }
};

// The filter of size s for the planes of filter (d = s / 2 + 1, at most 16, so that the window sums fit in 16 bits) from
// untouched copies of the planes into outputs, on the worker threads.
void paintWithWindows(const colorFilter &filter, const std::uint8_t *red, const std::uint8_t *green,
                      const std::uint8_t *blue, int s, int d, bool pointillism, std::uint8_t *const outputs[3]);

} // namespace paintRegions
