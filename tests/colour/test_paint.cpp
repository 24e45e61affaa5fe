// The paint filter: the engine against a straightforward reading (nine regions scanned sample
// by sample for every pixel) on pictures of odd sizes, and the filter's defining cases.
#include "colour/colorfilter.h"
#include "testplanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace {

// Pictures of three kinds: 0 noise, 1 few levels (many equally uniform regions), 2 flat
// patches with a little noise (large uniform areas with edges between them).
planes testPicture(int w, int h, unsigned seed, int kind)
{
    planes p(w, h);
    std::mt19937 engine(seed);
    std::vector<std::uint8_t> patches(3 * 64);
    for (auto &v : patches) v = static_cast<std::uint8_t>(engine());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = p.index(x, y);
            std::uint8_t *channels[3] = {&p.red[i], &p.green[i], &p.blue[i]};
            for (int c = 0; c < 3; ++c) {
                if (kind == 0) *channels[c] = static_cast<std::uint8_t>(engine());
                else if (kind == 1) *channels[c] = static_cast<std::uint8_t>(127 * (engine() % 3));
                else {
                    const int patch = ((y / 7) * 5 + (x / 9) + ((x + y) / 13)) % 64;
                    *channels[c] = static_cast<std::uint8_t>(std::min<int>(255, patches[3 * patch + c] + engine() % 3));
                }
            }
        }
    return p;
}

planes runPaint(planes p, int code, int size)
{
    colorFilter filter;
    filter.filterType = code;
    attachPlanes(filter, p);
    filter.paintSize = size;
    filter.run();
    return p;
}

// ---- the straightforward reading ----

using pointList = std::vector<std::pair<int, int>>;

// The positions a region visits, in or out of the picture (the caller skips those outside),
// except for the triangles, whose spans depend on which rows or columns lie inside.
pointList normalRegion(int k, int x, int y, int d)
{
    pointList points;
    if (k == 0) {
        for (int v = y - d / 2; v <= y + d - 2; ++v)
            for (int u = x - d / 2; u <= x + d - 2; ++u) points.push_back({u, v});
        return points;
    }
    struct ray { int sx, sy, ax, ay, bx, by, tx, ty; };
    static const ray rays[8] = {
        {0, -1, -1, 0, +1, 0, 0, -1},   {-1, 0, 0, -1, 0, +1, +1, 0},
        {0, +1, -1, 0, +1, 0, 0, +1},   {+1, 0, 0, -1, 0, +1, -1, 0},
        {-1, -1, +1, 0, 0, +1, -1, -1}, {+1, -1, -1, 0, 0, +1, +1, -1},
        {+1, +1, 0, -1, -1, 0, +1, +1}, {-1, +1, 0, -1, +1, 0, -1, +1},
    };
    const ray &r = rays[k - 1];
    points.push_back({x, y});
    int qx = x + r.sx, qy = y + r.sy;
    for (int t = 1; t <= d; ++t) {
        const std::pair<int, int> side1{qx + r.ax, qy + r.ay}, side2{qx + r.bx, qy + r.by};
        qx += r.tx;
        qy += r.ty;
        points.push_back({qx, qy});
        points.push_back(side1);
        points.push_back(side2);
    }
    return points;
}

pointList pointillismRegion(int k, int x, int y, int d, int w, int h)
{
    pointList points;
    auto square = [&](int left, int top) {
        for (int v = top; v < top + d; ++v)
            for (int u = left; u < left + d; ++u) points.push_back({u, v});
    };
    // lines: the rows (or columns) in visiting order; the span starts at d − 1 each way.
    auto triangle = [&](int from, int to, bool rows) {
        int span = d - 1;
        for (int line = from; line <= to; ++line) {
            const bool inside = rows ? (line >= 0 && line < h) : (line >= 0 && line < w);
            if (!inside) continue;
            for (int offset = -span; offset <= span; ++offset)
                points.push_back(rows ? std::pair{x + offset, line} : std::pair{line, y + offset});
            --span;
        }
    };
    switch (k) {
    case 0: square(x - d / 2, y - d / 2); break;
    case 1: triangle(y - d + 1, y, true); break;
    case 2: triangle(x, x + d - 1, false); break;
    case 3: triangle(y, y + d - 1, true); break;
    case 4: triangle(x - d + 1, x, false); break;
    case 5: square(x - d + 1, y - d + 1); break;
    case 6: square(x, y - d + 1); break;
    case 7: square(x, y); break;
    case 8: square(x - d + 1, y); break;
    }
    return points;
}

