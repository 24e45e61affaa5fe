// Kernel filters, sharpen and soft focus and the soft-focus weights: each filter is compared with
// its straightforward reading (kernelreadings.h) on random pictures of many sizes.
#include "kernelreadings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

// ---- Sharpen ----

TEST(Sharpen, MatchesPlainReadingForEveryLevel)
{
    unsigned seed = 1;
    for (auto [w, h] : smallSizes)
        for (int level = 1; level <= 20; ++level) {
            picture pic = randomPicture(w, h, seed++);
            picture expected = pic;
            plainSharpen(expected, level);
            ASSERT_EQ(engineSharpen(pic, level), expected) << w << "x" << h << " level " << level;
        }
    for (auto [w, h] : std::vector<std::pair<int, int>>{{75, 70}, {131, 67}, {4, 3}, {33, 3}})
        for (int level : {1, 3, 7, 10, 13, 20}) {
            picture pic = randomPicture(w, h, seed++);
            picture expected = pic;
            plainSharpen(expected, level);
            ASSERT_EQ(engineSharpen(pic, level), expected) << w << "x" << h << " level " << level;
        }
}

TEST(Sharpen, PicturesUnderThreePixelsAndTheBorderStayUnchanged)
{
    for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {2, 40}, {40, 2}, {1, 5}}) {
        picture pic = randomPicture(w, h, 7);
        const picture before = pic;
        EXPECT_EQ(engineSharpen(pic, 20), before) << w << "x" << h;
    }
    picture pic = randomPicture(9, 8, 3);
    const picture before = pic;
    colorFilter f = engineFor(pic, filterSharpen);
    f.edgeLevel = 20;
    f.run();
    for (int p = 0; p < 3; ++p) {
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(pic.planes[p][x], before.planes[p][x]);
            EXPECT_EQ(pic.planes[p][7 * 9 + x], before.planes[p][7 * 9 + x]);
        }
        for (int y = 0; y < 8; ++y) {
            EXPECT_EQ(pic.planes[p][y * 9], before.planes[p][y * 9]);
            EXPECT_EQ(pic.planes[p][y * 9 + 8], before.planes[p][y * 9 + 8]);
        }
    }
}

TEST(Sharpen, LiftsAPeakByTheScaledLaplacian)
{
    picture pic = uniformPicture(3, 3, 0, 10, 20);
    pic.at(0, 1, 1) = 100; // L = −400
    pic.at(1, 1, 1) = 50;  // L = 4·10 − 200 = −160
    pic.at(2, 1, 1) = 20;  // flat: L = 0
    colorFilter f = engineFor(pic, filterSharpen);
    f.edgeLevel = 1; // f = 0.1
    f.run();
    EXPECT_EQ(pic.at(0, 1, 1), 140);
    EXPECT_EQ(pic.at(1, 1, 1), 66);
    EXPECT_EQ(pic.at(2, 1, 1), 20);
    f.edgeLevel = 20;
    f.run();
    EXPECT_EQ(pic.at(0, 1, 1), 255); // clamped above
}

TEST(Sharpen, ReportsProgressForInnerRowsOnly)
{
    picture pic = randomPicture(6, 5, 2);
    std::vector<int> positions;
    int maximum = -1;
    progressIndicator progress;
    progress.onMaximum = [&](int m) { maximum = m; };
    progress.onPosition = [&](int p) { positions.push_back(p); };
    colorFilter f = engineFor(pic, filterSharpen);
    f.progressBar = &progress;
    f.run();
    EXPECT_EQ(maximum, 5);
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 0}));
}


TEST(Sharpen, ExtremeLaplaciansAndRowTailsMatchAtEveryVectorLevel)
{
    // Levels 0..40 take the exact integer scaling; negative and very large levels the doubles.
    std::vector<int> levels;
    for (int level = 0; level <= 40; ++level) levels.push_back(level);
    for (int level : {-1, -7, -20, 100, 333, 400, 5000}) levels.push_back(level);
    unsigned seed = 5000;
    for (int vectors = 0; vectors <= 2; ++vectors) {
        setVectorPaths(static_cast<vectorPaths>(vectors));
        for (int level : levels) {
            // Lone peaks and pits give L = −1020 and +1020.
            picture spikes = uniformPicture(70, 5, 255, 0, 128);
            spikes.at(0, 33, 2) = 0;
            spikes.at(1, 34, 2) = 255;
            spikes.at(2, 40, 2) = 0;
            for (picture pic : {binaryPicture(97, 9, seed++), spikes}) {
                picture expected = pic;
                plainSharpen(expected, level);
                ASSERT_EQ(engineSharpen(pic, level), expected) << "vectors " << vectors << " level " << level << " " << pic.width;
            }
        }
        // Every row length around the 32- and 64-sample blocks.
        for (int w = 3; w <= 140; ++w) {
            picture pic = randomPicture(w, 4, seed++);
            picture expected = pic;
            plainSharpen(expected, 13);
            ASSERT_EQ(engineSharpen(pic, 13), expected) << "vectors " << vectors << " width " << w;
        }
    }
    setVectorPaths(vectorPaths::best);
}

