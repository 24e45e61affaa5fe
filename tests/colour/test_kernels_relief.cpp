// Kernel filters, emboss and motion blur and their weight matrices, every vector level against
// the plain one, and the matrix file written for libvips; each filter is compared with its
// straightforward reading (kernelreadings.h) on random pictures of many sizes.
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

// ---- Emboss ----

TEST(EmbossKernel, EachSumsToZeroAndHighIndicesUseTheFirst)
{
    for (int angle = 0; angle <= 315; angle += 45) {
        const int *k = embossKernel(angle);
        int sum = 0;
        for (int i = 0; i < 9; ++i) {
            sum += k[i];
            EXPECT_EQ(k[i], reliefKernels[angle / 45][i]) << angle;
        }
        EXPECT_EQ(sum, 0);
    }
    EXPECT_EQ(embossKernel(360), embossKernel(0));
    EXPECT_EQ(embossKernel(1000), embossKernel(0));
    EXPECT_EQ(embossKernel(-45), embossKernel(0));
    EXPECT_EQ(embossKernel(44), embossKernel(0));
    EXPECT_EQ(embossKernel(89), embossKernel(45));
}

TEST(Emboss, UniformPictureTakesTheDrawingColour)
{
    for (int angle = 0; angle <= 360; angle += 45) {
        picture pic = uniformPicture(7, 6, 90, 180, 30);
        EXPECT_EQ(engineEmboss(pic, 30, angle, packColor(100, 200, 50)), uniformPicture(7, 6, 100, 200, 50)) << angle;
    }
}

TEST(Emboss, ReliefIsCentredOnTheDrawingColour)
{
    // A bright column in a dark picture: the relief rises on one side and falls on the other.
    picture pic = uniformPicture(5, 5, 0, 0, 0);
    for (int y = 0; y < 5; ++y)
        for (int p = 0; p < 3; ++p) pic.at(p, 2, y) = 200;
    colorFilter f = engineFor(pic, filterEmboss);
    f.embossAngle = 90; // rows −1 1 1 / −2 −2 2 / −1 1 1
    f.embosseLevel = 10;
    f.drawColor = packColor(128, 128, 128);
    f.run();
    // grey of (200, 200, 200) is 199 or 200 depending on the luma rounding: read it back.
    picture grey = uniformPicture(1, 1, 200, 200, 200);
    colorFilter g = engineFor(grey, filterBrightChromaHue);
    g.chroma = -255;
    g.run();
    const int v = grey.at(0, 0, 0);
    // x = 1: the bright column is on the right: s = (1 + 2 + 1)·v; relief = 4v·10·0.01.
    EXPECT_EQ(pic.at(0, 1, 2), clampByte(int(4 * v * 10 * 0.01) + 128));
    // x = 2: the middle column sums to zero; x = 3: s = −4v.
    EXPECT_EQ(pic.at(1, 2, 2), 128);
    EXPECT_EQ(pic.at(2, 3, 2), clampByte(int(-4 * v * 10 * 0.01) + 128));
    for (int x = 0; x < 5; ++x) EXPECT_EQ(pic.at(0, x, 0), 128); // border row
}

TEST(Emboss, MatchesPlainReadingForEveryAngleAndColour)
{
    unsigned seed = 300;
    const std::uint32_t colours[] = {packColor(0, 0, 0), packColor(128, 128, 128), packColor(255, 255, 255),
                                     packColor(100, 200, 50), packColor(255, 0, 17)};
    for (int angle = 0; angle <= 405; angle += 45)
        for (std::uint32_t colour : colours)
            for (int level : {2, 17, 30}) {
                for (auto [w, h] : smallSizes) {
                    picture pic = randomPicture(w, h, seed++);
                    picture expected = pic;
                    plainEmboss(expected, level, angle, colour);
                    ASSERT_EQ(engineEmboss(pic, level, angle, colour), expected) << w << "x" << h << " angle " << angle << " level " << level;
                }
            }
    for (auto [w, h] : largeSizes) {
        picture pic = randomPicture(w, h, seed++);
        picture expected = pic;
        plainEmboss(expected, 23, 135, colours[3]);
        ASSERT_EQ(engineEmboss(pic, 23, 135, colours[3]), expected) << w << "x" << h;
    }
}

