// Start-up state, the parameter controls of the colour pages and the tone-curve editor.
#include "test_mainform_support.h"

#include "colour/filterparameters.h"
#include "imagedata/messagesink.h"
#include "ui/aboutdialogbox.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace testing_support;

class testMainFormParameters : public QObject {
    Q_OBJECT
    QTemporaryDir scratch;

    QString greyPicture()
    {
        const QString path = scratch.path() + "/grey.bmp";
        if (!QFile::exists(path)) writePicture(path, filledPicture(40, 40, qRgb(128, 128, 128)));
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        qputenv("TMPDIR", QFile::encodeName(scratch.path()));
    }

    void startUpState()
    {
        windowUnderTest t;
        QCOMPARE(t.window->windowTitle(), QString("Korvia"));
        QCOMPARE(t.window->editingCount, 0);
        QVERIFY(!t.window->hasImage());
        QCOMPARE(t.window->currentIndex, -1);
        QCOMPARE(t.window->drawColor, 100u | (200u << 8) | (200u << 16));
        QVERIFY(!t.window->trimmingActive);
        QCOMPARE(t.window->toneSCurveLevel, 0);
        QCOMPARE(t.window->toneSlopeLevel, 25);
        QCOMPARE(t.window->toneGammaLevel, 0);
        QCOMPARE(t.window->toneDragIndex, 9);
        for (int k = 0; k < 9; ++k) QCOMPARE(t.window->filter.tonePoints[k], 128 - 16 * k);
        for (const char *hidden : {"SpeedButton5", "SpeedButton6", "SpeedButton7", "SpeedButton8"})
            QVERIFY(!t.child<QWidget>(hidden)->isVisible());
        QVERIFY(t.child<QWidget>("undoButton")->isVisible());
        QCOMPARE(t.window->mainPages->activePageIndex(), 0);
        QCOMPARE(t.window->settingsPages->activePageIndex(), 2);
        QCOMPARE(t.window->operationPages->activePageIndex(), 2);
        QCOMPARE(t.window->effectTwoPages->activePageIndex(), 2);
        QCOMPARE(t.window->operationCode(), 6); // 効果2 / モザイク
        for (int i = 1; i <= 5; ++i) {
            QCOMPARE(t.text(QString("editingFileStaticText%1").arg(i).toLatin1().constData()), QString());
            QVERIFY(allWhite(t.image(QString("editingSampleImage%1").arg(i).toLatin1().constData())->canvas()));
        }
        QCOMPARE(t.window->fileFilter, QString("JPEG (*.jpeg)|*.jpeg;*.jpg|BMP(*.bmp)|*.bmp"));
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
            QVERIFY(t.window->aboutBox->isVisible());
            QVERIFY(!t.window->aboutBox->isModal());
            QCOMPARE(t.dialogs.count("modal"), 0);
            t.window->aboutBox->hide();

            // Resizing with a picture open fits it again, centred in the new size.
            t.open(path);
            imageControl *view = t.image("mainImage");
            t.window->resize(1400, 900);
            QCoreApplication::processEvents();
            const rectangle r = t.window->mainViewRect;
            QCOMPARE(r.right - r.left + 1, view->width());
            const int height = r.bottom - r.top + 1;
            QVERIFY(std::abs(height - view->width() / 2) <= 1);
            QVERIFY(std::abs(r.top - (view->height() - 1 - r.bottom)) <= 1);
            QCOMPARE(t.window->mainViewBitmap.size(), QSize(r.right - r.left + 1, height));
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
            for (int tab = 0; tab < t.window->adjustPages->widget()->count(); ++tab) t.selectTabs(page, tab);
        t.window->monoColorGroup->setItemIndex(2);
        t.window->embosseAngleGroup->setItemIndex(3);
        QCOMPARE(t.window->filter.embossAngle, 135);
        t.window->toneCurveGroup->setItemIndex(1);
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
        struct row {
            int page, tab, item, code;
        };
        const row rows[] = {
            {0, 0, -1, 2},  {0, 1, -1, 1},  {0, 2, 0, 11},  {0, 2, 3, 14},  {1, 0, -1, 107},
            {1, 1, 1, 102}, {1, 2, 1, 106}, {1, 3, -1, 16}, {1, 4, -1, 4},  {1, 5, 0, 8},
            {1, 5, 2, 10},  {2, 0, -1, 15}, {2, 1, -1, 7},  {2, 2, -1, 6},  {2, 3, -1, 5},
            {2, 4, -1, 17}, {3, 0, -1, 1},  {3, 1, 1, 4},   {3, 2, -1, 10}, {3, 3, -1, 11},
            {3, 4, -1, 9},  {3, 5, -1, 2},
        };
        for (const row &r : rows) {
            t.selectTabs(r.page, r.tab);
            radioGroup *group = nullptr;
            if (r.page == 0 && r.tab == 2) group = t.window->toneCurveGroup.get();
            if (r.page == 1 && r.tab == 1) group = t.window->fringeShapeGroup.get();
            if (r.page == 1 && r.tab == 2) group = t.window->paintGroup.get();
            if (r.page == 1 && r.tab == 5) group = t.window->monoColorGroup.get();
            if (r.page == 3 && r.tab == 1) group = t.window->rotateAngleGroup.get();
            if (group) group->setItemIndex(r.item);
            QCOMPARE(t.window->operationCode(), r.code);
            if (r.page < 3) QCOMPARE(t.window->filter.filterType, r.code);
            else QCOMPARE(t.window->shapeType, r.code);
        }
        // A radio group without a selection gives 0, which is written all the same.
        t.selectTabs(1, 5);
        t.window->monoColorGroup->setItemIndex(-1);
        QCOMPARE(t.window->operationCode(), 0);
        QCOMPARE(t.window->filter.filterType, 0);
        // Trimming is the active operation only on 変形 / トリミング.
        const QString path = greyPicture();
        t.open(path);
        t.selectTabs(1, 5);
        t.window->monoColorGroup->setItemIndex(2);
        QVERIFY(!t.window->trimmingActive);
        t.selectTabs(3, 2);
        QVERIFY(t.window->trimmingActive);
        t.selectTabs(3, 3);
        QVERIFY(!t.window->trimmingActive);
    }

