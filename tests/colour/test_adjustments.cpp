#include "colour/colorcontrol.h"
#include "colour/colorfilter.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct rgbPlanes {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> r, g, b;

    rgbPlanes(int w, int h) : width(w), height(h), r(std::size_t(w) * h), g(r.size()), b(r.size()) {}

    void set(int x, int y, int rv, int gv, int bv)
    {
        const std::size_t i = std::size_t(y) * width + x;
        r[i] = std::uint8_t(rv);
        g[i] = std::uint8_t(gv);
        b[i] = std::uint8_t(bv);
    }
    bool operator==(const rgbPlanes &o) const { return r == o.r && g == o.g && b == o.b; }
};

rgbPlanes randomPicture(int w, int h, unsigned seed)
{
    rgbPlanes p(w, h);
    std::mt19937 gen(seed);
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        p.r[i] = std::uint8_t(gen());
        p.g[i] = std::uint8_t(gen());
        p.b[i] = std::uint8_t(gen());
    }
    return p;
}

// Every 24-bit colour once: 4096 × 4096.
rgbPlanes allColours()
{
    rgbPlanes p(4096, 4096);
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        p.r[i] = std::uint8_t(i >> 16);
        p.g[i] = std::uint8_t(i >> 8);
        p.b[i] = std::uint8_t(i);
    }
    return p;
}

struct progressLog {
    int maximum = -1;
    std::vector<int> positions;
    progressIndicator indicator;
    progressLog()
    {
        indicator.onMaximum = [this](int m) { maximum = m; };
        indicator.onPosition = [this](int p) { positions.push_back(p); };
    }
};

colorFilter engineFor(rgbPlanes &p, int code)
{
    colorFilter f;
    f.filterType = code;
    f.width = p.width;
    f.height = p.height;
    f.redPlane = p.r.data();
    f.greenPlane = p.g.data();
    f.bluePlane = p.b.data();
    return f;
}

int clampChannel(int v) { return v > 255 ? 255 : (v < 0 ? 0 : v); }

// ---- the straightforward readings of each adjustment -------------------------------------

void referenceShift(rgbPlanes &p, int dr, int dg, int db)
{
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        p.r[i] = std::uint8_t(clampChannel(p.r[i] + dr));
        p.g[i] = std::uint8_t(clampChannel(p.g[i] + dg));
        p.b[i] = std::uint8_t(clampChannel(p.b[i] + db));
    }
}

void referenceBrightChromaHue(rgbPlanes &p, int bright, int chroma, int hue)
{
    colorTriple rgb, yhc;
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        rgb = {p.r[i], p.g[i], p.b[i]};
        rgbToYhc(rgb, yhc);
        yhc.first = clampChannel(yhc.first + bright);
        yhc.third = clampChannel(yhc.third + chroma);
        yhc.second = std::min(360, std::max(0, yhc.second + hue));
        yhcToRgb(rgb, yhc);
        p.r[i] = std::uint8_t(clampChannel(rgb.first));
        p.g[i] = std::uint8_t(clampChannel(rgb.second));
        p.b[i] = std::uint8_t(clampChannel(rgb.third));
    }
}

void referenceColorLevels(rgbPlanes &p, int colorLevel)
{
    const int step = 255 / colorLevel;
    colorTriple rgb, yhc;
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        rgb = {p.r[i], p.g[i], p.b[i]};
        rgbToYhc(rgb, yhc);
        if (yhc.first != 0) yhc.first = step * (yhc.first / step);
        yhc.first = clampChannel(yhc.first);
        yhcToRgb(rgb, yhc);
        p.r[i] = std::uint8_t(clampChannel(rgb.first));
        p.g[i] = std::uint8_t(clampChannel(rgb.second));
        p.b[i] = std::uint8_t(clampChannel(rgb.third));
    }
}