TEST(Emboss, ExtremeSumsAndRowTailsMatchAtEveryVectorLevel)
{
    // Levels up to 38 take the exact integer scaling; the others the doubles.
    std::vector<int> levels;
    for (int level = 0; level <= 40; ++level) levels.push_back(level);
    for (int level : {-1, -9, -30, 55, 100, 255, 1000}) levels.push_back(level);
    unsigned seed = 7000;
    for (int vectors = 0; vectors <= 2; ++vectors) {
        setVectorPaths(static_cast<vectorPaths>(vectors));
        for (int angle = 0; angle <= 315; angle += 45)
            for (int level : levels) {
                picture pic = binaryPicture(83, 7, seed++);
                picture expected = pic;
                plainEmboss(expected, level, angle, packColor(128, 0, 255));
                ASSERT_EQ(engineEmboss(pic, level, angle, packColor(128, 0, 255)), expected) << "vectors " << vectors << " angle " << angle << " level " << level;
            }
        for (int w = 1; w <= 140; ++w) {
            picture pic = randomPicture(w, 3 + w % 3, seed++);
            picture expected = pic;
            plainEmboss(expected, 30, 225, packColor(60, 128, 200));
            ASSERT_EQ(engineEmboss(pic, 30, 225, packColor(60, 128, 200)), expected) << "vectors " << vectors << " width " << w;
        }
    }
    setVectorPaths(vectorPaths::best);
}

TEST(Emboss, GreyOfColoursOnWholeLumaStepsMatchesAtEveryVectorLevel)
{
    // Where 30r + 59g + 11b is a multiple of 100 the luma's doubles land on (or just beside) a
    // whole number, so that is where a different evaluation would truncate differently. Each
    // such colour sits alone on (1, 0, 0), whose grey is 0 but which is not on a whole step
    // itself; at level 100 with a black drawing colour the pixel to its right (weight 1 at
    // angle 0) shows its grey unscaled.
    std::vector<std::array<int, 3>> colours;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; b += 3)
                if ((30 * r + 59 * g + 11 * b) % 100 == 0) colours.push_back({r, g, b});
    const int across = 300;
    const int rows = static_cast<int>((colours.size() + across - 1) / across);
    picture pic = uniformPicture(3 * across, 3 * rows, 1, 0, 0);
    for (std::size_t i = 0; i < colours.size(); ++i)
        for (int p = 0; p < 3; ++p)
            pic.at(p, 3 * static_cast<int>(i % across) + 1, 3 * static_cast<int>(i / across) + 1) = std::uint8_t(colours[i][p]);
    picture expected = pic;
    plainEmboss(expected, 100, 0, packColor(0, 0, 0));
    // Some of these colours really do lose one step to the rounding.
    int lowered = 0;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const auto &c = colours[i];
        const int exact = (30 * c[0] + 59 * c[1] + 11 * c[2]) / 100;
        if (expected.at(0, 3 * static_cast<int>(i % across) + 2, 3 * static_cast<int>(i / across) + 1) != exact) ++lowered;
    }
    EXPECT_GT(lowered, 0);
    for (int vectors = 0; vectors <= 2; ++vectors) {
        setVectorPaths(static_cast<vectorPaths>(vectors));
        picture out = pic;
        colorFilter f = engineFor(out, filterEmboss);
        f.embossAngle = 0;
        f.embosseLevel = 100;
        f.drawColor = packColor(0, 0, 0);
        f.run();
        EXPECT_EQ(out, expected) << "vectors " << vectors;
    }
    setVectorPaths(vectorPaths::best);
}

// ---- Motion blur ----

TEST(MotionBlurKernel, HorizontalAtZeroNinetyAndOneEighty)
{
    for (int m : {2, 5, 30}) {
        const int a = 2 * m + 1;
        const std::vector<int> k0 = motionBlurKernel(m, 0);
        ASSERT_EQ(k0.size(), std::size_t(a) * a);
        for (int row = 0; row < a; ++row)
            for (int column = 0; column < a; ++column) {
                const int expected = row != m ? 0 : column == m ? 255 : 256;
                ASSERT_EQ(kernelAt(k0, a, row, column), expected) << m << " " << row << " " << column;
            }
        EXPECT_EQ(motionBlurKernel(m, 90), k0);
        EXPECT_EQ(motionBlurKernel(m, 180), k0);
    }
}

