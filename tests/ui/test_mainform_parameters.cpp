// Start-up state and the parameter controls of the colour pages (the tone-curve editor:
// test_mainform_tonecurve.cpp).
#include "test_mainform_support.h"

#include "colour/filterparameters.h"
#include "geometry/prepareshape.h"
#include "imagedata/messagesink.h"
#include "ui/aboutdialogbox.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace testing_support;

class testMainFormParameters : public QObject {
    Q_OBJECT
    scratchFolders scratch;


private slots:
    void initTestCase()
    {
        QVERIFY(scratch.start());
    }

    void startUpState()
    {
        windowUnderTest t;
        QCOMPARE(t.window->windowTitle(), QString("Korvia"));
        QCOMPARE(t.probe().editingCount(), 0);
        QVERIFY(!t.probe().hasImage());
        QCOMPARE(t.probe().currentIndex(), -1);
        QCOMPARE(t.probe().drawColor(), 100u | (200u << 8) | (200u << 16));
        QVERIFY(!t.probe().trimmingActive());
        QCOMPARE(t.probe().toneSCurveLevel(), 0);
        QCOMPARE(t.probe().toneSlopeLevel(), 25);
        QCOMPARE(t.probe().toneGammaLevel(), 0);
        QCOMPARE(t.probe().toneDragIndex(), 9);
        for (int k = 0; k < 9; ++k) QCOMPARE(t.probe().filter().tonePoints[k], 128 - 16 * k);
        for (const char *hidden : {"SpeedButton5", "SpeedButton6", "SpeedButton7", "SpeedButton8"})
            QVERIFY(!t.child<QWidget>(hidden)->isVisible());
        QVERIFY(t.child<QWidget>("undoButton")->isVisible());
        QCOMPARE(t.probe().mainPages()->activePageIndex(), 0);
        QCOMPARE(t.probe().settingsPages()->activePageIndex(), 2);
        QCOMPARE(t.probe().operationPages()->activePageIndex(), 2);
        QCOMPARE(t.probe().effectTwoPages()->activePageIndex(), 2);
        QCOMPARE(t.probe().operationCode(), int(filterMosaic)); // 効果2 / モザイク
        // The inner tab controls start on the tabs the form was designed with.
        QCOMPARE(t.probe().adjustPages()->activePageIndex(), 2);    // トーンカーブ
        QCOMPARE(t.probe().effectOnePages()->activePageIndex(), 3); // ソフト
        QCOMPARE(t.probe().transformPages()->activePageIndex(), 5); // 歪曲
        for (radioGroup *group : {t.probe().toneCurveGroup(), t.probe().fringeShapeGroup(),
                                  t.probe().paintGroup(), t.probe().embosseAngleGroup(),
                                  t.probe().monoColorGroup()})
            QCOMPARE(group->itemIndex(), 0);
        QCOMPARE(t.probe().filter().embossAngle, 0);
        QCOMPARE(t.probe().embosseAngleGroup()->count(), 7); // 0° .. 270°, no 315°
        QCOMPARE(t.text("toneValue"), QString("1.00")); // S-curve at 0: e = 0.9991
        QVERIFY(allWhite(t.image("sampleImage")->canvas()));
        for (int i = 1; i <= 5; ++i) {
            QCOMPARE(t.text(QString("editingFileStaticText%1").arg(i).toLatin1().constData()), QString());
            QVERIFY(allWhite(t.image(QString("editingSampleImage%1").arg(i).toLatin1().constData())->canvas()));
        }
        QCOMPARE(t.probe().fileFilter(), QString("JPEG (*.jpeg)|*.jpeg;*.jpg|BMP(*.bmp)|*.bmp"));
        QCOMPARE(t.dialogs.log.size(), 0);
    }

