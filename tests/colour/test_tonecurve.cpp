#include "colour/colorfilter.h"
#include "colour/tonecurveview.h"

#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <vector>

namespace {

const std::array<int, 9> resetPoints{128, 112, 96, 80, 64, 48, 32, 16, 0};

// Runs a tone curve over one row holding every level (red rising, green falling, blue rising)
// and returns the red mapping; green and blue must agree with it.
std::array<int, 256> mapLevels(int code, int position, const std::array<int, 9> &points = resetPoints)
{
    std::vector<std::uint8_t> r(256), g(256), b(256);
    for (int i = 0; i < 256; ++i) {
        r[i] = std::uint8_t(i);
        g[i] = std::uint8_t(255 - i);
        b[i] = std::uint8_t(i);
    }
    colorFilter f;
    f.filterType = code;
    f.width = 256;
    f.height = 1;
    f.redPlane = r.data();
    f.greenPlane = g.data();
    f.bluePlane = b.data();
    f.tonePosition = position;
    f.tonePoints = points;
    f.run();
    std::array<int, 256> out{};
    for (int i = 0; i < 256; ++i) {
        out[i] = r[i];
        EXPECT_EQ(b[i], r[i]);
        EXPECT_EQ(g[255 - i], r[i]) << "channels share one table";
    }
    return out;
}

TEST(ToneCurve, ResetPointsAndSlope25AreIdentities)
{
    const auto points = mapLevels(filterTonePoints, 0);
    const auto slope = mapLevels(filterToneSlope, 25);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(points[i], i);
        EXPECT_EQ(slope[i], i);
    }
}