void referenceMonochrome(rgbPlanes &p, int code, std::uint32_t drawColor)
{
    referenceBrightChromaHue(p, 0, -255, 0);
    if (code == filterSepia) referenceShift(p, 30, 10, -40);
    if (code == filterDrawColorMono) {
        int r, g, b;
        splitColor(drawColor, r, g, b);
        referenceShift(p, r - 128, g - 128, b - 128);
    }
}

// Runs the engine with vector units on and off; both must match the reference.
template <typename Setup, typename Reference>
void expectMatchesReference(const rgbPlanes &source, int code, Setup setup, Reference reference)
{
    rgbPlanes expected = source;
    reference(expected);
    for (bool vector : {true, false}) {
        setVectorPaths(vector ? vectorPaths::best : vectorPaths::plain);
        rgbPlanes actual = source;
        colorFilter f = engineFor(actual, code);
        setup(f);
        f.run();
        EXPECT_TRUE(actual == expected) << "code " << code << " vector " << vector << " size " << source.width
                                        << "x" << source.height;
    }
    setVectorPaths(vectorPaths::best);
}

const std::vector<std::pair<int, int>> oddSizes{{1, 1}, {2, 2}, {3, 1}, {1, 5}, {7, 3}, {17, 9}, {33, 31}, {250, 3}};

// ---- examples ------------------------------------------------------------------------------

TEST(ColorAdjustments, BrightChromaHueAllZeroIsNotAnIdentity)
{
    rgbPlanes p(1, 1);
    p.set(0, 0, 200, 100, 50);
    colorFilter f = engineFor(p, filterBrightChromaHue);
    f.run();
    EXPECT_EQ(p.r[0], 200);
    EXPECT_EQ(p.g[0], 98);
    EXPECT_EQ(p.b[0], 50);
}

TEST(ColorAdjustments, FullChromaCutGivesGreyWhateverTheHue)
{
    rgbPlanes p = randomPicture(19, 7, 5);
    for (int hue : {-100, 0, 37, 100}) {
        rgbPlanes q = p;
        colorFilter f = engineFor(q, filterBrightChromaHue);
        f.chroma = -255;
        f.hue = hue;
        f.bright = 12;
        f.run();
        for (std::size_t i = 0; i < q.r.size(); ++i) {
            ASSERT_EQ(q.r[i], q.g[i]);
            ASSERT_EQ(q.g[i], q.b[i]);
            colorTriple yhc;
            rgbToYhc(colorTriple{p.r[i], p.g[i], p.b[i]}, yhc);
            ASSERT_EQ(q.r[i], clampChannel(yhc.first + 12));
        }
    }
}

TEST(ColorAdjustments, HueIsLimitedNotWrapped)
{
    // Blue (0, 0, 255) has hue 353: +30 stops at 360, the same as +7.
    rgbPlanes a(1, 1), b(1, 1);
    a.set(0, 0, 0, 0, 255);
    b.set(0, 0, 0, 0, 255);
    colorFilter fa = engineFor(a, filterBrightChromaHue);
    fa.hue = 30;
    fa.run();
    colorFilter fb = engineFor(b, filterBrightChromaHue);
    fb.hue = 7;
    fb.run();
    EXPECT_TRUE(a == b);
    rgbPlanes c(1, 1);
    c.set(0, 0, 0, 0, 255);
    colorFilter fc = engineFor(c, filterBrightChromaHue);
    fc.hue = -100; // 253, not wrapped: a different colour
    fc.run();
    EXPECT_FALSE(a == c);
}

TEST(ColorAdjustments, ColorLevelsTwoQuantisesLumaToThreeValues)
{
    rgbPlanes p = randomPicture(64, 16, 9);
    for (std::size_t i = 0; i < 256; ++i) p.r[i] = p.g[i] = p.b[i] = std::uint8_t(i); // greys 0..255
    colorFilter f = engineFor(p, filterColorLevels);
    f.colorLevel = 2;
    f.run();
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(p.r[i], p.g[i]);
        ASSERT_EQ(p.g[i], p.b[i]);
        const int level = p.r[i];
        ASSERT_TRUE(level == 0 || level == 127 || level == 254) << i << " -> " << level;
    }
    EXPECT_EQ(p.r[255], 254);
    // Grey 200 → 127, grey 255 → 254, grey 100 → 0.
    EXPECT_EQ(p.r[200], 127);
    EXPECT_EQ(p.r[100], 0);
}