    void messagesAboutBoxAndResizing()
    {
        const QString path = scratch.path() + "/wide400.bmp";
        QVERIFY(writePicture(path, filledPicture(400, 200, qRgb(0, 0, 255))));
        {
            windowUnderTest t;
            // Engine messages go to the message box titled メッセージ while the window lives.
            showMessage("engine says hello");
            QCOMPARE(t.dialogs.count("message"), 1);
            QCOMPARE(t.dialogs.entries("message").first().text, QString("engine says hello"));
            QCOMPARE(t.dialogs.entries("message").first().title, QStringLiteral("メッセージ"));

            t.click("informationButton");
            QVERIFY(t.probe().aboutBox()->isVisible());
            QVERIFY(!t.probe().aboutBox()->isModal());
            QCOMPARE(t.dialogs.count("modal"), 0);
            t.probe().aboutBox()->hide();

            // Resizing with a picture open fits it again, centred in the new size.
            t.open(path);
            imageControl *view = t.image("mainImage");
            t.window->resize(1400, 900);
            QCoreApplication::processEvents();
            const rectangle r = t.probe().mainViewRect();
            QCOMPARE(r.right - r.left + 1, view->width());
            const int height = r.bottom - r.top + 1;
            QVERIFY(std::abs(height - view->width() / 2) <= 1);
            QVERIFY(std::abs(r.top - (view->height() - 1 - r.bottom)) <= 1);
            QCOMPARE(t.probe().mainViewBitmap().size(), QSize(r.right - r.left + 1, height));
            QCOMPARE(view->canvas().pixel(view->width() / 2, view->height() / 2), qRgb(0, 0, 255));
            QCOMPARE(view->canvas().pixel(view->width() / 2, r.top - 1), qRgb(255, 255, 255));

            // Resizing after the last picture is closed leaves the view white.
            t.click("theEndButton");
            t.window->resize(1100, 760);
            QCoreApplication::processEvents();
            QVERIFY(allWhite(view->canvas()));
        }
        // Without the window, messages are no longer routed to it.
        scriptedDialogs after;
        showMessage("nobody listens");
        QCOMPARE(after.count("message"), 0);
    }

    void theWindowKeepsItsSizeLimits()
    {
        windowUnderTest t;
        t.window->resize(500, 400);
        QCoreApplication::processEvents();
        QVERIFY(t.window->width() >= 1008);
        QVERIFY(t.window->height() >= 706);
        t.window->resize(3000, 3000);
        QCoreApplication::processEvents();
        QVERIFY(t.window->width() <= 2000);
        QVERIFY(t.window->height() <= 2000);
        // The sample view never changes size; the main view takes the room.
        QCOMPARE(t.image("sampleImage")->size(), QSize(205, 205));
        QVERIFY(t.image("mainImage")->width() > 1400);
    }

    void trackBarsComeFromTheParameterTable()
    {
        windowUnderTest t;
        int seen = 0;
        for (const filterParameter &p : filterParameters()) {
            QSlider *bar = t.bar(p.control);
            QVERIFY2(bar, p.control);
            QCOMPARE(bar->minimum(), p.minimum);
            QCOMPARE(bar->maximum(), p.maximum);
            QCOMPARE(bar->value(), p.start);
            QCOMPARE(bar->tickInterval(), p.tickSpacing);
            QCOMPARE(bar->pageStep(), p.pageStep);
            if (p.caption) QCOMPARE(t.text(p.caption), QString::number(p.start));
            ++seen;
        }
        QCOMPARE(seen, 21);
    }

