// The brush pages: sizes, profiles with their speckles, the two samples, from the bars.
#include "ui/panels/brushpanel.h"
#include "fakecontrols.h"

#include "colour/sharedrandom.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {
struct brushUnderTest {
    std::uint32_t drawColor = 100u | (200u << 8) | (200u << 16);
    fakeBar airSize{10, 3, 200}, airDensity{10, 0, 100}, airShape{0, -10, 10};
    fakeBar waterSize{10, 3, 200}, waterDensity{10, 0, 100}, waterShape{0, -10, 10};
    fakePicture airSample{201, 201}, airGraph{201, 105}, waterSample{201, 201}, waterGraph{201, 105};
    brushPanel brush;
    brushUnderTest()
    {
        brush.airBrushSampleImage = &airSample;
        brush.airBrushShapeImage = &airGraph;
        brush.waterBrushSampleImage = &waterSample;
        brush.wateBrushShapeImage = &waterGraph;
        brush.airBrushSizeTrackBar = &airSize;
        brush.airBrushDensityTrackBar = &airDensity;
        brush.airBrushShapeTrackBar = &airShape;
        brush.wateBrushSizeTrackBar = &waterSize;
        brush.wateBrushDensityTrackBar = &waterDensity;
        brush.wateBrushShapeTrackBar = &waterShape;
        brush.drawColorRef = &drawColor;
        brush.setupAirBrush();
        brush.setupWaterBrush();
    }
};

// The lined background of the water sample: black every 10 pixels.
bool onLine(int x, int y) { return x % 10 == 0 || y % 10 == 0; }
} // namespace

TEST(brushTool, sizesAreOddAndLimited)
{
    brushUnderTest t;
    EXPECT_EQ(t.brush.airBrushSize, 11);
    for (auto [position, size] : {std::pair{10, 11}, {3, 3}, {200, 201}, {1, 3}, {500, 201}}) {
        t.airSize.value = position;
        t.waterSize.value = position;
        t.brush.setupAirBrush();
        t.brush.setupWaterBrush();
        EXPECT_EQ(t.brush.airBrushSize, size) << position;
        EXPECT_EQ(t.brush.waterBrushSize, size) << position;
    }
}

TEST(brushTool, densityZeroLeavesTheSamplesAsTheirBackgrounds)
{
    brushUnderTest t;
    t.airDensity.value = 0;
    t.waterDensity.value = 0;
    for (int size : {10, 57, 200}) {
        t.airSize.value = size;
        t.waterSize.value = size;
        t.brush.setupAirBrush();
        t.brush.setupWaterBrush();
        for (int y = 1; y < 200; ++y)
            for (int x = 1; x < 200; ++x) {
                ASSERT_EQ(t.airSample.surface.pixel(x, y), 0xFFFFFFFFu) << size << ": " << x << "," << y;
                ASSERT_EQ(t.waterSample.surface.pixel(x, y), onLine(x, y) ? 0xFF000000u : 0xFFFFFFFFu)
                    << size << ": " << x << "," << y;
            }
    }
    // With density, the airbrush sprays the drawing colour at the centre.
    t.airDensity.value = 100;
    t.airSize.value = 21;
    t.airShape.value = -10; // flat top
    t.brush.setupAirBrush();
    const QRgb centre = t.airSample.surface.pixel(100, 100); // strength 98 or 100: the bit
    EXPECT_NEAR(qRed(centre), 100, 3);
    EXPECT_NEAR(qGreen(centre), 200, 1);
    EXPECT_NEAR(qBlue(centre), 200, 1);
    EXPECT_EQ(t.airSample.surface.pixel(100, 120), 0xFFFFFFFFu);
    EXPECT_EQ(t.airSample.surface.pixel(0, 50) & 0xFFFFFF, 0xC0C0C0u); // silver frame
}

TEST(brushTool, setUpsDifferOnlyInTheirSpeckles)
{
    brushUnderTest t;
    t.airDensity.value = 80;
    t.airShape.value = 3;
    t.airSize.value = 41;
    t.brush.setupAirBrush();
    const std::vector<int> first = t.brush.airProfile;
    t.brush.setupAirBrush();
    const std::vector<int> second = t.brush.airProfile;
    EXPECT_NE(first, second);
    // Every entry is the profile with the random bit 0 or 1, nothing else.
    const int n = 41, b = 20;
    const double exponent = std::pow(10.0, 0.3);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double d = std::sqrt(double((j - b) * (j - b) + (i - b) * (i - b)));
            int allowed[2];
            for (int r = 0; r < 2; ++r) {
                const double e = 1.0 - (d + r) / b;
                allowed[r] = e > 0 ? int(std::pow(e, exponent) * 80) : 0;
            }
            for (const auto *profile : {&first, &second}) {
                const int v = (*profile)[i * 201 + j];
                ASSERT_TRUE(v == allowed[0] || v == allowed[1]) << i << "," << j << ": " << v;
            }
        }
    // Each set-up draws one bit per dab pixel from the shared generator.
    const std::uint32_t before = sharedRandom::instance().position();
    t.brush.setupAirBrush();
    sharedRandom expected;
    expected.seed(before);
    expected.skip(41 * 41);
    EXPECT_EQ(sharedRandom::instance().position(), expected.position());
}

TEST(brushTool, waterDabBlursWithTheProfileRadius)
{
    brushUnderTest t;
    t.waterDensity.value = 100;
    t.waterShape.value = -10;
    t.waterSize.value = 31;
    t.brush.setupWaterBrush();
    // Near the centre the profile is 100 or nearly: a radius of 4..5 smears the black lines grey.
    const QRgb centre = t.brush.dabBitmap.pixel(15, 10);
    EXPECT_GT(qRed(centre), 0);
    EXPECT_LT(qRed(centre), 255);
    // Outside the dab's circle the profile is 0 and the source comes through.
    EXPECT_EQ(t.brush.dabBitmap.pixel(0, 1) & 0xFFFFFF, t.brush.dabSourceBitmap.pixel(0, 1) & 0xFFFFFF);
}