    void previewStartsFromTheCommittedPictureEachTime()
    {
        const QString path = scratch.path() + "/wide.bmp";
        QVERIFY(writePicture(path, filledPicture(400, 200, qRgb(100, 100, 100))));
        windowUnderTest t;
        t.open(path);
        // A 400 x 200 picture gives a 205 x 104 sample drawn at (0, 50).
        QCOMPARE(t.window->sampleBitmap.size(), QSize(205, 104));
        QCOMPARE(t.window->sampleRect.left, 0);
        QCOMPARE(t.window->sampleRect.top, 50);
        t.selectTabs(0, 1); // RGB調整
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

    void toneKindsRememberTheirPositions()
    {
        windowUnderTest t;
        QSlider *tone = t.bar("toneTrackBar");
        radioGroup *kinds = t.window->toneCurveGroup.get();
        QCOMPARE(kinds->itemIndex(), 0);
        QCOMPARE(tone->value(), 0);
        kinds->setItemIndex(1); // 傾斜, first time: its reset position
        QCOMPARE(tone->value(), 25);
        QCOMPARE(t.text("toneValue"), QString("1.00")); // slope k = tan 45° = 1
        tone->setValue(30);
        QCOMPARE(t.window->toneSlopeLevel, 30);
        kinds->setItemIndex(2); // ポイント
        QCOMPARE(tone->value(), 0);
        QCOMPARE(t.text("toneValue"), QString("0"));
        tone->setValue(10); // the point curve has no position: back to 0
        QCOMPARE(tone->value(), 0);
        QCOMPARE(t.window->toneSlopeLevel, 30);
        QCOMPARE(t.window->toneSCurveLevel, 0);
        kinds->setItemIndex(3); // ガンマ
        QCOMPARE(tone->value(), 0);
        tone->setValue(-20);
        QCOMPARE(t.window->toneGammaLevel, -20);
        kinds->setItemIndex(0);
        QCOMPARE(tone->value(), 0);
        kinds->setItemIndex(1);
        QCOMPARE(tone->value(), 30);
        kinds->setItemIndex(3);
        QCOMPARE(tone->value(), -20);
    }

    void curveResetKeepsTheBarAndTheKind()
    {
        windowUnderTest t;
        QSlider *tone = t.bar("toneTrackBar");
        t.window->toneCurveGroup->setItemIndex(1);
        tone->setValue(40);
        t.window->filter.tonePoints[3] = 7;
        t.bar("distortoinTrackBar")->setValue(12);
        t.child<QLineEdit>("distortoinEdit")->setText("12");
        t.bar("rotateTrackBar")->setValue(90);
        t.child<QLineEdit>("rotateEdit")->setText("90");
        t.window->rotateAngleGroup->setItemIndex(2);
        t.child<QLineEdit>("horizontalMagParcentEdit")->setText("50.00");
        t.child<QCheckBox>("reSizeRatioCheckBox")->setChecked(false);
        const QString valueBefore = t.text("toneValue");

        t.click("curveResetButton");
        QCOMPARE(tone->value(), 40);
        QCOMPARE(t.window->toneCurveGroup->itemIndex(), 1);
        QCOMPARE(t.text("toneValue"), valueBefore); // the curve drawn is unchanged
        QCOMPARE(t.window->toneSlopeLevel, 25);
        QCOMPARE(t.window->toneDragIndex, 9);
        QCOMPARE(t.window->filter.tonePoints[3], 128 - 48);
        QCOMPARE(t.bar("distortoinTrackBar")->value(), 0);
        QCOMPARE(t.child<QLineEdit>("distortoinEdit")->text(), QString("0"));
        QCOMPARE(t.bar("rotateTrackBar")->value(), 0);
        QCOMPARE(t.child<QLineEdit>("rotateEdit")->text(), QString("0"));
        QCOMPARE(t.window->rotateAngleGroup->itemIndex(), 0);
        QCOMPARE(t.child<QLineEdit>("horizontalMagParcentEdit")->text(), QString("100.00"));
        QCOMPARE(t.child<QLineEdit>("verticalMagParcentEdit")->text(), QString("100.00"));
        QVERIFY(t.child<QCheckBox>("reSizeRatioCheckBox")->isChecked());
        // The slope's remembered position is back at 25, the bar itself still at 40.
        t.window->toneCurveGroup->setItemIndex(0);
        t.window->toneCurveGroup->setItemIndex(1);
        QCOMPARE(tone->value(), 25);
    }

    void draggingAKnotChangesThePreview()
    {
        windowUnderTest t;
        t.open(greyPicture());
        t.selectTabs(0, 2);
        t.window->toneCurveGroup->setItemIndex(2); // ポイント
        imageControl *editor = t.image("toneCntImg");
        const QImage &sample = t.image("sampleImage")->canvas();
        const QRgb before = sample.pixel(102, 102);
        const QImage editorBefore = editor->canvas().copy();

        // Knot 4 (level 128) sits at x 64, P4 = 64; any button picks it up.
        QTest::mousePress(editor, Qt::RightButton, Qt::NoModifier, QPoint(66, 66));
        QCOMPARE(t.window->toneDragIndex, 4);
        QTest::mouseMove(editor, QPoint(66, 20));
        QCOMPARE(t.window->filter.tonePoints[4], 18);
        QTest::mouseMove(editor, QPoint(66, 200)); // below the image: ignored
        QCOMPARE(t.window->filter.tonePoints[4], 18);
        QTest::mouseRelease(editor, Qt::RightButton, Qt::NoModifier, QPoint(66, 200));
        QCOMPARE(t.window->toneDragIndex, 9);
        QVERIFY(editor->canvas() != editorBefore);

        const QRgb after = sample.pixel(102, 102);
        QVERIFY(after != before);
        QVERIFY(qRed(after) > qRed(before)); // a raised knot brightens the middle tones
        QCOMPARE(rgbOf(t.current()->bitmap.pixel(0, 0)), qRgb(128, 128, 128) & 0xFFFFFF);

        // A press away from every knot selects none; moving then changes nothing.
        QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, QPoint(66, 120));
        QCOMPARE(t.window->toneDragIndex, 9);
        QTest::mouseMove(editor, QPoint(66, 40));
        QTest::mouseRelease(editor, Qt::LeftButton, Qt::NoModifier, QPoint(66, 40));
        QCOMPARE(t.window->filter.tonePoints[4], 18);

        // Other curve kinds ignore presses.
        t.window->toneCurveGroup->setItemIndex(0);
        QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, QPoint(2, 130));
        QCOMPARE(t.window->toneDragIndex, 9);
        QTest::mouseRelease(editor, Qt::LeftButton, Qt::NoModifier, QPoint(2, 130));
    }
};

QTEST_MAIN(testMainFormParameters)
#include "test_mainform_parameters.moc"
