// Mosaic and noise removal (per-channel median), each compared with a straightforward reading.
#include "colour/colorfilter.h"
#include "testplanes.h"
#include "colour/filterkernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Few distinct levels with long runs: many equal values, medians that stay put and then jump.
picture posterised(int w, int h, unsigned seed)
{
    picture pic(w, h);
    std::mt19937 random(seed);
    for (auto &p : pic.planes) {
        std::uint8_t v = 0;
        for (auto &s : p) {
            if (random() % 9 == 0) v = static_cast<std::uint8_t>((random() % 4) * 85);
            s = v;
        }
    }
    return pic;
}

void plainMosaic(picture &pic, int s)
{
    for (int i = 0; i <= pic.height / s; ++i)
        for (int j = 0; j <= pic.width / s; ++j) {
            const int top = s * i, bottom = std::min(pic.height, s * i + s);
            const int left = s * j, right = std::min(pic.width, s * j + s);
            if (bottom <= top || right <= left) continue;
            for (int p = 0; p < 3; ++p) {
                int sum = 0;
                for (int y = top; y < bottom; ++y)
                    for (int x = left; x < right; ++x) sum += pic.at(p, x, y);
                const int mean = sum / ((bottom - top) * (right - left));
                for (int y = top; y < bottom; ++y)
                    for (int x = left; x < right; ++x) pic.at(p, x, y) = std::uint8_t(mean);
            }
        }
}

// Quicksort with the middle element as pivot, then the middle entry.
void quickSort(std::vector<int> &list, int low, int high)
{
    int i = low, j = high;
    const int pivot = list[(low + high) / 2];
    while (i <= j) {
        while (list[i] < pivot) ++i;
        while (list[j] > pivot) --j;
        if (i <= j) std::swap(list[i++], list[j--]);
    }
    if (low < j) quickSort(list, low, j);
    if (i < high) quickSort(list, i, high);
}

void plainMedian(picture &pic, int size)
{
    const int n = size | 1;
    const picture src = pic;
    std::vector<int> list(std::size_t(n) * n);
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x)
            for (int p = 0; p < 3; ++p) {
                int k = 0;
                for (int j = 0; j < n; ++j)
                    for (int i = 0; i < n; ++i) {
                        const int yy = std::clamp(y + j - n / 2, 0, pic.height - 1);
                        const int xx = std::clamp(x + i - n / 2, 0, pic.width - 1);
                        list[k++] = src.planes[p][std::size_t(yy) * pic.width + xx];
                    }
                quickSort(list, 0, n * n - 1);
                pic.at(p, x, y) = std::uint8_t(list[n * n / 2]);
            }
}

const std::vector<std::pair<int, int>> sizes = {{1, 1}, {2, 2}, {1, 8}, {9, 1}, {3, 3}, {2, 13}, {5, 4},
                                                {10, 10}, {17, 12}, {41, 29}, {64, 33}};

// The engine's result on a copy of the picture.
picture engineMosaic(picture pic, int mosaicSize)
{
    colorFilter f = engineFor(pic, filterMosaic);
    f.mosaicSize = mosaicSize;
    f.run();
    return pic;
}

picture engineMedian(picture pic, int medianSize)
{
    colorFilter f = engineFor(pic, filterMedian);
    f.medianSize = medianSize;
    f.run();
    return pic;
}

// ---- Mosaic ----

TEST(Mosaic, MatchesPlainReadingForManySizes)
{
    unsigned seed = 1;
    for (auto [w, h] : sizes)
        for (int s : {1, 2, 3, 4, 5, 7, 8, 9, 16, 20, 31, 33, 64, 65, 100, 300}) {
            picture pic = randomPicture(w, h, seed++);
            picture expected = pic;
            plainMosaic(expected, s);
            ASSERT_EQ(engineMosaic(pic, s), expected) << w << "x" << h << " size " << s;
        }
    for (int s : {3, 17, 20, 100, 258}) {
        picture pic = randomPicture(523, 311, seed++);
        picture expected = pic;
        plainMosaic(expected, s);
        ASSERT_EQ(engineMosaic(pic, s), expected) << " size " << s;
    }
}