    void trackBarsCarryTheRangesOfTheParameterPages()
    {
        // Written out here on purpose, apart from the program's own parameter table.
        struct barRow {
            const char *bar, *caption;
            int minimum, maximum, start, ticks, page;
        };
        const barRow rows[] = {
            {"brightTrackBar", "brightStaticText", -100, 100, 0, 20, 10},
            {"chromaTrackBar", "chromaStaticText", -255, 255, 0, 50, 20},
            {"hueTrackBar", "hueStaticText", -100, 100, 0, 20, 10},
            {"redTrackBar", "redStaticText", -255, 255, 0, 64, 20},
            {"greenTrackBar", "greenStaticText", -255, 255, 0, 64, 20},
            {"blueTrackBar", "blueStaticText", -255, 255, 0, 64, 20},
            {"toneTrackBar", nullptr, -50, 50, 0, 10, 2},
            {"outFocusDensityTrackBar", "outFocusDensityStaticText", 3, 255, 3, 32, 20},
            {"outFocusSizeTrackBar", "outFocusSizeSizeStaticText", 3, 5000, 100, 500, 100},
            {"fringeLevelTrackBar", "fringeLeveStaticText", -255, 255, 3, 64, 50},
            {"fringeSizeTrackBar", "fringeSizeStaticText", 0, 5000, 100, 500, 100},
            {"paintTrackBar", "paintStaticText", 3, 30, 10, 2, 5},
            {"softSizeTrackBar", "softSizeStaticText", 1, 30, 15, 2, 5},
            {"softCoreLevelTrackBar", "softCoreLevelStaticText", 0, 100, 30, 10, 10},
            {"embosseLevelTrackBar", "embosseLevelStaticText", 2, 30, 20, 5, 5},
            {"edgeTrackBar", "edgeStaticText", 1, 20, 5, 2, 4},
            {"colorLevelTrackBar", "colorLevelStaticText", 2, 80, 5, 20, 20},
            {"mosaicTrackBar", "mosaicStaticText", 1, 100, 20, 20, 20},
            {"vibrateAngleTrackBar", "vibrateAngleStaticText", 0, 180, 0, 45, 45},
            {"vibrateSizeTrackBar", "vibrateSizeStaticText", 2, 30, 10, 5, 5},
            {"medianTrackBar", "medianStaticText", 2, 10, 3, 2, 20},
        };
        windowUnderTest t;
        for (const barRow &r : rows) {
            QSlider *bar = t.bar(r.bar);
            QVERIFY2(bar, r.bar);
            QVERIFY2(bar->orientation() == Qt::Horizontal, r.bar);
            QCOMPARE(bar->minimum(), r.minimum);
            QCOMPARE(bar->maximum(), r.maximum);
            QCOMPARE(bar->value(), r.start);
            QCOMPARE(bar->tickInterval(), r.ticks);
            QCOMPARE(bar->pageStep(), r.page);
            if (!r.caption) continue;
            QCOMPARE(t.text(r.caption), QString::number(r.start));
            // Each bar writes its own caption and no other.
            bar->setValue(r.minimum + 1);
            QCOMPARE(t.text(r.caption), QString::number(r.minimum + 1));
            for (const barRow &other : rows)
                if (other.caption && &other != &r)
                    QVERIFY2(t.text(other.caption) == QString::number(t.bar(other.bar)->value()), other.caption);
        }
    }

    void everyParameterControlRequestsAPreview()
    {
        // A 400 x 200 picture leaves white letter-box rows above the 205 x 104 sample; a fresh
        // preview repaints them, so a defaced sample view shows whether one ran.
        const QString path = scratch.path() + "/preview400.bmp";
        QVERIFY(writePicture(path, filledPicture(400, 200, qRgb(90, 60, 30))));
        windowUnderTest t;
        t.open(path);
        imageControl *sample = t.image("sampleImage");
        const auto deface = [&] {
            sample->fill(qRgb(0, 0, 0));
            QCOMPARE(sample->canvas().pixel(100, 10), qRgb(0, 0, 0));
        };
        const auto previewed = [&] { return sample->canvas().pixel(100, 10) == qRgb(255, 255, 255); };
        t.selectTabs(adjustPage, brightChromaTab);

        for (const filterParameter &p : filterParameters()) {
            QSlider *bar = t.bar(p.control);
            if (QString::fromLatin1(p.control) == "toneTrackBar") t.probe().toneCurveGroup()->setItemIndex(0);
            deface();
            bar->setValue(bar->value() == p.maximum ? p.minimum : p.maximum);
            QVERIFY2(previewed(), p.control);
            // Setting the position it already has runs nothing.
            deface();
            bar->setValue(bar->value());
            QVERIFY2(!previewed(), p.control);
        }
        deface();
        t.probe().monoColorGroup()->setItemIndex(1);
        QVERIFY(previewed());
        deface();
        t.probe().embosseAngleGroup()->setItemIndex(6);
        QVERIFY(previewed());
        QCOMPARE(t.probe().filter().embossAngle, 270);
        deface();
        t.probe().toneCurveGroup()->setItemIndex(3);
        QVERIFY(previewed());
        deface();
        t.click("curveResetButton");
        QVERIFY(previewed());
        // The shape and style choices preview like every other control.
        for (radioGroup *group : {t.probe().fringeShapeGroup(), t.probe().paintGroup()}) {
            deface();
            group->setItemIndex(1);
            QVERIFY(previewed());
        }

        // The six page-change handlers preview too.
        QTabWidget *pageWidgets[] = {t.probe().mainPages()->widget(), t.probe().operationPages()->widget(),
                                     t.probe().adjustPages()->widget(), t.probe().effectOnePages()->widget(),
                                     t.probe().effectTwoPages()->widget(), t.probe().transformPages()->widget()};
        for (QTabWidget *pages : pageWidgets) {
            deface();
            pages->setCurrentIndex((pages->currentIndex() + 1) % pages->count());
            QVERIFY2(previewed(), qPrintable(pages->objectName()));
        }
        QCOMPARE(t.dialogs.count("message") + t.dialogs.count("error"), 0);
    }