TEST(ColorAdjustments, SepiaAndTintOnBlack)
{
    rgbPlanes p(1, 1);
    colorFilter f = engineFor(p, filterSepia);
    f.run();
    EXPECT_EQ(p.r[0], 30);
    EXPECT_EQ(p.g[0], 10);
    EXPECT_EQ(p.b[0], 0);
    EXPECT_EQ(f.red, 30); // the scratch fields hold the shifts
    EXPECT_EQ(f.blue, -40);
    EXPECT_EQ(f.chroma, -255);

    rgbPlanes q(1, 1);
    colorFilter g = engineFor(q, filterDrawColorMono);
    g.drawColor = packColor(100, 200, 200);
    g.run();
    EXPECT_EQ(q.r[0], 0);
    EXPECT_EQ(q.g[0], 72);
    EXPECT_EQ(q.b[0], 72);
}

TEST(ColorAdjustments, MidGreyTintIsPlainGreyscale)
{
    const rgbPlanes source = randomPicture(37, 11, 3);
    rgbPlanes grey = source, tinted = source;
    colorFilter f = engineFor(grey, filterGreyscale);
    f.run();
    colorFilter g = engineFor(tinted, filterDrawColorMono);
    g.drawColor = packColor(128, 128, 128);
    g.run();
    EXPECT_TRUE(grey == tinted);
    // A mid grey pixel becomes the drawing colour itself.
    rgbPlanes mid(1, 1);
    mid.set(0, 0, 128, 128, 128);
    colorFilter h = engineFor(mid, filterDrawColorMono);
    h.drawColor = packColor(10, 220, 99);
    h.run();
    int expectedGrey;
    {
        colorTriple yhc;
        rgbToYhc(colorTriple{128, 128, 128}, yhc);
        expectedGrey = yhc.first;
    }
    EXPECT_EQ(mid.r[0], clampChannel(expectedGrey + 10 - 128));
    EXPECT_EQ(mid.g[0], clampChannel(expectedGrey + 220 - 128));
    EXPECT_EQ(mid.b[0], clampChannel(expectedGrey + 99 - 128));
}

TEST(ColorAdjustments, RgbShiftClampsEachPlane)
{
    rgbPlanes p(3, 1);
    p.set(0, 0, 0, 128, 255);
    p.set(1, 0, 250, 5, 100);
    p.set(2, 0, 10, 20, 30);
    colorFilter f = engineFor(p, filterRgbShift);
    f.red = 10;
    f.green = -10;
    f.blue = 255;
    f.run();
    EXPECT_EQ(p.r[0], 10);
    EXPECT_EQ(p.g[0], 118);
    EXPECT_EQ(p.b[0], 255);
    EXPECT_EQ(p.r[1], 255);
    EXPECT_EQ(p.g[1], 0);
    EXPECT_EQ(p.b[1], 255);
    EXPECT_EQ(p.r[2], 20);
    EXPECT_EQ(p.g[2], 10);
}

TEST(ColorAdjustments, UnknownCodesLeaveThePlanesAndResetProgress)
{
    const rgbPlanes source = randomPicture(5, 4, 1);
    for (int code : {0, 3, 18, 99, 103, -1}) {
        rgbPlanes p = source;
        progressLog log;
        colorFilter f = engineFor(p, code);
        f.progressBar = &log.indicator;
        f.run();
        EXPECT_TRUE(p == source) << code;
        EXPECT_EQ(log.maximum, 4);
        ASSERT_EQ(log.positions.size(), 1u);
        EXPECT_EQ(log.positions[0], 0);
        EXPECT_EQ(f.pixelCount, 20);
    }
}