TEST(Mosaic, SizeOneLeavesThePictureUnchanged)
{
    picture pic = randomPicture(13, 7, 5);
    const picture before = pic;
    EXPECT_EQ(engineMosaic(pic, 1), before);
}

TEST(Mosaic, SizeLargerThanThePictureGivesOneTileOfTheMean)
{
    picture pic(5, 3);
    int sums[3] = {0, 0, 0};
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < 15; ++i) {
            pic.planes[p][i] = std::uint8_t(i * 17 + p * 3);
            sums[p] += pic.planes[p][i];
        }
    colorFilter f = engineFor(pic, filterMosaic);
    f.mosaicSize = 6;
    f.run();
    for (int p = 0; p < 3; ++p)
        for (auto v : pic.planes[p]) EXPECT_EQ(v, sums[p] / 15);
}

TEST(Mosaic, TenByTenWithSizeThreeCutsTheLastTiles)
{
    picture pic(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) pic.at(0, x, y) = std::uint8_t(10 * y + x); // red = 10y + x
    colorFilter f = engineFor(pic, filterMosaic);
    f.mosaicSize = 3;
    f.run();
    // Tile rows 0-2: columns 0-2 mean of 10y + x = 11; the last column (x = 9) alone: 19.
    EXPECT_EQ(pic.at(0, 0, 0), 11);
    EXPECT_EQ(pic.at(0, 2, 2), 11);
    EXPECT_EQ(pic.at(0, 3, 0), 14);
    EXPECT_EQ(pic.at(0, 9, 0), 19);
    EXPECT_EQ(pic.at(0, 9, 2), 19);
    // The last row of tiles (y = 9) is one pixel high.
    EXPECT_EQ(pic.at(0, 0, 9), 91);
    EXPECT_EQ(pic.at(0, 9, 9), 99);
    EXPECT_EQ(pic.at(0, 5, 8), 74); // rows 6-8, columns 3-5
}

TEST(Mosaic, ReportsNoProgress)
{
    picture pic = randomPicture(20, 20, 6);
    std::vector<int> positions;
    progressIndicator progress;
    progress.onPosition = [&](int p) { positions.push_back(p); };
    colorFilter f = engineFor(pic, filterMosaic);
    f.progressBar = &progress;
    f.mosaicSize = 3;
    f.run();
    EXPECT_EQ(positions, std::vector<int>{0});
}

// ---- Noise removal ----

TEST(Median, MatchesPlainReadingForEverySize)
{
    unsigned seed = 100;
    for (int size = 2; size <= 10; ++size)
        for (auto [w, h] : sizes)
            for (int kind = 0; kind < 2; ++kind) {
                picture pic = kind ? posterised(w, h, seed) : randomPicture(w, h, seed);
                ++seed;
                picture expected = pic;
                plainMedian(expected, size);
                ASSERT_EQ(engineMedian(pic, size), expected) << w << "x" << h << " size " << size << " kind " << kind;
            }
    for (int size : {3, 6, 11}) {
        picture pic = randomPicture(150, 97, seed++);
        picture expected = pic;
        plainMedian(expected, size);
        ASSERT_EQ(engineMedian(pic, size), expected) << " size " << size;
    }
}

TEST(Median, HistogramsMatchWhereTheNetworksWouldRunAndOddSizesToo)
{
    // Each vector level picks other methods for some sizes (sorting networks, column
    // histograms); with the vector paths off the sliding histograms take every size. Sizes
    // outside the control's range (windows of 1 and 13) are included.
    unsigned seed = 700;
    for (int level : {0, 1, 2}) {
        setVectorPaths(static_cast<vectorPaths>(level));
        for (int size : {0, 1, 2, 4, 5, 6, 7, 12})
            for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {37, 23}, {70, 15}}) {
                picture pic = seed % 2 ? posterised(w, h, seed) : randomPicture(w, h, seed);
                ++seed;
                picture expected = pic;
                plainMedian(expected, size);
                EXPECT_EQ(engineMedian(pic, size), expected) << "level " << level << " size " << size << " " << w << "x" << h;
            }
    }
    setVectorPaths(vectorPaths::best);
}