TEST(MotionBlurKernel, AngleAndItsComplementGiveTheSameKernel)
{
    for (int m : {2, 7, 30})
        for (int b = 0; b <= 45; ++b) EXPECT_EQ(motionBlurKernel(m, b), motionBlurKernel(m, 90 - b)) << m << " " << b;
}

TEST(MotionBlurKernel, FortyFiveAndOneThirtyFiveAreNearVerticalMirrors)
{
    for (int m : {3, 10, 30}) {
        const int a = 2 * m + 1;
        const std::vector<int> k45 = motionBlurKernel(m, 45);
        const std::vector<int> k135 = motionBlurKernel(m, 135);
        long long lean45 = 0, lean135 = 0;
        int rowsUsed = 0;
        for (int row = 0; row < a; ++row) {
            bool used = false;
            for (int column = 0; column < a; ++column) {
                const int w = kernelAt(k45, a, row, column);
                EXPECT_EQ(w, kernelAt(k135, a, row, a - 1 - column));
                if (w) {
                    used = true;
                    EXPECT_LE(std::abs(column - m), 1) << m << " " << row << " " << column;
                }
                lean45 += static_cast<long long>(w) * (row - m) * (column - m);
                lean135 += static_cast<long long>(kernelAt(k135, a, row, column)) * (row - m) * (column - m);
            }
            rowsUsed += used;
        }
        EXPECT_GT(lean45, 0);
        EXPECT_LT(lean135, 0);
        EXPECT_GE(rowsUsed, 2 * m - 1); // spans nearly the whole height
    }
}

TEST(MotionBlurKernel, EachStepOfTheLineSharesTwoHundredFiftySix)
{
    // At 30° the walk takes all m steps; each lays two weights adding to 256, once per half,
    // and the two halves share the centre weight 255.
    for (int m : {2, 8, 30}) {
        const int a = 2 * m + 1;
        const std::vector<int> k = motionBlurKernel(m, 30);
        long long sum = 0;
        for (int w : k) sum += w;
        EXPECT_EQ(sum, 255 + 512LL * m) << m;
        EXPECT_EQ(kernelAt(k, a, m, m), 255);
    }
    EXPECT_TRUE(motionBlurKernel(0, 30).empty());
}

TEST(MotionBlur, DarkensNearTheBorder)
{
    const int m = 4;
    picture pic = uniformPicture(21, 5, 200, 100, 0);
    colorFilter f = engineFor(pic, filterMotionBlur);
    f.vibrateSize = m;
    f.vibrateAngle = 0;
    f.run();
    // Interior: (199 + 8·200) / 9 = 199; the corner sees the centre and 4 neighbours.
    EXPECT_EQ(pic.at(0, 10, 2), 199);
    EXPECT_EQ(pic.at(0, 0, 2), (199 + 4 * 200) / 9);
    EXPECT_EQ(pic.at(1, 0, 0), (99 + 4 * 100) / 9);
    EXPECT_EQ(pic.at(2, 3, 3), 0);
    for (int x = 1; x < 4; ++x) EXPECT_LT(pic.at(0, x - 1, 2), pic.at(0, x, 2));
}

TEST(MotionBlur, MatchesPlainReadingForEveryAngle)
{
    unsigned seed = 500;
    for (int m : {2, 5})
        for (int angle = 0; angle <= 180; ++angle)
            for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {5, 3}, {23, 19}}) {
                picture pic = randomPicture(w, h, seed++);
                picture expected = pic;
                plainMotionBlur(expected, m, angle);
                ASSERT_EQ(engineMotionBlur(pic, m, angle), expected) << w << "x" << h << " m " << m << " angle " << angle;
            }
    for (int m : {3, 13, 30})
        for (int angle : {0, 1, 17, 44, 45, 46, 60, 89, 90, 91, 120, 134, 135, 136, 163, 180})
            for (auto [w, h] : std::vector<std::pair<int, int>>{{75, 70}, {9, 66}, {66, 9}, {230, 5}}) {
                picture pic = randomPicture(w, h, seed++);
                picture expected = pic;
                plainMotionBlur(expected, m, angle);
                ASSERT_EQ(engineMotionBlur(pic, m, angle), expected) << w << "x" << h << " m " << m << " angle " << angle;
            }
}