    void transformAndPanelBarsShowTheirPositions()
    {
        const QString path = scratch.path() + "/preview400b.bmp";
        QVERIFY(writePicture(path, filledPicture(400, 200, qRgb(90, 60, 30))));
        windowUnderTest t;
        t.open(path);
        imageControl *sample = t.image("sampleImage");
        // The transform bars write their whole-number position into their edit and preview.
        const char *pairs[][2] = {{"rotateTrackBar", "rotateEdit"},
                                  {"slopeBalanceTrackBar", "slopeBalanceEdit"},
                                  {"perspectiveTrackBar", "perspectiveEdit"},
                                  {"distortoinTrackBar", "distortoinEdit"}};
        for (const auto &pair : pairs) {
            QSlider *bar = t.bar(pair[0]);
            auto *edit = t.window->findChild<QLineEdit *>(pair[1]);
            QVERIFY2(edit, pair[1]);
            sample->fill(qRgb(0, 0, 0));
            bar->setValue(bar->maximum() + 7); // clamped
            QCOMPARE(edit->text(), QString::number(bar->maximum()));
            QCOMPARE(sample->canvas().pixel(100, 10), qRgb(255, 255, 255));
        }
        // The colour panel's saturation and the six brush settings show their positions.
        const char *captions[][2] = {{"colorChromaTrackBar", "colorChromaStaticText"},
                                     {"airBrushSizeTrackBar", "airBrushSizeStaticText"},
                                     {"airBrushDensityTrackBar", "airBrushDensityStaticText"},
                                     {"airBrushShapeTrackBar", "airBrushShapeStaticText"},
                                     {"wateBrushSizeTrackBar", "wateBrushSizeStaticText"},
                                     {"wateBrushDensityTrackBar", "wateBrushDensityStaticText"},
                                     {"wateBrushShapeTrackBar", "wateBrushShapeStaticText"}};
        for (const auto &pair : captions) {
            QSlider *bar = t.bar(pair[0]);
            bar->setValue(bar->minimum() + 1);
            QCOMPARE(t.text(pair[1]), QString::number(bar->minimum() + 1));
        }
        QCOMPARE(t.dialogs.count("message") + t.dialogs.count("error"), 0);
    }

    void withoutAPictureHandlersUpdateCaptionsAndPreviewNothing()
    {
        windowUnderTest t;
        for (const filterParameter &p : filterParameters()) {
            if (!p.caption) continue;
            QSlider *bar = t.bar(p.control);
            bar->setValue(p.maximum);
            QCOMPARE(t.text(p.caption), QString::number(p.maximum));
            bar->setValue(p.minimum - 1); // clamped
            QCOMPARE(t.text(p.caption), QString::number(p.minimum));
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            QCOMPARE(t.text(p.caption), QString::number(std::min(p.minimum + p.pageStep, p.maximum)));
        }
        for (int page = 0; page < 3; ++page)
            for (int tab = 0; tab < t.probe().adjustPages()->widget()->count(); ++tab) t.selectTabs(page, tab);
        t.probe().monoColorGroup()->setItemIndex(2);
        t.probe().embosseAngleGroup()->setItemIndex(3);
        QCOMPARE(t.probe().filter().embossAngle, 135);
        t.probe().toneCurveGroup()->setItemIndex(1);
        QCOMPARE(t.bar("toneTrackBar")->value(), 25);
        t.click("curveResetButton");
        QVERIFY(allWhite(t.image("sampleImage")->canvas()));
        QVERIFY(allWhite(t.image("mainImage")->canvas()));
        QCOMPARE(t.dialogs.log.size(), 0);
        QCOMPARE(t.window->windowTitle(), QString("Korvia"));
    }