TEST(ColorAdjustments, ProgressAfterEveryRowThenZero)
{
    for (int code : {filterRgbShift, filterBrightChromaHue, filterColorLevels, filterGreyscale, filterSepia, filterDrawColorMono}) {
        rgbPlanes p = randomPicture(6, 5, 2);
        progressLog log;
        colorFilter f = engineFor(p, code);
        f.progressBar = &log.indicator;
        f.run();
        EXPECT_EQ(log.maximum, 5);
        const std::vector<int> expected{0, 1, 2, 3, 4, 0};
        EXPECT_EQ(log.positions, expected) << code;
    }
}

TEST(ColorAdjustments, SinglePixelTouchesNothingElse)
{
    for (int code : {filterRgbShift, filterBrightChromaHue, filterColorLevels, filterGreyscale, filterSepia, filterDrawColorMono}) {
        // One pixel inside guard bytes: the engine must write only the middle byte.
        std::vector<std::uint8_t> r(33, 0xAB), g(33, 0xCD), b(33, 0xEF);
        r[16] = 200;
        g[16] = 100;
        b[16] = 50;
        colorFilter f;
        f.filterType = code;
        f.width = f.height = 1;
        f.redPlane = r.data() + 16;
        f.greenPlane = g.data() + 16;
        f.bluePlane = b.data() + 16;
        f.red = 20;
        f.bright = 5;
        f.chroma = 30;
        f.colorLevel = 3;
        f.drawColor = packColor(1, 2, 3);
        f.run();
        for (int i = 0; i < 33; ++i) {
            if (i == 16) continue;
            ASSERT_EQ(r[i], 0xAB) << code;
            ASSERT_EQ(g[i], 0xCD) << code;
            ASSERT_EQ(b[i], 0xEF) << code;
        }
        rgbPlanes expected(1, 1);
        expected.set(0, 0, 200, 100, 50);
        switch (code) {
        case filterRgbShift: referenceShift(expected, 20, 0, 0); break;
        case filterBrightChromaHue: referenceBrightChromaHue(expected, 5, 30, 0); break;
        case filterColorLevels: referenceColorLevels(expected, 3); break;
        default: referenceMonochrome(expected, code, packColor(1, 2, 3)); break;
        }
        EXPECT_EQ(r[16], expected.r[0]) << code;
        EXPECT_EQ(g[16], expected.g[0]) << code;
        EXPECT_EQ(b[16], expected.b[0]) << code;
    }
}

TEST(ColorAdjustments, ColorLevelsOutsideTheRangeIsHarmless)
{
    const rgbPlanes source = randomPicture(4, 4, 8);
    for (int level : {0, 256, 300, -256}) {
        rgbPlanes p = source;
        colorFilter f = engineFor(p, filterColorLevels);
        f.colorLevel = level;
        f.run(); // no division by zero
        EXPECT_TRUE(p == source) << level;
    }
    // A negative level still forms a step (−85 for −3): the same multiples as level 3.
    rgbPlanes negative = source, positive = source;
    colorFilter fn = engineFor(negative, filterColorLevels);
    fn.colorLevel = -3;
    fn.run();
    colorFilter fp = engineFor(positive, filterColorLevels);
    fp.colorLevel = 3;
    fp.run();
    EXPECT_TRUE(negative == positive);
    EXPECT_FALSE(negative == source);
}

// ---- fast loops against the plain readings ------------------------------------------------

TEST(ColorAdjustmentsExact, RgbShiftOnOddSizes)
{
    unsigned seed = 100;
    for (auto [w, h] : oddSizes)
        for (auto shifts : {std::array<int, 3>{0, 0, 0}, {255, -255, 1}, {-1, 17, -200}, {30, 10, -40}})
            expectMatchesReference(
                randomPicture(w, h, seed++), 1,
                [&](colorFilter &f) { f.red = shifts[0]; f.green = shifts[1]; f.blue = shifts[2]; },
                [&](rgbPlanes &p) { referenceShift(p, shifts[0], shifts[1], shifts[2]); });
}

