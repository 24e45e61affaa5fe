#include "colour/colorcontrol.h"

#include <gtest/gtest.h>

namespace {

colorTriple yhcOf(int r, int g, int b)
{
    colorTriple out;
    rgbToYhc(colorTriple{r, g, b}, out);
    return out;
}

colorTriple rgbOfYhc(int y, int h, int c)
{
    colorTriple out;
    yhcToRgb(out, colorTriple{y, h, c});
    return out;
}

colorTriple hlsOf(int r, int g, int b)
{
    colorTriple out;
    rgbToHls(colorTriple{r, g, b}, out);
    return out;
}

colorTriple rgbOfHls(int l, int h, int s)
{
    colorTriple out;
    hlsToRgb(out, colorTriple{l, h, s});
    return out;
}

void expectTriple(const colorTriple &t, int a, int b, int c)
{
    EXPECT_EQ(t.first, a);
    EXPECT_EQ(t.second, b);
    EXPECT_EQ(t.third, c);
}

TEST(PackedColour, PackAndSplitRoundTrip)
{
    const std::uint32_t packed = packColor(100, 200, 200);
    EXPECT_EQ(packed, 200u * 65536u + 200u * 256u + 100u);
    int r = -1, g = -1, b = -1;
    splitColor(packed, r, g, b);
    EXPECT_EQ(r, 100);
    EXPECT_EQ(g, 200);
    EXPECT_EQ(b, 200);
    // Bits above blue are ignored.
    splitColor(0xff0000ffu, r, g, b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 0);
}

TEST(LumaHueChroma, KnownColours)
{
    expectTriple(yhcOf(255, 0, 0), 76, 113, 194);
    expectTriple(yhcOf(0, 0, 255), 28, 353, 228);
    expectTriple(yhcOf(200, 100, 50), 124, 134, 106);
    expectTriple(rgbOfYhc(124, 134, 106), 200, 98, 50);
}

TEST(LumaHueChroma, NeutralHasNoHueOrChroma)
{
    for (int v : {0, 1, 17, 128, 254, 255}) {
        const colorTriple t = yhcOf(v, v, v);
        EXPECT_EQ(t.second, 0) << v;
        EXPECT_EQ(t.third, 0) << v;
        EXPECT_LE(t.first, v);
        EXPECT_GE(t.first, v - 1);
    }
}

TEST(LumaHueChroma, BackConversionClampsEachChannel)
{
    // A big chroma pushes channels past both ends; each is clamped before truncation.
    const colorTriple t = rgbOfYhc(128, 90, 400);
    EXPECT_EQ(t.first, 255);  // 128 + 400
    EXPECT_EQ(t.third, 128);  // cos 90° · 400 is (almost) 0
    EXPECT_EQ(t.second, 0);   // 128 − 0.508·400
    expectTriple(rgbOfYhc(-20, 0, 0), 0, 0, 0);
    expectTriple(rgbOfYhc(300, 0, 0), 255, 255, 255);
}

TEST(LumaHueChroma, HueRangeCoversAllDirections)
{
    int lowest = 1000, highest = -1;
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5) {
                const colorTriple t = yhcOf(r, g, b);
                lowest = std::min(lowest, t.second);
                highest = std::max(highest, t.second);
                EXPECT_LE(t.third, 228);
            }
    EXPECT_EQ(lowest, 0);
    EXPECT_GE(highest, 350);
    EXPECT_LE(highest, 359);
}

TEST(Hls, KnownColours)
{
    expectTriple(hlsOf(255, 0, 0), 127, 0, 255);
    expectTriple(hlsOf(0, 0, 255), 127, 240, 255);
    expectTriple(hlsOf(200, 100, 50), 125, 20, 153);
    expectTriple(hlsOf(90, 90, 90), 90, 0, 0);
    // Green maximum and a negative red-first hue that wraps.
    expectTriple(hlsOf(0, 255, 0), 127, 120, 255);
    expectTriple(hlsOf(255, 0, 128), 127, 329, 255);
}

TEST(Hls, BackConversion)
{
    expectTriple(rgbOfHls(128, 0, 255), 1, 1, 255);
    expectTriple(rgbOfHls(128, 240, 255), 255, 1, 1);
    expectTriple(rgbOfHls(77, 200, 0), 77, 77, 77);
    // Upper limit only: m2 = 255 + 255 − 255 = 255, m1 = 255 (no channel above 255 here), and
    // L = 255, S = 255 keeps every channel at 255.
    expectTriple(rgbOfHls(255, 100, 255), 255, 255, 255);
}

TEST(Hls, ChannelWrapsOnce)
{
    // m1 = 10, m2 = 70: 240 → m1, 120 → m2.
    EXPECT_EQ(hlsChannel(10.0, 70.0, -120), 10);
    EXPECT_EQ(hlsChannel(10.0, 70.0, 480), 70);
    // Only one wrap: 720 becomes 360, which falls in the last branch (m1).
    EXPECT_EQ(hlsChannel(10.0, 70.0, 720), 10);
    EXPECT_EQ(hlsChannel(10.0, 70.0, 30), 40);   // 10 + 60·30/60
    EXPECT_EQ(hlsChannel(10.0, 70.0, 210), 40);  // 10 + 60·30/60
    EXPECT_EQ(hlsChannel(10.0, 70.0, 59), 69);
}

// The fast per-pixel forms must agree with the plain ones for every colour.
TEST(FastConversions, RgbToYhcMatchesForAllColours)
{
    long mismatches = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                colorTriple plain;
                rgbToYhc(colorTriple{r, g, b}, plain);
                int y, h, c;
                fastRgbToYhc(r, g, b, y, h, c);
                if (y != plain.first || h != plain.second || c != plain.third) {
                    if (mismatches < 5)
                        ADD_FAILURE() << r << "," << g << "," << b << ": " << h << " vs " << plain.second;
                    ++mismatches;
                }
            }
    EXPECT_EQ(mismatches, 0);
}

TEST(FastConversions, YhcToRgbMatchesOverTheWholeInputRange)
{
    long mismatches = 0;
    for (int y = -5; y <= 260; ++y)
        for (int h = -3; h <= 363; ++h)
            for (int c : {0, 1, 2, 7, 50, 106, 113, 194, 227, 228, 229, 255, 300}) {
                const colorTriple plain = rgbOfYhc(y, h, c);
                int r, g, b;
                fastYhcToRgb(y, h, c, r, g, b);
                if (r != plain.first || g != plain.second || b != plain.third) ++mismatches;
            }
    EXPECT_EQ(mismatches, 0);
}

TEST(FastConversions, HueTablesHoldTheConversionsAngles)
{
    // Hue 90 lies on the R − Y axis: all chroma goes to red.
    const double *sines = yhcSineTable();
    const double *cosines = yhcCosineTable();
    EXPECT_EQ(sines[0], 0.0);
    EXPECT_EQ(cosines[0], 1.0);
    EXPECT_NEAR(sines[90], 1.0, 1e-15);
    EXPECT_NEAR(cosines[180], -1.0, 1e-15);
    EXPECT_NEAR(sines[360], 0.0, 1e-15);
}

} // namespace