TEST(Median, LargeWindowsMatchAcrossBandsAndStrips)
{
    // Large pictures are done in bands of rows and strips of columns: cross both boundaries.
    unsigned seed = 800;
    for (int size : {8, 10})
        for (auto [w, h] : std::vector<std::pair<int, int>>{{530, 140}, {257, 260}}) {
            picture pic = seed % 2 ? posterised(w, h, seed) : randomPicture(w, h, seed);
            ++seed;
            picture expected = pic;
            plainMedian(expected, size);
            ASSERT_EQ(engineMedian(pic, size), expected) << "size " << size << " " << w << "x" << h;
        }
}

TEST(Median, UniformPictureStaysUnchangedAndASpikeDisappears)
{
    for (int size = 2; size <= 10; ++size) {
        picture pic(12, 9);
        for (int p = 0; p < 3; ++p) std::fill(pic.planes[p].begin(), pic.planes[p].end(), std::uint8_t(40 + 50 * p));
        const picture uniform = pic;
        EXPECT_EQ(engineMedian(pic, size), uniform);
        pic.at(0, 5, 4) = 255;
        pic.at(1, 0, 0) = 0;
        pic.at(2, 11, 8) = 200;
        EXPECT_EQ(engineMedian(pic, size), uniform) << size;
    }
}

TEST(Median, CornerValueCountsFourTimesInThreeByThree)
{
    // Corner window with n = 3: the corner itself 4 times, its two edge neighbours twice each,
    // the diagonal neighbour once.
    picture pic(4, 4);
    pic.at(0, 0, 0) = 200;
    pic.at(0, 1, 0) = 10;
    pic.at(0, 0, 1) = 10;
    pic.at(0, 1, 1) = 10;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            if (x > 1 || y > 1) pic.at(0, x, y) = 100;
    // 4 × 200 and 5 × 10: the median (5th of 9) is 10.
    picture first = pic;
    colorFilter f = engineFor(first, filterMedian);
    f.medianSize = 3;
    f.run();
    EXPECT_EQ(first.at(0, 0, 0), 10);
    // With one more bright neighbour the corner's four copies win: 4 × 200 + 2 × 200 of (1, 0).
    pic.at(0, 1, 0) = 200;
    f = engineFor(pic, filterMedian);
    f.medianSize = 3;
    f.run();
    EXPECT_EQ(pic.at(0, 0, 0), 200);
}

TEST(Median, ChannelsAreSortedIndependently)
{
    picture pic(3, 3);
    for (int i = 0; i < 9; ++i) {
        pic.planes[0][i] = std::uint8_t(i * 10);        // median 40
        pic.planes[1][i] = std::uint8_t(200 - i * 10);  // median 160
        pic.planes[2][i] = std::uint8_t((i * 4) % 9);   // 0..8 permuted: median 4
    }
    colorFilter f = engineFor(pic, filterMedian);
    f.medianSize = 3; // n = 3: the centre's window is the whole picture
    f.run();
    // (40, 160, 4): red and green of the centre pixel, blue of the pixel (1, 0).
    EXPECT_EQ(pic.at(0, 1, 1), 40);
    EXPECT_EQ(pic.at(1, 1, 1), 160);
    EXPECT_EQ(pic.at(2, 1, 1), 4);
}

TEST(Median, ReportsProgressAfterEachRow)
{
    picture pic = randomPicture(5, 4, 9);
    std::vector<int> positions;
    progressIndicator progress;
    progress.onPosition = [&](int p) { positions.push_back(p); };
    colorFilter f = engineFor(pic, filterMedian);
    f.progressBar = &progress;
    f.run();
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 0}));
}

} // namespace