TEST(Sharpen, ReadsTheOriginalNeighboursNotTheSharpenedRowAbove)
{
    // A horizontal step: if row y read the already sharpened row y − 1, the overshoot would run
    // down the picture instead of staying on the two rows beside the edge.
    picture pic = uniformPicture(6, 8, 100, 100, 100);
    for (int y = 4; y < 8; ++y)
        for (int x = 0; x < 6; ++x) pic.at(0, x, y) = 200;
    colorFilter f = engineFor(pic, filterSharpen);
    f.edgeLevel = 5; // f = 0.5
    f.run();
    for (int x = 1; x <= 4; ++x) {
        EXPECT_EQ(pic.at(0, x, 2), 100);
        EXPECT_EQ(pic.at(0, x, 3), 50);  // L = 100, b = 50
        EXPECT_EQ(pic.at(0, x, 4), 250); // L = −100, b = −50
        EXPECT_EQ(pic.at(0, x, 5), 200);
        EXPECT_EQ(pic.at(1, x, 3), 100);
    }
}

// ---- Soft focus ----

TEST(SoftFocusKernel, IsAConeFallingToZeroAtItsRadius)
{
    int n = 0;
    std::vector<int> k = softFocusKernel(5, n);
    ASSERT_EQ(n, 5);
    EXPECT_EQ(kernelAt(k, 5, 2, 2), 255);
    EXPECT_EQ(kernelAt(k, 5, 2, 1), 127); // (2 − 1) / 2 · 255 = 127.5
    EXPECT_EQ(kernelAt(k, 5, 1, 1), 74);  // (2 − √2) / 2 · 255 = 74.7
    EXPECT_EQ(kernelAt(k, 5, 0, 2), 0);
    EXPECT_EQ(kernelAt(k, 5, 0, 0), 0);
    for (int size : {1, 2, 3}) {
        k = softFocusKernel(size, n);
        ASSERT_EQ(n, 3);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(k[i], i == 4 ? 255 : 0) << size;
    }
    k = softFocusKernel(30, n);
    EXPECT_EQ(n, 31);
    for (int i = 0; i < 31; ++i)
        for (int j = 0; j < 31; ++j) {
            EXPECT_EQ(kernelAt(k, 31, i, j), kernelAt(k, 31, j, i));
            EXPECT_EQ(kernelAt(k, 31, i, j), kernelAt(k, 31, 30 - i, j));
        }
    k = softFocusKernel(0, n);
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(k.empty());
}

TEST(SoftFocus, SmallSizesUseOnlyTheCentreWeight)
{
    for (int size : {1, 2, 3}) {
        picture pic = uniformPicture(5, 4, 255, 255, 100);
        EXPECT_EQ(engineSoftFocus(pic, size, 0), uniformPicture(5, 4, 254, 254, 99)) << size; // (255·100) >> 8 = 99
        picture white = uniformPicture(5, 4, 255, 255, 255);
        colorFilter g = engineFor(white, filterSoftFocus);
        g.softSize = size;
        g.softCoreLevel = 100;
        g.run();
        EXPECT_EQ(white, uniformPicture(5, 4, 255, 255, 255)) << size;
    }
}

TEST(SoftFocus, SizeBelowOneDoesNothing)
{
    picture pic = randomPicture(9, 9, 4);
    const picture before = pic;
    colorFilter f = engineFor(pic, filterSoftFocus);
    f.softSize = 0;
    f.run();
    EXPECT_EQ(pic, before);
}

TEST(SoftFocus, MatchesPlainReadingForEverySize)
{
    unsigned seed = 100;
    for (int size = 1; size <= 30; ++size) {
        for (int core : {0, 30, 100}) {
            for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {9, 5}, {3, 40}, {70, 64}}) {
                picture pic = randomPicture(w, h, seed++);
                picture expected = pic;
                plainSoftFocus(expected, size, core);
                ASSERT_EQ(engineSoftFocus(pic, size, core), expected) << w << "x" << h << " size " << size << " core " << core;
            }
        }
    }
    for (int core : {1, 55, 99})
        for (int size : {4, 17, 30}) {
            picture pic = randomPicture(97, 66, seed++);
            picture expected = pic;
            plainSoftFocus(expected, size, core);
            ASSERT_EQ(engineSoftFocus(pic, size, core), expected) << " size " << size << " core " << core;
        }
}

TEST(SoftFocus, MatchesPlainReadingAcrossBandsAndStrips)
{
    // Large pictures are done in bands of rows and strips of columns: cross both boundaries.
    unsigned seed = 200;
    for (auto [size, w, h] : std::vector<std::tuple<int, int, int>>{{8, 1100, 600}, {30, 1090, 270}, {3, 2100, 260}}) {
        picture pic = randomPicture(w, h, seed++);
        picture expected = pic;
        plainSoftFocus(expected, size, 40);
        ASSERT_EQ(engineSoftFocus(pic, size, 40), expected) << w << "x" << h << " size " << size;
    }
}

} // namespace