TEST(ToneCurve, FlatSlopeIsMidGrey)
{
    const auto m = mapLevels(filterToneSlope, 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(m[i], 128) << i;
}

TEST(ToneCurve, NegativeSlopeInvertsAndSteepestIsAStep)
{
    const auto inverted = mapLevels(filterToneSlope, -25);
    EXPECT_EQ(inverted[0], 255); // 1 + 0.5 limited to 1 → 256 limited to 255
    EXPECT_EQ(inverted[255], 1);
    const auto step = mapLevels(filterToneSlope, 50);
    EXPECT_EQ(step[127], 0);
    EXPECT_EQ(step[128], 128);
    EXPECT_EQ(step[129], 255);
}

TEST(ToneCurve, SCurveAndGammaAtZeroAreNearlyIdentities)
{
    const auto s = mapLevels(filterToneSCurve, 0);
    EXPECT_EQ(s[64], 63);
    EXPECT_EQ(s[127], 126);
    for (int i = 128; i < 256; ++i) EXPECT_EQ(s[i], i) << i;
    const auto g = mapLevels(filterToneGamma, 0);
    EXPECT_EQ(g[128], 127);
    EXPECT_EQ(g[255], 254);
    EXPECT_EQ(g[0], 0);
}

TEST(ToneCurve, SCurveExtremes)
{
    const auto up = mapLevels(filterToneSCurve, 50);
    EXPECT_EQ(up[127], 6);
    EXPECT_EQ(up[129], 249);
    const auto down = mapLevels(filterToneSCurve, -50);
    EXPECT_EQ(down[1], 69);
    EXPECT_EQ(down[64], 128);
    EXPECT_EQ(down[255], 186);
}

TEST(ToneCurve, GammaExtremes)
{
    const auto dark = mapLevels(filterToneGamma, 50);
    for (int i = 0; i <= 192; ++i) EXPECT_EQ(dark[i], 0) << i;
    EXPECT_EQ(dark[255], 173);
    const auto light = mapLevels(filterToneGamma, -50);
    EXPECT_EQ(light[1], 242);
    EXPECT_EQ(light[0], 0);
}

TEST(ToneCurve, BuilderParametersFollowTheFormula)
{
    std::array<double, 256> v{};
    // t = (p + 50 + 0.01) / 100 · 2, so p = 0 gives t = 1.0002.
    EXPECT_NEAR(buildToneCurve(11, 50, -50, 0, resetPoints, v.data(), 256), 0.99908, 1e-5);
    EXPECT_NEAR(buildToneCurve(14, 50, -50, 0, resetPoints, v.data(), 256), 1.00092, 1e-5);
    EXPECT_NEAR(buildToneCurve(12, 50, -50, 25, resetPoints, v.data(), 256), 1.0, 1e-12);
    EXPECT_EQ(buildToneCurve(13, 50, -50, 17, resetPoints, v.data(), 256), 0.0);
    EXPECT_NEAR(buildToneCurve(14, 50, -50, 50, resetPoints, v.data(), 128), std::pow(100.0, 2.0002) * 0.01, 1e-9);
}

TEST(ToneCurve, DraggedKnotsReachBothEnds)
{
    std::array<int, 9> points = resetPoints;
    ASSERT_TRUE(toneKnotDrag(points, 4, 0, 132)); // P4 = −2
    EXPECT_EQ(points[4], -2);
    EXPECT_EQ(mapLevels(filterTonePoints, 0, points)[128], 255);
    ASSERT_TRUE(toneKnotDrag(points, 4, 130, 132)); // P4 = 128
    EXPECT_EQ(mapLevels(filterTonePoints, 0, points)[128], 0);
    ASSERT_TRUE(toneKnotDrag(points, 4, 132, 132)); // P4 = 130: below zero, limited
    EXPECT_EQ(mapLevels(filterTonePoints, 0, points)[128], 0);
}

TEST(ToneCurve, LastLevelIsThirtyOneThirtySecondsToTheLastKnot)
{
    std::array<int, 9> points = resetPoints;
    points[7] = 64; // fraction 0.5
    points[8] = 0;  // fraction 1
    // value = 64 + 31 · (0 − 64) / 32 = 2 → 1 − 2/128 → ·256 = 252.
    const auto m = mapLevels(filterTonePoints, 0, points);
    EXPECT_EQ(m[255], 252);
    EXPECT_EQ(m[224], 128);
    EXPECT_EQ(m[240], 192);
}

TEST(ToneCurve, PointBuilderNeverWritesPastAShortBuffer)
{
    std::vector<double> buffer(130, -7.0);
    buildToneCurve(13, 50, -50, 0, resetPoints, buffer.data(), 128);
    EXPECT_EQ(buffer[128], -7.0);
    EXPECT_EQ(buffer[129], -7.0);
    EXPECT_EQ(buffer[0], 0.0);
}

TEST(ToneCurve, ProgressPerRowAndTableKeptScaled)
{
    std::vector<std::uint8_t> r(12, 200), g(12, 100), b(12, 0);
    std::vector<int> positions;
    progressIndicator progress;
    progress.onPosition = [&](int p) { positions.push_back(p); };
    colorFilter f;
    f.filterType = filterToneSlope;
    f.width = 4;
    f.height = 3;
    f.redPlane = r.data();
    f.greenPlane = g.data();
    f.bluePlane = b.data();
    f.tonePosition = 25;
    f.progressBar = &progress;
    f.run();
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_GE(f.toneTable[0], 0.0); // tan(π/4) is a hair below 1
    EXPECT_LT(f.toneTable[0], 1.0);
    EXPECT_EQ(f.toneTable[200], 200.0);
    EXPECT_EQ(f.toneTable[255], 255.0);
    EXPECT_EQ(r[11], 200);
    EXPECT_EQ(g[0], 100);
}

TEST(ToneKnots, HitTestUsesColumnAndFourPixelBand)
{
    const std::array<int, 9> points = resetPoints;
    EXPECT_EQ(toneKnotHit(points, 2, 128), 0);
    EXPECT_EQ(toneKnotHit(points, 7, 132), 0);     // (7 + 8) / 16 = 0, 128 + 4
    EXPECT_EQ(toneKnotHit(points, 8, 112), 1);     // (8 + 8) / 16 = 1
    EXPECT_EQ(toneKnotHit(points, 8, 117), toneNoKnot);
    EXPECT_EQ(toneKnotHit(points, 66, 60), 4);     // P4 = 64, 64 − 4
    EXPECT_EQ(toneKnotHit(points, 66, 59), toneNoKnot);
    EXPECT_EQ(toneKnotHit(points, 130, -4), 8);
    EXPECT_EQ(toneKnotHit(points, 136, 0), toneNoKnot); // right of the last knot
    EXPECT_EQ(toneKnotHit(points, -30, 128), toneNoKnot);
}

TEST(ToneKnots, DragNeedsASelectionAndAPositionInsideTheImage)
{
    std::array<int, 9> points = resetPoints;
    EXPECT_FALSE(toneKnotDrag(points, toneNoKnot, 50, 132));
    EXPECT_FALSE(toneKnotDrag(points, 3, -1, 132));
    EXPECT_FALSE(toneKnotDrag(points, 3, 133, 132));
    EXPECT_FALSE(toneKnotDrag(points, -1, 50, 132));
    EXPECT_EQ(points, resetPoints);
    EXPECT_TRUE(toneKnotDrag(points, 3, 50, 132));
    EXPECT_EQ(points[3], 48);
    std::array<int, 9> reset{};
    resetTonePoints(reset);
    EXPECT_EQ(reset, resetPoints);
}

TEST(ToneDisplay, ValueTexts)
{
    QImage canvas;
    std::array<double, 128> buffer{};
    EXPECT_EQ(drawToneCurve(canvas, 11, 50, -50, 0, resetPoints, buffer.data()), QStringLiteral("1.00"));
    EXPECT_EQ(drawToneCurve(canvas, 14, 50, -50, 0, resetPoints, buffer.data()), QStringLiteral("1.00"));
    EXPECT_EQ(drawToneCurve(canvas, 12, 50, -50, 25, resetPoints, buffer.data()), QStringLiteral("1.00"));
    EXPECT_EQ(drawToneCurve(canvas, 12, 50, -50, -25, resetPoints, buffer.data()), QStringLiteral("-1.00"));
    EXPECT_EQ(drawToneCurve(canvas, 12, 50, -50, 0, resetPoints, buffer.data()), QStringLiteral("0.00"));
    EXPECT_EQ(drawToneCurve(canvas, 13, 50, -50, 0, resetPoints, buffer.data()), QStringLiteral("0"));
    EXPECT_EQ(drawToneCurve(canvas, 14, 50, -50, 50, resetPoints, buffer.data()), QStringLiteral("100.09"));
    EXPECT_EQ(drawToneCurve(canvas, 14, 50, -50, -50, resetPoints, buffer.data()), QStringLiteral("0.01"));
    EXPECT_EQ(toneValueText(0.004), QStringLiteral("0.00"));
    EXPECT_EQ(toneValueText(-0.004), QStringLiteral("0.00"));
    EXPECT_EQ(toneValueText(31.820515953773956), QStringLiteral("31.82"));
    EXPECT_EQ(toneValueText(9.999), QStringLiteral("10.00"));
    EXPECT_EQ(toneValueText(1234.567), QStringLiteral("1234.60")); // five significant digits first
    EXPECT_EQ(toneValueText(1.633123935319537e16), QStringLiteral("1.6331E+16"));
}

QRgb pixel(const QImage &image, int x, int y) { return image.pixel(x, y) & 0xffffffu; }

TEST(ToneDisplay, GridCurveAndKnotPixels)
{
    QImage canvas;
    std::array<double, 128> buffer{};
    drawToneCurve(canvas, 12, 50, -50, 0, resetPoints, buffer.data()); // flat line at v = 0.5
    ASSERT_EQ(canvas.size(), QSize(132, 132));
    EXPECT_EQ(canvas.format(), QImage::Format_RGB32);
    EXPECT_EQ(pixel(canvas, 1, 1), 0xffffffu);          // background
    EXPECT_EQ(pixel(canvas, 10, 18), 0xc0c0c0u);        // horizontal grid line
    EXPECT_EQ(pixel(canvas, 18, 40), 0xc0c0c0u);        // vertical grid line
    EXPECT_EQ(pixel(canvas, 5, 9), 0xffffffu);          // between grid lines
    EXPECT_EQ(pixel(canvas, 40, 66), 0x000000u);        // the curve: trunc(128 − 64) + 2
    EXPECT_EQ(buffer[0], 0.5);
    EXPECT_EQ(buffer[127], 0.5);

    drawToneCurve(canvas, 13, 50, -50, 0, resetPoints, buffer.data());
    // Knot 4 at (66, 66): a disc pixel off the joining line, the line through its centre.
    EXPECT_EQ(pixel(canvas, 66, 69), qRgb(166, 202, 240) & 0xffffffu);
    EXPECT_EQ(pixel(canvas, 63, 66), qRgb(166, 202, 240) & 0xffffffu);
    EXPECT_EQ(pixel(canvas, 66, 66), 0x000000u);
    EXPECT_EQ(pixel(canvas, 40, 66), 0xc0c0c0u);        // no curve in the point kind
}

} // namespace