planes plainPaint(const planes &copy, int code, int size)
{
    planes out = copy;
    const int s = std::max(3, size) | 1;
    const int d = s / 2 + 1;
    std::vector<int> first(3, 0); // the lists' first entries, kept across regions and pixels
    for (int y = 0; y < copy.height; ++y)
        for (int x = 0; x < copy.width; ++x) {
            int best = 255;
            std::vector<int> kept = first;
            for (int k = 0; k < 9; ++k) {
                const pointList points = code == filterPaintNormal ? normalRegion(k, x, y, d)
                                                     : pointillismRegion(k, x, y, d, copy.width, copy.height);
                long sum[3] = {0, 0, 0};
                int low[3] = {256, 256, 256}, high[3] = {-1, -1, -1}, n = 0;
                for (const auto &[u, v] : points) {
                    if (u < 0 || v < 0 || u >= copy.width || v >= copy.height) continue;
                    const int i = copy.index(u, v);
                    const int values[3] = {copy.red[i], copy.green[i], copy.blue[i]};
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += values[c];
                        low[c] = std::min(low[c], values[c]);
                        high[c] = std::max(high[c], values[c]);
                    }
                    ++n;
                }
                EXPECT_LE(n, s * s);
                int spread = 255;
                if (n > 0) {
                    spread = 0;
                    for (int c = 0; c < 3; ++c) {
                        first[c] = static_cast<int>(sum[c] / n);
                        spread = std::max(spread, high[c] - low[c]);
                    }
                }
                if (spread <= best) {
                    best = spread;
                    kept = first;
                }
            }
            const int i = out.index(x, y);
            out.red[i] = static_cast<std::uint8_t>(kept[0]);
            out.green[i] = static_cast<std::uint8_t>(kept[1]);
            out.blue[i] = static_cast<std::uint8_t>(kept[2]);
        }
    return out;
}

// ---- the engine against the reading ----

struct caseOf { int width, height, size; };

void compareWithReading(const std::vector<caseOf> &cases)
{
    unsigned seed = 1;
    for (const caseOf &c : cases)
        for (int kind = 0; kind < 3; ++kind) {
            const planes picture = testPicture(c.width, c.height, ++seed, kind);
            for (int code : {filterPaintNormal, filterPaintPointillism}) {
                SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " size " << c.size
                                                << " code " << code << " kind " << kind);
                const planes expected = plainPaint(picture, code, c.size);
                const planes actual = runPaint(picture, code, c.size);
                ASSERT_EQ(actual.red, expected.red);
                ASSERT_EQ(actual.green, expected.green);
                ASSERT_EQ(actual.blue, expected.blue);
            }
        }
}

TEST(paintEngine, matchesReadingOnTinyPictures)
{
    compareWithReading({{1, 1, 3}, {1, 1, 30}, {2, 2, 3}, {2, 2, 30}, {1, 9, 5}, {11, 1, 7},
                        {3, 2, 10}, {5, 3, 21}, {4, 6, 29}});
}

TEST(paintEngine, matchesReadingOnPicturesSmallerThanTheRegions)
{
    compareWithReading({{13, 17, 30}, {20, 9, 30}, {9, 25, 20}, {31, 31, 30}});
}

TEST(paintEngine, matchesReadingAcrossSizes)
{
    compareWithReading({{37, 29, 3}, {37, 29, 4}, {41, 23, 6}, {29, 44, 9}, {50, 33, 12},
                        {45, 38, 15}, {61, 40, 17}, {47, 52, 24}, {70, 45, 30}});
}

