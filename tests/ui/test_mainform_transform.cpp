// The 変形 page: the resize edits and their sync, the number checks of the transform edits, the
// rotation method, quarter-turn preview and commit, and the trimming rectangle driven by the
// mouse and the up-downs.
#include "test_mainform_support.h"

#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "imagedata/myimagearray.h"
#include "ui/transformcontrols.h"
#include "ui/widgets/updown.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

using namespace testing_support;

namespace {
// Left half red, right half blue.
QImage halves(int width, int height)
{
    QImage picture = filledPicture(width, height, qRgb(255, 0, 0));
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x) picture.setPixel(x, y, qRgb(0, 0, 255));
    return picture;
}

// The text as the user leaves it after typing: one key release in the edit.
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_End);
}
} // namespace

class testMainFormTransform : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    QString picture(const char *name, const QImage &image)
    {
        const QString path = scratch.path() + "/" + name;
        if (!QFile::exists(path)) writePicture(path, image);
        return path;
    }
    static QLineEdit *edit(windowUnderTest &t, const char *name) { return t.child<QLineEdit>(name); }

private slots:
    void initTestCase() { QVERIFY(scratch.start()); }

    void conversionsBetweenViewAndPicture()
    {
        // At a display scale of 0.5: an edge at ox + 101 is picture column 202; column 3 is
        // control pixel ox + 2 (1.5 goes to the even 2), 7 gives ox + 4 (3.5 to the even 4).
        QCOMPARE(trimEditFromControl(40 + 101, 40, 0.5), 202);
        QCOMPARE(trimControlFromEdit(3, 40, 0.5), 42);
        QCOMPARE(trimControlFromEdit(7, 40, 0.5), 44);
        QCOMPARE(trimEditFromControl(40 + 7, 40, 3.0), 2);
        QCOMPARE(magnificationText(50, 2), QString("50.00"));
        QCOMPARE(magnificationText(149.6, 0), QString("150"));
        QCOMPARE(magnificationText(12345.678, 2), QString("12345.70")); // six significant digits
        QCOMPARE(hundredthsOf("45.5"), std::optional<int>(4550));
        QCOMPARE(hundredthsOf("-1e1"), std::optional<int>(-1000));
        QVERIFY(!hundredthsOf("1e300"));
        QVERIFY(!hundredthsOf("abc"));
        // Truncated toward zero, and only while the hundredths fit an int.
        QCOMPARE(hundredthsOf("-0.019"), std::optional<int>(-1));
        QCOMPARE(hundredthsOf("21474836.4799"), std::optional<int>(2147483647));
        QVERIFY(!hundredthsOf("21474836.48"));
        QCOMPARE(hundredthsOf("-21474836.4899"), std::optional<int>(-2147483648));
        QVERIFY(!hundredthsOf("-21474836.49"));
        QCOMPARE(wholeNumberOf("+7"), std::optional<int>(7));
        QVERIFY(!wholeNumberOf("12.5"));
    }

    void resizeEditsKeepTheRatioAndCommit()
    {
        windowUnderTest t;
        t.open(picture("r400x300.bmp", halves(400, 300)));
        t.selectTabs(transformPage, resizeTab);
        QCOMPARE(edit(t, "horizontalMagPixelEdit")->text(), QString("400"));
        QCOMPARE(edit(t, "verticalMagPixelEdit")->text(), QString("300"));

        typeInto(edit(t, "horizontalMagPixelEdit"), "200");
        QCOMPARE(t.probe().shapeSetUp().horizontalPercent, 50.0);
        QCOMPARE(t.probe().shapeSetUp().verticalPercent, 50.0);
        QCOMPARE(edit(t, "horizontalMagParcentEdit")->text(), QString("50.00"));
        QCOMPARE(edit(t, "verticalMagPixelEdit")->text(), QString("150"));
        QCOMPARE(edit(t, "verticalMagParcentEdit")->text(), QString("50.00"));

        // Unticked, only the pair typed in follows.
        t.child<QCheckBox>("reSizeRatioCheckBox")->setChecked(false);
        typeInto(edit(t, "horizontalMagPixelEdit"), "100");
        QCOMPARE(edit(t, "horizontalMagParcentEdit")->text(), QString("25.00"));
        QCOMPARE(edit(t, "verticalMagPixelEdit")->text(), QString("150"));
        QCOMPARE(t.probe().shapeSetUp().verticalPercent, 50.0);
        // A percent typed as 5 is shown as 5.00; a pixel count of 0 changes nothing.
        typeInto(edit(t, "verticalMagParcentEdit"), "5");
        QCOMPARE(edit(t, "verticalMagParcentEdit")->text(), QString("5.00"));
        QCOMPARE(edit(t, "verticalMagPixelEdit")->text(), QString("15"));
        typeInto(edit(t, "verticalMagPixelEdit"), "0");
        QCOMPARE(t.probe().shapeSetUp().verticalPercent, 5.0);
        QCOMPARE(t.dialogs.count("message") + t.dialogs.count("error"), 0);

        // A size below one pixel is refused before the undo history gets a step.
        t.click("executeButton");
        QCOMPARE(t.dialogs.count("error"), 1);
        QCOMPARE(t.current()->undoCount, 0);
        QCOMPARE(t.current()->bitmap.size(), QSize(400, 300));

        typeInto(edit(t, "verticalMagPixelEdit"), "30");
        t.click("executeButton");
        QCOMPARE(t.current()->bitmap.size(), QSize(100, 30));
        QCOMPARE(t.current()->undoCount, 1);
        QCOMPARE(t.text("imageWidthStaticText1"), QString("100"));
        // Both pairs follow the new picture at their own percentages (25 % and 10 %).
        QCOMPARE(edit(t, "horizontalMagPixelEdit")->text(), QString("25"));
        QCOMPARE(edit(t, "verticalMagPixelEdit")->text(), QString("3"));
    }

    void typingIntoTheResizeEditsKeyByKey()
    {
        windowUnderTest t;
        t.open(picture("r400x300.bmp", halves(400, 300)));
        t.selectTabs(transformPage, resizeTab);
        QLineEdit *percent = edit(t, "horizontalMagParcentEdit");
        percent->setFocus();
        percent->selectAll();
        QTest::keyClicks(percent, "150"); // 1.00, 15.00, 150.00: the caret stays behind the digits
        QCOMPARE(percent->text(), QString("150.00"));
        QCOMPARE(edit(t, "horizontalMagPixelEdit")->text(), QString("600"));
        QCOMPARE(edit(t, "verticalMagPixelEdit")->text(), QString("450"));

        // Emptied to be typed again, a size edit stops no preview; a resize commit refuses it.
        QLineEdit *pixels = edit(t, "horizontalMagPixelEdit");
        pixels->selectAll();
        QTest::keyClick(pixels, Qt::Key_Backspace);
        t.selectTabs(transformPage, rotateTab);
        t.selectTabs(transformPage, resizeTab);
        pixels->clear();
        QTest::keyClick(pixels, Qt::Key_End);
        QCOMPARE(t.dialogs.count("message") + t.dialogs.count("error"), 0);
        t.click("executeButton");
        QCOMPARE(t.dialogs.count("error"), 1);
        QCOMPARE(t.current()->undoCount, 0);
        QTest::keyClicks(pixels, "200");
        QCOMPARE(pixels->text(), QString("200"));
        t.click("executeButton");
        QCOMPARE(t.current()->bitmap.size(), QSize(200, 150));
    }

    void numberChecksOfTheTransformEdits()
    {
        windowUnderTest t;
        t.open(picture("r400x300.bmp", halves(400, 300)));
        typeInto(edit(t, "slopeBalanceEdit"), "abc");
        QCOMPARE(t.dialogs.count("message"), 1);
        QVERIFY(t.dialogs.log.last().text.startsWith("整数以外の文字"));
        QCOMPARE(t.bar("slopeBalanceTrackBar")->value(), 0);
        typeInto(edit(t, "slopeBalanceEdit"), "-30");
        QCOMPARE(t.bar("slopeBalanceTrackBar")->value(), -30);

        typeInto(edit(t, "rotateEdit"), "200"); // the bar clamps and rewrites the edit
        QCOMPARE(t.bar("rotateTrackBar")->value(), 180);
        QCOMPARE(edit(t, "rotateEdit")->text(), QString("180"));
        t.bar("rotateTrackBar")->setValue(45);
        typeInto(edit(t, "rotateEdit"), "45.5"); // same whole part: the fraction stays
        t.selectTabs(transformPage, rotateTab);
        QCOMPARE(t.probe().shapeSetUp().engine->rotateAngle, 4550);
        typeInto(edit(t, "rotateEdit"), "1,5");
        QCOMPARE(t.dialogs.count("message"), 2);
        // Left there, the text stops the next transform preview with an error.
        t.selectTabs(transformPage, distortTab);
        QCOMPARE(t.dialogs.count("error"), 1);
        typeInto(edit(t, "rotateEdit"), "10");

        // An amount its bar cannot reach is refused with the range, the picture untouched.
        t.selectTabs(transformPage, trapezoidTab);
        t.bar("perspectiveTrackBar")->setValue(50);
        typeInto(edit(t, "perspectiveEdit"), "500");
        QCOMPARE(edit(t, "perspectiveEdit")->text(), QString("500"));
        t.click("executeButton");
        QVERIFY(t.dialogs.log.last().text.contains("-50 から 50"));
        QCOMPARE(t.current()->undoCount, 0);
    }

    void quarterTurnPreviewAndCommit()
    {
        windowUnderTest t;
        t.open(picture("w400x200.bmp", halves(400, 200)));
        t.selectTabs(transformPage, rotateTab);
        t.probe().rotateAngleGroup()->setItemIndex(1); // 右９０度
        QVERIFY(!edit(t, "rotateEdit")->isEnabled());
        QVERIFY(!t.child<QLabel>("rotateAngleStaticText")->isEnabled());
        QCOMPARE(t.bar("rotateTrackBar")->property("sliderVisible").toBool(), false);
        QCOMPARE(t.probe().sampleBitmap().size(), QSize(104, 205));
        QCOMPARE(t.probe().sampleRect().left, 50);
        QCOMPARE(t.probe().sampleRect().top, 0);
        // The guide grid inverts the white margin along its lines.
        const QImage &sample = t.image("sampleImage")->canvas();
        QCOMPARE(rgbOf(sample.pixel(10, 0)), 0u);
        QCOMPARE(rgbOf(sample.pixel(10, 1)), 0xFFFFFFu);

        t.click("executeButton");
        imageDocument *d = t.current();
        QCOMPARE(d->bitmap.size(), QSize(200, 400));
        QCOMPARE(rgbOf(d->bitmap.pixel(100, 10)), 0xFF0000u); // the left half is on top
        QCOMPARE(rgbOf(d->bitmap.pixel(100, 390)), 0x0000FFu);
        const rectangle &view = t.probe().mainViewRect();
        QVERIFY(view.bottom - view.top > view.right - view.left);
        QCOMPARE(t.text("imageHeightStaticText1"), QString("400"));

        t.probe().rotateAngleGroup()->setItemIndex(0);
        QVERIFY(edit(t, "rotateEdit")->isEnabled());
        QCOMPARE(t.bar("rotateTrackBar")->property("sliderVisible").toBool(), true);
        t.click("undoButton");
        QCOMPARE(t.current()->bitmap.size(), QSize(400, 200));
    }

    void trimmingByMouseAndUpDowns()
    {
        windowUnderTest t;
        t.open(picture("r400x300.bmp", halves(400, 300)));
        imageControl *view = t.image("mainImage");
        t.selectTabs(transformPage, slopeTab); // 傾斜: no rectangle
        const QImage plain = view->canvas().copy();
        t.selectTabs(transformPage, trimTab); // トリミング
        QVERIFY(t.probe().trimmingActive());
        QVERIFY(view->canvas() != plain);
        const rectangle start = t.probe().trimmingRect().rect;
        QCOMPARE(start.right, t.probe().mainViewRect().right);

        // Drag the bottom-right corner up and to the left.
        const QPoint handle(start.right - 3, start.bottom - 3);
        QTest::mouseMove(view, handle);
        QCOMPARE(view->currentCursorShape(), imageControl::diagonalCursor);
        QTest::mousePress(view, Qt::LeftButton, {}, handle);
        QTest::mouseMove(view, handle - QPoint(100, 60));
        QTest::mouseRelease(view, Qt::LeftButton, {}, handle - QPoint(100, 60));
        const rectangle dragged = t.probe().trimmingRect().rect;
        QCOMPARE(dragged.right, start.right - 100);
        QCOMPARE(dragged.bottom, start.bottom - 60);
        QCOMPARE(t.probe().trimmingRect().dragMode, std::uint32_t(dragNone));
        const double s = t.current()->viewScale;
        const int ox = t.probe().mainViewRect().left;
        const int right = trimEditFromControl(dragged.right, ox, s);
        QCOMPARE(edit(t, "rightTrimingLabeledEdit")->text(), QString::number(right));
        QCOMPARE(t.text("postTrimingImageWidthStaticText"), QString::number(right + 1));

        // One step of the right up-down from the value shown, with the cross limit for the left.
        t.child<QSpinBox>("rightTrimingUpDown")->stepDown();
        QCOMPARE(edit(t, "rightTrimingLabeledEdit")->text(), QString::number(right - 1));
        QCOMPARE(t.probe().trimmingRect().rect.right, trimControlFromEdit(right - 1, ox, s));
        QCOMPARE(t.child<QSpinBox>("leftTrimingUpDown")->maximum(),
                 int((t.probe().trimmingRect().rect.right - ox - 27) / s));

        // Every drawing of the rectangle was paired: leaving the tab restores the plain view.
        t.selectTabs(transformPage, slopeTab);
        QCOMPARE(view->canvas(), plain);
        QTest::mouseMove(view, QPoint(dragged.right - 3, dragged.bottom - 3));
        QCOMPARE(view->currentCursorShape(), imageControl::defaultCursor);

        t.selectTabs(transformPage, trimTab);
        QCOMPARE(edit(t, "leftTrimingLabeledEdit")->text(), QString("0"));
        const int shownRight = edit(t, "rightTrimingLabeledEdit")->text().toInt();
        const int lower = edit(t, "lowerTrimingLabeledEdit")->text().toInt();
        QVERIFY(lower < 299 && shownRight < right);
        t.click("executeButton");
        QCOMPARE(t.current()->bitmap.size(), QSize(shownRight + 1, lower + 1));
        QCOMPARE(rgbOf(t.current()->bitmap.pixel(0, 0)), 0xFF0000u);
        QCOMPARE(t.text("preTrimingImageWidthStaticText"), QString::number(shownRight + 1));
        t.click("undoButton");
        QCOMPARE(t.current()->bitmap.size(), QSize(400, 300));
        QCOMPARE(t.probe().trimmingRect().rect.right, t.probe().mainViewRect().right);

        // With the picture closed, a drag over the white view draws nothing.
        t.dialogs.questionAnswers << false; // do not save
        t.click("theEndButton");
        QCOMPARE(t.probe().editingCount(), 0);
        QTest::mousePress(view, Qt::LeftButton, {}, handle);
        QTest::mouseMove(view, handle - QPoint(50, 50));
        QTest::mouseRelease(view, Qt::LeftButton, {}, handle - QPoint(50, 50));
        QVERIFY(allWhite(view->canvas()));
    }

    void trimmingEditsStayInsideThePicture()
    {
        // An enlarged picture whose fitted view ends one picture row lower than it has.
        windowUnderTest t;
        const QSize view = t.image("mainImage")->size();
        int height = 0;
        for (int h = 40; h < 100 && !height; ++h) {
            rectangle area{0, 0, view.width() - 1, view.height() - 1};
            const double s = fitRect(0, 0, 99, h - 1, area);
            if (trimEditFromControl(area.bottom, area.top, s) >= h) height = h;
        }
        QVERIFY(height);
        t.open(picture("low.bmp", halves(100, height)));
        t.selectTabs(transformPage, trimTab);
        QCOMPARE(edit(t, "lowerTrimingLabeledEdit")->text(), QString::number(height - 1));
        QCOMPARE(t.text("postTrimingImageHeightStaticText"), QString::number(height));
        QCOMPARE(t.text("postTrimingImagePixelStaticText"), QString::number(100 * height));
    }

    // Typed key by key, a sign or a point on its own waits for the digits after it.
    void typingSignedNumbersKeyByKey()
    {
        windowUnderTest t;
        t.open(picture("r400x300.bmp", halves(400, 300)));
        t.selectTabs(transformPage, slopeTab);
        const struct {
            const char *edit, *bar, *keys;
            int position;
            const char *shown;
        } rows[] = {
            {"slopeBalanceEdit", "slopeBalanceTrackBar", "-30", -30, "-30"},
            {"perspectiveEdit", "perspectiveTrackBar", "+7", 7, "7"},
            {"distortoinEdit", "distortoinTrackBar", "-5", -5, "-5"},
            {"rotateEdit", "rotateTrackBar", "-12.5", -12, "-12.5"},
            {"rotateEdit", "rotateTrackBar", "-.5", 0, "0"},
        };
        for (const auto &r : rows) {
            QLineEdit *e = edit(t, r.edit);
            e->setFocus();
            e->selectAll();
            QTest::keyClicks(e, r.keys);
            QCOMPARE(t.bar(r.bar)->value(), r.position);
            QCOMPARE(e->text(), QString(r.shown));
        }
        QCOMPARE(t.dialogs.count("message") + t.dialogs.count("error"), 0);
        QCOMPARE(t.probe().shapeSetUp().engine->slopeBalance, -30);
        t.click("executeButton");
        QCOMPARE(t.current()->bitmap.size(), QSize(491, 300)); // wider by 30 % of the height, plus one
        QCOMPARE(t.dialogs.count("error"), 0);

        // A text that can never become a number is still reported at once.
        QLineEdit *slope = edit(t, "slopeBalanceEdit");
        slope->selectAll();
        QTest::keyClicks(slope, "-x");
        QCOMPARE(t.dialogs.count("message"), 1);
    }

    void untouchedTrimmingKeepsThePicture_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("photo reduced") << 1600 << 1200;
        QTest::newRow("after a trim") << 1038 << 1200;
        QTest::newRow("enlarged") << 400 << 300;
        QTest::newRow("enlarged more than twice") << 150 << 100;
        QTest::newRow("a strip") << 3000 << 17;
    }
    void untouchedTrimmingKeepsThePicture()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        windowUnderTest t;
        const QString name = QStringLiteral("t%1x%2.bmp").arg(width).arg(height);
        t.open(picture(name.toUtf8().constData(), halves(width, height)));
        const QImage before = t.current()->bitmap.copy();
        t.selectTabs(transformPage, trimTab);
        const auto edges = [&] {
            return QStringList{edit(t, "leftTrimingLabeledEdit")->text(), edit(t, "rightTrimingLabeledEdit")->text(),
                               edit(t, "upperTrimingLabeledEdit")->text(), edit(t, "lowerTrimingLabeledEdit")->text()};
        };
        const auto whole = [](int w, int h) {
            return QStringList{"0", QString::number(w - 1), "0", QString::number(h - 1)};
        };
        QCOMPARE(edges(), whole(width, height));
        QCOMPARE(t.text("postTrimingImageWidthStaticText"), QString::number(width));
        QCOMPARE(t.text("postTrimingImageHeightStaticText"), QString::number(height));

        // Stepping an edge away and back puts the rectangle where it started.
        const rectangle untouched = t.probe().trimmingRect().rect;
        QSpinBox *left = t.child<QSpinBox>("leftTrimingUpDown");
        left->setValue(1);
        left->setValue(0);
        const rectangle back = t.probe().trimmingRect().rect;
        QCOMPARE(QRect(back.left, back.top, back.right, back.bottom),
                 QRect(untouched.left, untouched.top, untouched.right, untouched.bottom));
        QCOMPARE(edges(), whole(width, height));

        t.click("executeButton");
        QCOMPARE(t.current()->bitmap, before);

        // Trimmed to its left two thirds, the new picture's rectangle is all of it again.
        const int kept = width * 2 / 3;
        t.child<QSpinBox>("rightTrimingUpDown")->setValue(kept - 1);
        t.click("executeButton");
        QCOMPARE(t.current()->bitmap, before.copy(0, 0, kept, height));
        QCOMPARE(edges(), whole(kept, height));
        QCOMPARE(t.dialogs.count("error"), 0);
    }

    // After every commit the sample view shows the committed picture (on 変形 under its guide grid).
    void sampleViewFollowsTheCommit_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("button");
        QTest::newRow("trimming") << 3 << 2 << "executeButton";
        QTest::newRow("slope") << 3 << 3 << "executeButton";
        QTest::newRow("emboss") << 1 << 4 << "executeButton";
        QTest::newRow("emboss button") << 0 << 0 << "embossSpeedButton";
    }
    void sampleViewFollowsTheCommit()
    {
        QFETCH(int, page);
        QFETCH(int, tab);
        QFETCH(QString, button);
        windowUnderTest t;
        t.open(picture("r400x300.bmp", halves(400, 300)));
        t.selectTabs(page, tab);
        if (page == 3 && tab == 2) t.child<QSpinBox>("leftTrimingUpDown")->setValue(250); // blue only
        if (page == 3 && tab == 3) t.bar("slopeBalanceTrackBar")->setValue(30);
        t.click(button.toLatin1().constData());
        QCOMPARE(t.current()->undoCount, 1);

        const QImage shown = t.image("sampleImage")->canvas().copy();
        t.probe().layoutSample(); // the sample made afresh from the picture, and where it goes
        const QImage &sample = t.probe().sampleBitmap();
        const rectangle at = t.probe().sampleRect();
        const auto onGrid = [&](int v) { return page == 3 && (v % 25 == 0 || v == 204); };
        int compared = 0;
        for (int y = 0; y < sample.height(); ++y)
            for (int x = 0; x < sample.width(); ++x) {
                if (onGrid(at.left + x) || onGrid(at.top + y)) continue;
                QCOMPARE(rgbOf(shown.pixel(at.left + x, at.top + y)), rgbOf(sample.pixel(x, y)));
                ++compared;
            }
        QVERIFY(compared > sample.width() * sample.height() / 2);
        if (page == 3 && tab == 2) QCOMPARE(rgbOf(sample.pixel(0, 0)), 0x0000FFu);
    }

    // A result larger than the largest picture Korvia opens is refused before the work.
    void tooLargeResultIsRefused()
    {
        windowUnderTest t;
        t.open(picture("r400x300.bmp", halves(400, 300)));
        t.selectTabs(transformPage, resizeTab);
        typeInto(edit(t, "horizontalMagPixelEdit"), "60000"); // and 45000 high
        QCOMPARE(edit(t, "verticalMagPixelEdit")->text(), QString("45000"));
        t.click("executeButton");
        QCOMPARE(t.dialogs.count("error"), 1);
        QVERIFY(t.dialogs.log.last().text.contains("60000 × 45000"));
        QCOMPARE(t.current()->undoCount, 0);
        QVERIFY(snapshotFiles().isEmpty());
        QCOMPARE(t.current()->bitmap.size(), QSize(400, 300));
    }
};

QTEST_MAIN(testMainFormTransform)
#include "test_mainform_transform.moc"