    void operationCodesFollowTheTabs()
    {
        windowUnderTest t;
        struct codeRow {
            int page, tab, item, code;
        };
        const codeRow rows[] = {
            {adjustPage, brightChromaTab, -1, filterBrightChromaHue},
            {adjustPage, rgbShiftTab, -1, filterRgbShift},
            {adjustPage, toneCurveTab, 0, filterToneSCurve},
            {adjustPage, toneCurveTab, 3, filterToneGamma},
            {effectOnePage, fringeBlurTab, -1, filterFringeBlur},
            {effectOnePage, fringeShapeTab, 1, filterFringeSquare},
            {effectOnePage, paintTab, 1, filterPaintPointillism},
            {effectOnePage, softFocusTab, -1, filterSoftFocus},
            {effectOnePage, embossTab, -1, filterEmboss},
            {effectOnePage, monoColorTab, 0, filterGreyscale},
            {effectOnePage, monoColorTab, 2, filterDrawColorMono},
            {effectTwoPage, sharpenTab, -1, filterSharpen},
            {effectTwoPage, colorLevelsTab, -1, filterColorLevels},
            {effectTwoPage, mosaicTab, -1, filterMosaic},
            {effectTwoPage, motionBlurTab, -1, filterMotionBlur},
            {effectTwoPage, medianTab, -1, filterMedian},
            {transformPage, resizeTab, -1, shapeResize},
            {transformPage, rotateTab, 1, shapeRotateRight90},
            {transformPage, trimTab, -1, shapeTrim},
            {transformPage, slopeTab, -1, shapeSlope},
            {transformPage, trapezoidTab, -1, shapePerspective},
            {transformPage, distortTab, -1, shapeDistort},
        };
        for (const codeRow &r : rows) {
            t.selectTabs(r.page, r.tab);
            radioGroup *group = nullptr;
            if (r.page == adjustPage && r.tab == toneCurveTab) group = t.probe().toneCurveGroup();
            if (r.page == effectOnePage && r.tab == fringeShapeTab) group = t.probe().fringeShapeGroup();
            if (r.page == effectOnePage && r.tab == paintTab) group = t.probe().paintGroup();
            if (r.page == effectOnePage && r.tab == monoColorTab) group = t.probe().monoColorGroup();
            if (r.page == transformPage && r.tab == rotateTab) group = t.probe().rotateAngleGroup();
            if (group) group->setItemIndex(r.item);
            QCOMPARE(t.probe().operationCode(), r.code);
            if (r.page < transformPage) QCOMPARE(t.probe().filter().filterType, r.code);
            else QCOMPARE(int(t.probe().shapeSetUp().engine->shapeType), r.code);
        }
        // A radio group without a selection gives 0, which is written all the same.
        t.selectTabs(effectOnePage, monoColorTab);
        t.probe().monoColorGroup()->setItemIndex(-1);
        QCOMPARE(t.probe().operationCode(), 0);
        QCOMPARE(t.probe().filter().filterType, 0);
        // Trimming is the active operation only on 変形 / トリミング.
        const QString path = greyPicture(scratch);
        t.open(path);
        t.selectTabs(effectOnePage, monoColorTab);
        t.probe().monoColorGroup()->setItemIndex(2);
        QVERIFY(!t.probe().trimmingActive());
        t.selectTabs(transformPage, trimTab);
        QVERIFY(t.probe().trimmingActive());
        t.selectTabs(transformPage, slopeTab);
        QVERIFY(!t.probe().trimmingActive());
    }

    void previewStartsFromTheCommittedPictureEachTime()
    {
        const QString path = scratch.path() + "/wide.bmp";
        QVERIFY(writePicture(path, filledPicture(400, 200, qRgb(100, 100, 100))));
        windowUnderTest t;
        t.open(path);
        // A 400 x 200 picture gives a 205 x 104 sample drawn at (0, 50).
        QCOMPARE(t.probe().sampleBitmap().size(), QSize(205, 104));
        QCOMPARE(t.probe().sampleRect().left, 0);
        QCOMPARE(t.probe().sampleRect().top, 50);
        t.selectTabs(adjustPage, rgbShiftTab); // RGB調整
        t.bar("redTrackBar")->setValue(50);
        const QImage &sample = t.image("sampleImage")->canvas();
        QCOMPARE(sample.pixel(100, 100), qRgb(150, 100, 100));
        QCOMPARE(sample.pixel(100, 10), qRgb(255, 255, 255)); // letter-box
        t.bar("redTrackBar")->setValue(60);
        QCOMPARE(sample.pixel(100, 100), qRgb(160, 100, 100)); // not 210: previews never pile up
        QCOMPARE(rgbOf(t.current()->bitmap.pixel(0, 0)), qRgb(100, 100, 100) & 0xFFFFFF);
        QVERIFY(t.current()->unchanged);
        t.click("executeButton");
        QCOMPARE(rgbOf(t.current()->bitmap.pixel(0, 0)), qRgb(160, 100, 100) & 0xFFFFFF);
        QCOMPARE(sample.pixel(100, 100), qRgb(160, 100, 100)); // the sample keeps the last preview
        t.dialogs.questionAnswers = {false};
    }
};

QTEST_MAIN(testMainFormParameters)
#include "test_mainform_parameters.moc"