TEST(paintEngine, matchesReadingOnWidePictures)
{
    // Wide enough for the engine to work in several strips of columns.
    compareWithReading({{1030, 13, 30}, {1050, 6, 9}});
}

TEST(paintEngine, progressGrowsToTheLastRowAndIsReset)
{
    planes picture = testPicture(1100, 13, 3, 0);
    std::vector<int> positions;
    int maximum = -1;
    progressIndicator progress;
    progress.onMaximum = [&](int m) { maximum = m; };
    progress.onPosition = [&](int p) { positions.push_back(p); };
    for (int code : {filterPaintNormal, filterPaintPointillism}) {
        positions.clear();
        colorFilter filter;
        filter.filterType = code;
        attachPlanes(filter, picture);
        filter.paintSize = 8;
        filter.progressBar = &progress;
        filter.run();
        EXPECT_EQ(maximum, 13);
        ASSERT_GE(positions.size(), 3u);
        EXPECT_EQ(positions.back(), 0); // reset when done
        EXPECT_EQ(positions[positions.size() - 2], 12);
        for (std::size_t i = 1; i + 1 < positions.size(); ++i) EXPECT_LE(positions[i - 1], positions[i]);
    }
}

TEST(paintEngine, sizesBeyondTheControlRangeStillFollowTheReading)
{
    // s = 33 and 35: the region sums no longer fit the fast path's 16-bit windows.
    compareWithReading({{19, 23, 32}, {7, 5, 35}});
}

// ---- defining cases ----

TEST(paintFilter, uniformPictureIsUnchanged)
{
    planes picture(23, 17);
    std::fill(picture.red.begin(), picture.red.end(), 12);
    std::fill(picture.green.begin(), picture.green.end(), 200);
    std::fill(picture.blue.begin(), picture.blue.end(), 99);
    for (int size : {3, 10, 30}) {
        EXPECT_TRUE(runPaint(picture, filterPaintNormal, size) == picture) << size;
        EXPECT_TRUE(runPaint(picture, filterPaintPointillism, size) == picture) << size;
    }
}

TEST(paintFilter, pointillismKeepsAVerticalEdgeSharp)
{
    planes picture(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const int i = picture.index(x, y);
            picture.red[i] = x < 17 ? 30 : 220;
            picture.green[i] = x < 17 ? 160 : 10;
            picture.blue[i] = 77;
        }
    for (int size : {3, 14, 30}) EXPECT_TRUE(runPaint(picture, filterPaintPointillism, size) == picture) << size;
}

TEST(paintFilter, sizesUpToThreeAllUseTheSmallestRegions)
{
    const planes picture = testPicture(31, 26, 77, 0);
    for (int code : {filterPaintNormal, filterPaintPointillism}) {
        const planes three = runPaint(picture, code, 3);
        for (int size : {-4, 0, 1, 2}) EXPECT_TRUE(runPaint(picture, code, size) == three) << size;
        EXPECT_FALSE(runPaint(picture, code, 5) == three);
        EXPECT_FALSE(three == picture);
    }
}

TEST(paintFilter, cornerPixelBelongsToEveryNormalRegion)
{
    // The corner's colour differs from all others: any region reaching the corner has a
    // spread, except those holding the corner alone, and the up ray (region 1) and the
    // up-left diagonal (region 5) hold nothing else. The diagonal comes later among equals,
    // so the corner keeps its colour. Were the pixel itself missing from its regions, those two
    // would be empty and the corner would take a mixed mean.
    planes picture(20, 20);
    std::fill(picture.red.begin(), picture.red.end(), 50);
    picture.red[0] = 250;
    const planes result = runPaint(picture, filterPaintNormal, 10);
    EXPECT_EQ(result.red[0], 250);
    // Its right neighbour sees the corner only in some regions; the flat ones win.
    EXPECT_EQ(result.red[1], 50);
}

} // namespace
