// The colour panel and the one-click buttons of the 簡単調整 page on the main window.
#include "test_mainform_support.h"

#include "colour/colorcontrol.h"
#include "ui/panels/colortool.h"
#include "colour/recipes.h"
#include "colour/sharedrandom.h"
#include "ui/panels/brushpanel.h"

using namespace testing_support;

class testMainFormColour : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    // A 100 × 60 picture with every channel varying, so each recipe changes it.
    QString gradientPicture()
    {
        const QString path = scratch.path() + "/gradient.bmp";
        if (QFile::exists(path)) return path;
        QImage picture(100, 60, QImage::Format_RGB32);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 100; ++x) picture.setPixel(x, y, qRgb(2 * x + 30, 4 * y, (x * y) % 200 + 20));
        writePicture(path, picture);
        return path;
    }

    static QImage pictureOf(windowUnderTest &t) { return t.current()->bitmap.copy(); }

    // The engine's own result of one filter on a picture.
    static QImage filtered(QImage picture, int code, std::uint32_t colour, int embossDepth)
    {
        colorFilter f;
        f.filterType = code;
        f.drawColor = colour;
        f.embosseLevel = embossDepth;
        f.runOnBitmap(picture);
        return picture;
    }

private slots:
    void initTestCase() { QVERIFY(scratch.start()); }
    void init() { QVERIFY(scratch.enterTest()); }

    void thePanelSetsTheColourThatEmbossAndTintUse()
    {
        windowUnderTest t;
        QCOMPARE(t.probe().colorPanel().swatchColors[29], packColor(100, 200, 200));
        emit t.image("paletImage30")->mouseDown(Qt::LeftButton, 3, 3);
        QCOMPARE(t.probe().drawColor(), packColor(100, 200, 200));
        QCOMPARE(t.text("drawColorVStaticText"), QString("150"));
        QCOMPARE(t.text("drawColorHStaticText"), QString("180"));
        QCOMPARE(t.text("drawColorSStaticText"), QString("121"));

        emit t.image("paletImage1")->mouseEnter();
        QCOMPARE(t.text("choiceColorRStaticText"), QString("255"));
        QCOMPARE(t.probe().drawColor(), packColor(100, 200, 200));

        emit t.image("sampleColorImage")->mouseDown(Qt::LeftButton, 10, 100);
        colorTriple rgb;
        hlsToRgb(rgb, colorTriple{200, 20, 255});
        const std::uint32_t picked = packColor(rgb.first, rgb.second, rgb.third);
        QCOMPARE(t.probe().drawColor(), picked);
        QCOMPARE(t.text("drawColorVStaticText"), QString("200"));
        QCOMPARE(t.text("drawColorHStaticText"), QString("20"));
        QCOMPARE(t.text("drawColorSStaticText"), QString("255"));
        QCOMPARE(rgbOf(t.image("paletImage1")->canvas().pixel(5, 5)), qRgb(rgb.first, rgb.second, rgb.third) & 0xFFFFFF);

        t.bar("colorChromaTrackBar")->setValue(0);
        QCOMPARE(t.text("colorChromaStaticText"), QString("0"));
        QCOMPARE(rgbOf(t.image("sampleColorImage")->canvas().pixel(90, 40)), 0x505050u);

        // The drawing colour reaches the filters: tint (code 10) and emboss (code 4).
        t.open(gradientPicture());
        const QImage before = pictureOf(t);
        t.selectTabs(effectOnePage, monoColorTab);
        t.probe().monoColorGroup()->setItemIndex(2);
        t.click("executeButton");
        QCOMPARE(pictureOf(t), filtered(before, 10, picked, 20));
        t.click("undoButton");
        t.selectTabs(effectOnePage, embossTab);
        t.click("executeButton");
        QCOMPARE(pictureOf(t), filtered(before, 4, picked, 20));

        // The brush samples are drawn at start-up.
        QCOMPARE(t.probe().brush()->airBrushSize, 11);
        t.bar("airBrushSizeTrackBar")->setValue(200);
        QCOMPARE(t.text("airBrushSizeStaticText"), QString("200"));
        QCOMPARE(t.probe().brush()->airBrushSize, 201);
    }

    void everyButtonLeavesOneUndoStep()
    {
        windowUnderTest t;
        t.open(gradientPicture());
        const QImage original = pictureOf(t);
        for (const recipe &r : recipes()) {
            const int before = t.current()->undoCount;
            t.click(r.button);
            QCOMPARE(t.current()->undoCount, before + 1);
            QVERIFY2(pictureOf(t) != original, r.name);
            QVERIFY(!t.current()->unchanged);
            t.click("undoSpeedButton");
            QCOMPARE(t.current()->undoCount, before);
            QVERIFY2(pictureOf(t) == original, r.name);
        }
        QCOMPARE(t.probe().mainPages()->activePageIndex(), 0); // the 簡単調整 page stays
    }

    // Each button gives the bytes that korvia-batch's recipe of the same name gives (the engine
    // run of the recipe's stages), the random jitter of the fringe stages started alike.
    void buttonsMatchTheBatchRecipes()
    {
        windowUnderTest t;
        t.open(gradientPicture());
        const QImage original = pictureOf(t);
        for (const recipe &r : recipes()) {
            QImage expected = original.copy();
            colorFilter engine;
            sharedRandom::instance().seed(11);
            runRecipeStages(expected, engine, recipeStages(r, 60), r.greyDrawColor ? recipeGreyDrawColor : t.probe().drawColor(), 0);
            // The previews the button's settings run are of a page that draws no random numbers.
            t.selectTabs(adjustPage, brightChromaTab);
            sharedRandom::instance().seed(11);
            t.click(r.button);
            QVERIFY2(pictureOf(t) == expected, r.name);
            t.click("undoSpeedButton");
        }
    }

    void buttonsPutTheirControlsBack()
    {
        windowUnderTest t;
        t.open(gradientPicture());
        const QImage original = pictureOf(t);

        // 周辺暗く: the fringe controls show what they showed before.
        t.bar("fringeSizeTrackBar")->setValue(250);
        t.bar("fringeLevelTrackBar")->setValue(7);
        t.probe().fringeShapeGroup()->setItemIndex(1);
        t.click("fringeBrightSpeedButton");
        QCOMPARE(t.bar("fringeSizeTrackBar")->value(), 250);
        QCOMPARE(t.text("fringeSizeStaticText"), QString("250"));
        QCOMPARE(t.bar("fringeLevelTrackBar")->value(), 7);
        QCOMPARE(t.probe().fringeShapeGroup()->itemIndex(), 1);
        QCOMPARE(t.probe().effectOnePages()->activePageIndex(), 1);
        t.click("undoSpeedButton");
        QCOMPARE(pictureOf(t), original);

        // エンボス: depth 30 on grey; the depth bar and the drawing colour come back.
        t.bar("embosseLevelTrackBar")->setValue(7);
        const std::uint32_t colour = t.probe().drawColor();
        t.click("embossSpeedButton");
        QCOMPARE(t.bar("embosseLevelTrackBar")->value(), 7);
        QCOMPARE(t.text("embosseLevelStaticText"), QString("7"));
        QCOMPARE(t.probe().drawColor(), colour);
        QCOMPARE(pictureOf(t), filtered(original, 4, recipeGreyDrawColor, 30));
        t.click("undoSpeedButton");

        // ペイント and ソフトフィルター: sizes from the shorter side (60), bars back.
        t.click("paintSpeedButton");
        QCOMPARE(t.bar("paintTrackBar")->value(), 10);
        QCOMPARE(t.probe().paintGroup()->itemIndex(), 1); // 点描 stays selected
        t.click("softFilterSpeedButton");
        QCOMPARE(t.bar("softSizeTrackBar")->value(), 15);
        QCOMPARE(t.bar("softCoreLevelTrackBar")->value(), 30);

        // ビビット: the tone bar shows its position from before and that is now the slope level.
        t.probe().toneCurveGroup()->setItemIndex(0);
        t.bar("toneTrackBar")->setValue(10);
        t.bar("chromaTrackBar")->setValue(-20);
        t.click("clearSpeedButton");
        QCOMPARE(t.probe().toneCurveGroup()->itemIndex(), 1);
        QCOMPARE(t.bar("toneTrackBar")->value(), 10);
        QCOMPARE(t.probe().toneSlopeLevel(), 10);
        QCOMPARE(t.bar("chromaTrackBar")->value(), -20);
        QCOMPARE(t.bar("edgeTrackBar")->value(), 5);
        QCOMPARE(t.probe().operationPages()->activePageIndex(), 2);
        QCOMPARE(t.current()->undoCount, 3);
    }

    void withoutAPictureOnlyTheExecuteButtonsSwitchPages()
    {
        windowUnderTest t;
        const int page = t.probe().operationPages()->activePageIndex();
        t.click("paintSpeedButton");
        t.click("fringeBrightSpeedButton");
        QCOMPARE(t.probe().operationPages()->activePageIndex(), page);
        QCOMPARE(t.probe().paintGroup()->itemIndex(), 0);
        t.bar("embosseLevelTrackBar")->setValue(7);
        t.click("embossSpeedButton");
        QCOMPARE(t.probe().operationPages()->activePageIndex(), 1);
        QCOMPARE(t.probe().effectOnePages()->activePageIndex(), 4);
        QCOMPARE(t.bar("embosseLevelTrackBar")->value(), 7);
        QCOMPARE(t.probe().drawColor(), packColor(100, 200, 200));
    }
};

QTEST_MAIN(testMainFormColour)
#include "test_mainform_colour.moc"