TEST(ColorAdjustmentsExact, BrightChromaHueOnOddSizes)
{
    unsigned seed = 200;
    const std::vector<std::array<int, 3>> settings{{0, 0, 0}, {10, 20, 10}, {-100, -255, 100}, {100, 255, -100},
                                                   {-37, 81, 45}, {0, -254, 0}, {0, -228, 5}, {0, -227, 5}};
    for (auto [w, h] : oddSizes)
        for (const auto &s : settings)
            expectMatchesReference(
                randomPicture(w, h, seed++), 2,
                [&](colorFilter &f) { f.bright = s[0]; f.chroma = s[1]; f.hue = s[2]; },
                [&](rgbPlanes &p) { referenceBrightChromaHue(p, s[0], s[1], s[2]); });
}

TEST(ColorAdjustmentsExact, ColorLevelsAndMonochromeOnOddSizes)
{
    unsigned seed = 300;
    for (auto [w, h] : oddSizes) {
        for (int level : {2, 5, 20, 80, 255})
            expectMatchesReference(randomPicture(w, h, seed++), 7, [&](colorFilter &f) { f.colorLevel = level; },
                                   [&](rgbPlanes &p) { referenceColorLevels(p, level); });
        for (int code : {filterGreyscale, filterSepia, filterDrawColorMono}) {
            const std::uint32_t colour = packColor(std::uint8_t(seed * 37), std::uint8_t(seed * 91), 7);
            expectMatchesReference(randomPicture(w, h, seed++), code, [&](colorFilter &f) { f.drawColor = colour; },
                                   [&](rgbPlanes &p) { referenceMonochrome(p, code, colour); });
        }
    }
}

TEST(ColorAdjustmentsExact, EveryColourThroughBrightChromaHue)
{
    const rgbPlanes source = allColours();
    // With no hue shift every hue stays visible (a shift clamps hues near 360 together).
    for (const auto &s : {std::array<int, 3>{10, 20, 10}, std::array<int, 3>{0, 0, 0}}) {
        rgbPlanes expected = source;
        referenceBrightChromaHue(expected, s[0], s[1], s[2]);
        rgbPlanes actual = source;
        colorFilter f = engineFor(actual, filterBrightChromaHue);
        f.bright = s[0];
        f.chroma = s[1];
        f.hue = s[2];
        f.run();
        EXPECT_TRUE(actual == expected) << s[0] << " " << s[1] << " " << s[2];
    }
}

TEST(ColorAdjustmentsExact, EveryColourThroughColorLevels)
{
    const rgbPlanes source = allColours();
    {
        rgbPlanes expected = source;
        referenceColorLevels(expected, 7);
        rgbPlanes actual = source;
        colorFilter f = engineFor(actual, filterColorLevels);
        f.colorLevel = 7;
        f.run();
        EXPECT_TRUE(actual == expected);
    }
}

TEST(ColorAdjustmentsExact, GreyscaleOverEdgesAndASampleOfColours)
{
    // Every red/green pair with blue on a stride that keeps both ends, plus the picture's own
    // edge colours: the shortcut is the exact luma, which must equal the full round trip.
    rgbPlanes source(256 * 35, 256);
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int k = 0; k < 35; ++k) {
                const int b = k < 32 ? k * 8 + (r + g) % 8 : (k == 32 ? 0 : (k == 33 ? 255 : 128));
                source.set(g * 35 + k, r, r, g, b);
            }
    for (int code : {filterGreyscale, filterSepia}) {
        rgbPlanes expected = source;
        referenceMonochrome(expected, code, 0);
        rgbPlanes actual = source;
        colorFilter f = engineFor(actual, code);
        f.run();
        EXPECT_TRUE(actual == expected) << code;
    }
}

} // namespace