// ---- Without vector instructions ----

TEST(KernelFilters, EveryVectorLevelGivesTheSameBytes)
{
    struct kernelSetting {
        int code;
        int a;
        int b;
    };
    const kernelSetting settings[] = {
        {filterSharpen, 1, 0},    {filterSharpen, 13, 0},  {filterSoftFocus, 1, 0},    {filterSoftFocus, 6, 100},
        {filterSoftFocus, 30, 37}, {filterEmboss, 2, 90},   {filterEmboss, 30, 315},    {filterMotionBlur, 2, 0},
        {filterMotionBlur, 30, 45}, {filterMotionBlur, 11, 163}};
    unsigned seed = 900;
    for (int level = 0; level <= 2; ++level) {
    setVectorPaths(static_cast<vectorPaths>(level));
    for (const kernelSetting &s : settings)
        for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {5, 4}, {40, 3}, {75, 70}, {163, 64}}) {
            picture pic = randomPicture(w, h, seed++);
            picture expected = pic;
            switch (s.code) {
            case filterSharpen: plainSharpen(expected, s.a); break;
            case filterSoftFocus: plainSoftFocus(expected, s.a, s.b); break;
            case filterEmboss: plainEmboss(expected, s.a, s.b, packColor(30, 140, 250)); break;
            default: plainMotionBlur(expected, s.a, s.b); break;
            }
            colorFilter f = engineFor(pic, s.code);
            f.edgeLevel = s.a;
            f.softSize = s.a;
            f.softCoreLevel = s.b;
            f.embosseLevel = s.a;
            f.embossAngle = s.b;
            f.drawColor = packColor(30, 140, 250);
            f.vibrateSize = s.a;
            f.vibrateAngle = s.b;
            f.run();
            EXPECT_EQ(pic, expected) << "level " << level << " code " << s.code << " " << w << "x" << h << " " << s.a << " " << s.b;
        }
    }
    setVectorPaths(vectorPaths::best);
}

TEST(KernelFilters, ParametersBeyondTheControlsStillMatchThePlainReading)
{
    // Angles outside 0..180 give weights outside 0..256, and a soft size of 300 rows of 301
    // weights: the fast 16-bit sums must not be used for them.
    picture pic = randomPicture(37, 29, 77);
    for (int angle : {-20, 200, 250}) {
        picture out = pic, expected = pic;
        plainMotionBlur(expected, 3, angle);
        colorFilter f = engineFor(out, filterMotionBlur);
        f.vibrateSize = 3;
        f.vibrateAngle = angle;
        f.run();
        EXPECT_EQ(out, expected) << angle;
    }
    picture out = pic, expected = pic;
    plainSoftFocus(expected, 300, 20);
    colorFilter f = engineFor(out, filterSoftFocus);
    f.softSize = 300;
    f.softCoreLevel = 20;
    f.run();
    EXPECT_EQ(out, expected);
}

// ---- The libvips matrix file ----

TEST(VipsMatrix, WritesHeaderAndRows)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("k.mat");
    ASSERT_TRUE(writeVipsMatrix({0, 1, 0, 1, -4, 2, 0, 1, 3}, 3, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "3 3 4 0\n0 1 0\n1 -4 2\n0 1 3\n");
    file.close();
    // A kernel summing to zero keeps a scale of 1.
    ASSERT_TRUE(writeVipsMatrix(std::vector<int>(embossKernel(0), embossKernel(0) + 9), 3, path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readLine().toStdString(), "3 3 1 0\n");
}

TEST(VipsMatrix, RefusesWrongSizesAndUnwritablePathsWithoutTouchingTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("k.mat");
    ASSERT_TRUE(writeVipsMatrix({5}, 1, path));
    EXPECT_FALSE(writeVipsMatrix({1, 2, 3}, 2, path));
    EXPECT_FALSE(writeVipsMatrix({}, 0, path));
    EXPECT_FALSE(writeVipsMatrix({1, 2, 3, 4}, 2, dir.filePath("missing/k.mat")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "1 1 5 0\n5\n");
}

} // namespace
