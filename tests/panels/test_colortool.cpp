// The colour panel: field, readouts, swatches and the drawing colour they set.
#include "ui/panels/colortool.h"
#include "fakecontrols.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {
struct panelUnderTest {
    std::uint32_t drawColor = packColor(100, 200, 200);
    fakeBar chroma{255, 0, 255};
    fakePicture field{180, 129}, paint{50, 50}, choice{50, 50};
    std::vector<std::unique_ptr<fakePicture>> swatches;
    fakeText drawR, drawG, drawB, drawV, drawH, drawS, chromaText, choiceR, choiceG, choiceB, choiceV, choiceS, choiceH;
    colorTool tool;

    panelUnderTest()
    {
        for (int k = 0; k < colorTool::swatchCount; ++k) {
            swatches.push_back(std::make_unique<fakePicture>(12, 12));
            tool.swatches[k] = swatches.back().get();
        }
        tool.paintColorImage = &paint;
        tool.sampleColorImage = &field;
        tool.choiceColorImage = &choice;
        tool.drawColorRStaticText = &drawR;
        tool.drawColorGStaticText = &drawG;
        tool.drawColorBStaticText = &drawB;
        tool.drawColorVStaticText = &drawV;
        tool.drawColorHStaticText = &drawH;
        tool.drawColorSStaticText = &drawS;
        tool.colorChromaStaticText = &chromaText;
        tool.choiceColorRStaticText = &choiceR;
        tool.choiceColorGStaticText = &choiceG;
        tool.choiceColorBStaticText = &choiceB;
        tool.choiceColorVStaticText = &choiceV;
        tool.choiceColorSStaticText = &choiceS;
        tool.choiceColorHStaticText = &choiceH;
        tool.colorChromaTrackBar = &chroma;
        tool.drawColor = &drawColor;
        tool.initialisePanel();
    }
    std::vector<QString> drawReadouts() const
    {
        return {drawR.text, drawG.text, drawB.text, drawV.text, drawH.text, drawS.text};
    }
};

std::uint32_t packedAt(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return packColor(qRed(p), qGreen(p), qBlue(p));
}
} // namespace

TEST(colorTool, startUpSwatchesAndTheDrawingColour)
{
    panelUnderTest p;
    EXPECT_EQ(p.tool.swatchColors[0], packColor(255, 0, 0));
    EXPECT_EQ(p.tool.swatchColors[13], packColor(166, 202, 240));
    EXPECT_EQ(packedAt(p.swatches[20]->surface, 5, 5), packColor(0, 0, 0));
    EXPECT_EQ(packedAt(p.paint.surface, 25, 25), packColor(100, 200, 200));
    EXPECT_EQ(p.drawV.text, "0"); // readouts start at 0

    // Hovering a swatch changes only the hover box and its readouts.
    p.tool.swatchMouseEnter(0);
    EXPECT_EQ(p.drawColor, packColor(100, 200, 200));
    EXPECT_EQ(p.choiceR.text, "255");
    EXPECT_EQ(p.choiceH.text, "0");
    EXPECT_EQ(packedAt(p.choice.surface, 25, 25), packColor(255, 0, 0));
    EXPECT_EQ(p.drawR.text, "0");

    // Swatch 30 is the drawing colour of start-up; clicking it shows rgbToHls's readouts and a
    // light grey frame round the box.
    p.drawColor = packColor(1, 2, 3);
    p.tool.swatchMouseDown(29);
    EXPECT_EQ(p.drawColor, packColor(100, 200, 200));
    EXPECT_EQ(p.drawReadouts(), (std::vector<QString>{"100", "200", "200", "150", "180", "121"}));
    EXPECT_EQ(packedAt(p.paint.surface, 0, 0), packColor(192, 192, 192));
    EXPECT_EQ(packedAt(p.paint.surface, 49, 20), packColor(192, 192, 192));
    EXPECT_EQ(p.tool.swatchColors[29], packColor(100, 200, 200)); // not shifted
}

TEST(colorTool, pickingFromTheFieldSetsTheColourAndPushesThePalette)
{
    panelUnderTest p;
    colorTriple rgb;
    hlsToRgb(rgb, colorTriple{200, 20, 255});
    const std::uint32_t expected = packColor(rgb.first, rgb.second, rgb.third);
    EXPECT_EQ(packedAt(p.field.surface, 10, 100), expected);

    p.tool.sampleColorMouseMove(10, 100);
    EXPECT_EQ(p.drawColor, packColor(100, 200, 200));
    EXPECT_EQ(p.choiceV.text, "200");
    EXPECT_EQ(p.choiceH.text, "20");
    EXPECT_EQ(p.choiceS.text, "255");

    p.tool.sampleColorMouseDown(10, 100);
    EXPECT_EQ(p.drawColor, expected);
    EXPECT_EQ(p.drawR.text, QString::number(rgb.first));
    EXPECT_EQ(p.drawV.text, "200");
    EXPECT_EQ(p.drawH.text, "20");
    EXPECT_EQ(p.drawS.text, "255");
    EXPECT_EQ(p.tool.swatchColors[0], expected);
    EXPECT_EQ(p.tool.swatchColors[1], packColor(255, 0, 0));
    EXPECT_EQ(p.tool.swatchColors[29], packColor(166, 202, 240)); // the old swatch 29; 30's is gone
    EXPECT_EQ(packedAt(p.swatches[0]->surface, 6, 6), expected);

    // The row below the field reads as lightness 255; a position off the field (a drag that
    // left it) changes nothing.
    p.tool.sampleColorMouseMove(3, 128);
    EXPECT_EQ(p.choiceV.text, "255");
    for (auto [x, y] : {std::pair{-1, 5}, {180, 5}, {5, 129}, {5, -3}}) {
        p.tool.sampleColorMouseDown(x, y);
        EXPECT_EQ(p.drawColor, expected);
    }
    EXPECT_EQ(p.tool.swatchColors[1], packColor(255, 0, 0));
}

TEST(colorTool, saturationZeroGreysTheField)
{
    panelUnderTest p;
    p.chroma.value = 0;
    p.tool.colorChromaChanged();
    EXPECT_EQ(p.chromaText.text, "0");
    for (int y = 0; y < colorTool::fieldHeight; ++y)
        for (int x = 0; x < colorTool::fieldWidth; x += 7)
            ASSERT_EQ(packedAt(p.field.surface, x, y), packColor(2 * y, 2 * y, 2 * y)) << x << "," << y;
    // Full saturation: the hue runs blue, green, red along a row.
    p.chroma.value = 255;
    p.tool.colorChromaChanged();
    EXPECT_EQ(packedAt(p.field.surface, 0, 64), packColor(1, 1, 255));
    EXPECT_EQ(packedAt(p.field.surface, 120, 64), packColor(255, 1, 1));
}
