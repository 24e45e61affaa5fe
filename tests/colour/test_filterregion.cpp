// A filter run on a part of the picture gives, on the wanted region, the bytes of a whole run and
// leaves the shared generator where a whole run does: every code, parameters that take the
// engines' different paths, regions at the corners, edges and inside, of odd sizes.
#include "colour/colorfilter.h"
#include "colour/filterregion.h"
#include "colour/sharedrandom.h"

#include <gtest/gtest.h>

#include <QImage>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

QImage texturedPicture(int w, int h)
{
    QImage picture(w, h, QImage::Format_RGB32);
    std::mt19937 random(99);
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < w; ++x) {
            // Gradients with noise on them, and a few saturated pixels.
            const int noise = static_cast<int>(random() % 64);
            const int r = (x * 255 / w + noise) & 255, g = (y * 255 / h + 2 * noise) & 255;
            const int b = random() % 9 == 0 ? 255 : (x * y + noise) & 255;
            row[x] = qRgb(r, g, b);
        }
    }
    return picture;
}

struct regionCase {
    std::string name;
    int code;
    std::function<void(colorFilter &)> set;
};

std::vector<regionCase> everyCode()
{
    const auto none = [](colorFilter &) {};
    std::vector<regionCase> cases = {
        {"rgbShift", filterRgbShift, [](colorFilter &f) { f.red = 40, f.green = -70, f.blue = 300; }},
        {"brightChromaHue", filterBrightChromaHue, [](colorFilter &f) { f.bright = 30, f.chroma = 50, f.hue = -20; }},
        {"colorLevels", filterColorLevels, [](colorFilter &f) { f.colorLevel = 7; }},
        {"greyscale", filterGreyscale, none},
        {"sepia", filterSepia, none},
        {"drawColorMono", filterDrawColorMono, none},
        {"toneSCurve", filterToneSCurve, [](colorFilter &f) { f.tonePosition = 20; }},
        {"toneSlope", filterToneSlope, [](colorFilter &f) { f.tonePosition = -30; }},
        {"tonePoints", filterTonePoints, [](colorFilter &f) { f.tonePoints = {130, 100, 90, 60, 64, 40, 30, 10, -2}; }},
        {"toneGamma", filterToneGamma, [](colorFilter &f) { f.tonePosition = 35; }},
        {"emboss", filterEmboss, [](colorFilter &f) { f.embosseLevel = 9, f.embossAngle = 135; }},
        {"sharpen", filterSharpen, [](colorFilter &f) { f.edgeLevel = 13; }},
        {"fringeCircle", filterFringeCircle, [](colorFilter &f) { f.fringeSize = 30, f.fringeLevel = 200; }},
        {"fringeSquare", filterFringeSquare, [](colorFilter &f) { f.fringeSize = 9, f.fringeLevel = -150; }},
        {"fringeBlur", filterFringeBlur, [](colorFilter &f) { f.outFocusSize = 20, f.outFocusDensity = 30; }},
        {"fringeBlurWide", filterFringeBlur, [](colorFilter &f) { f.outFocusSize = 3, f.outFocusDensity = 255; }},
    };
    for (int m : {1, 7, 20, 100})
        cases.push_back({"mosaic" + std::to_string(m), filterMosaic, [m](colorFilter &f) { f.mosaicSize = m; }});
    for (int n : {2, 4, 6, 8, 10, 15})
        cases.push_back({"median" + std::to_string(n), filterMedian, [n](colorFilter &f) { f.medianSize = n; }});
    for (int s : {1, 15, 30})
        cases.push_back({"soft" + std::to_string(s), filterSoftFocus,
                         [s](colorFilter &f) { f.softSize = s, f.softCoreLevel = 40; }});
    for (int a : {0, 37, 90, 135, 200})
        cases.push_back({"motion" + std::to_string(a), filterMotionBlur,
                         [a](colorFilter &f) { f.vibrateSize = 6, f.vibrateAngle = a; }});
    for (int code : {int(filterPaintNormal), int(filterPaintPointillism)})
        for (int s : {3, 10, 30, 40}) // 40: beyond the fast path's window sums
            cases.push_back({"paint" + std::to_string(code) + "_" + std::to_string(s), code,
                             [s](colorFilter &f) { f.paintSize = s; }});
    return cases;
}

} // namespace

TEST(filterRegion, theRegionOfEveryCodeIsTheCropOfAWholeRun)
{
    const QImage picture = texturedPicture(97, 71);
    const std::vector<QRect> regions = {
        {0, 0, 13, 9},   {84, 62, 13, 9},  {40, 0, 1, 1},   {96, 30, 1, 7},   {31, 27, 23, 17},
        {0, 35, 97, 3},  {50, 10, 1, 61},  {5, 60, 70, 11}, {-5, -5, 20, 12}, {0, 0, 97, 71},
    };
    for (const regionCase &c : everyCode()) {
        colorFilter filter;
        filter.filterType = c.code;
        filter.drawColor = 0x3070C0;
        c.set(filter);
        const colorFilter settings = filter;
        QImage whole = picture.copy();
        sharedRandom::instance().seed(2024);
        filter.runOnBitmap(whole);
        const std::uint32_t after = sharedRandom::instance().position();
        for (const QRect &region : regions) {
            SCOPED_TRACE(c.name + " at " + std::to_string(region.x()) + "," + std::to_string(region.y()) + " " +
                         std::to_string(region.width()) + "x" + std::to_string(region.height()));
            colorFilter partFilter = settings;
            sharedRandom::instance().seed(2024);
            const QImage part = runFilterOnRegion(partFilter, picture, region);
            const QRect inside = region.intersected(picture.rect());
            ASSERT_EQ(part.size(), inside.size());
            EXPECT_TRUE(part == whole.copy(inside));
            EXPECT_EQ(sharedRandom::instance().position(), after);
            EXPECT_EQ(partFilter.frameWidth, 0);
            // The part run covers less than the picture wherever the reach allows it.
            const QRect source = filterSourceRect(settings, picture.width(), picture.height(), inside);
            EXPECT_TRUE(source.contains(inside));
        }
    }
}

TEST(filterRegion, theSourceIsTheRegionGrownByTheReachOutToWholeTiles)
{
    colorFilter filter;
    filter.filterType = filterSharpen;
    EXPECT_EQ(filterSourceRect(filter, 100, 80, QRect(10, 10, 20, 20)), QRect(9, 9, 22, 22));
    EXPECT_EQ(filterSourceRect(filter, 100, 80, QRect(0, 70, 100, 10)), QRect(0, 69, 100, 11));
    filter.filterType = filterMedian;
    filter.medianSize = 6; // a 7 × 7 window
    EXPECT_EQ(filterSourceRect(filter, 100, 80, QRect(10, 10, 20, 20)), QRect(7, 7, 26, 26));
    filter.filterType = filterMosaic;
    filter.mosaicSize = 16;
    EXPECT_EQ(filterSourceRect(filter, 100, 80, QRect(17, 31, 20, 2)), QRect(16, 16, 32, 32));
    EXPECT_EQ(filterSourceRect(filter, 100, 80, QRect(90, 70, 10, 10)), QRect(80, 64, 20, 16));
    filter.filterType = filterBrightChromaHue;
    EXPECT_EQ(filterSourceRect(filter, 100, 80, QRect(3, 4, 5, 6)), QRect(3, 4, 5, 6));
}
