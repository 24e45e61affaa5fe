// The tone-curve editor of the window: the curve kinds and the preview, the knots (hit band, drag
// bounds, dragging), the positions each kind remembers and the reset.
#include "test_mainform_support.h"

#include "colour/filterparameters.h"
#include "geometry/prepareshape.h"
#include "imagedata/messagesink.h"
#include "ui/aboutdialogbox.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace testing_support;

class testMainFormToneCurve : public QObject {
    Q_OBJECT
    scratchFolders scratch;


private slots:
    void initTestCase()
    {
        QVERIFY(scratch.start());
    }


    void toneCurveKindsReachThePreview()
    {
        const QString path = scratch.path() + "/colours.bmp";
        QImage picture = filledPicture(20, 20, qRgb(200, 40, 90));
        for (int y = 0; y < 20; ++y)
            for (int x = 10; x < 20; ++x) picture.setPixel(x, y, qRgb(10, 250, 128));
        QVERIFY(writePicture(path, picture));
        windowUnderTest t;
        t.open(path);
        t.selectTabs(adjustPage, toneCurveTab);
        const QImage &sample = t.image("sampleImage")->canvas();
        QSlider *tone = t.bar("toneTrackBar");

        t.probe().toneCurveGroup()->setItemIndex(1); // slope at its reset 25: the identity
        QCOMPARE(t.probe().filter().filterType, int(filterToneSlope));
        QCOMPARE(sample.pixel(20, 100), qRgb(200, 40, 90));
        QCOMPARE(sample.pixel(180, 100), qRgb(10, 250, 128));
        tone->setValue(0); // a flat slope: every pixel mid grey
        QCOMPARE(t.text("toneValue"), QString("0.00"));
        QCOMPARE(sample.pixel(20, 100), qRgb(128, 128, 128));
        QCOMPARE(sample.pixel(180, 100), qRgb(128, 128, 128));
        tone->setValue(-25); // k = -1 inverts: v becomes about 256 - v
        const QRgb inverted = sample.pixel(20, 100);
        QVERIFY(std::abs(qRed(inverted) - 56) <= 1);
        QVERIFY(std::abs(qGreen(inverted) - 216) <= 1);
        QVERIFY(std::abs(qBlue(inverted) - 166) <= 1);

        t.probe().toneCurveGroup()->setItemIndex(3); // gamma at 50 darkens everything up to 192 to 0
        tone->setValue(50);
        QCOMPARE(t.text("toneValue"), QString("100.09")); // the curve's exponent, not the bar
        QCOMPARE(sample.pixel(20, 100), qRgb(0, 0, 0));

        t.probe().toneCurveGroup()->setItemIndex(2); // the reset points: the identity again
        QCOMPARE(t.probe().filter().filterType, int(filterTonePoints));
        QCOMPARE(sample.pixel(180, 100), qRgb(10, 250, 128));
        // The committed picture never changed.
        QCOMPARE(rgbOf(t.current()->bitmap.pixel(0, 0)), qRgb(200, 40, 90) & 0xFFFFFF);
    }

    void knotEditorHitBandAndDragBounds()
    {
        windowUnderTest t;
        t.probe().toneCurveGroup()->setItemIndex(2);
        imageControl *editor = t.image("toneCntImg");
        QCOMPARE(editor->size(), QSize(132, 132));
        auto &points = t.probe().filter().tonePoints;
        const auto pressAt = [&](int x, int y, Qt::MouseButton button = Qt::LeftButton) {
            QTest::mousePress(editor, button, Qt::NoModifier, QPoint(x, y));
            const int picked = t.probe().toneDragIndex();
            QTest::mouseRelease(editor, button, Qt::NoModifier, QPoint(x, y));
            // Any button's release ends the drag.
            return t.probe().toneDragIndex() == 9 ? picked : -1;
        };
        // Knot 4 (P4 = 64) is hit within four pixels of its row and in the columns 56..71.
        QCOMPARE(pressAt(64, 60), 4);
        QCOMPARE(pressAt(64, 68), 4);
        QCOMPARE(pressAt(64, 59), 9);
        QCOMPARE(pressAt(64, 69), 9);
        QCOMPARE(pressAt(56, 64), 4);
        QCOMPARE(pressAt(71, 64, Qt::MiddleButton), 4);
        QCOMPARE(pressAt(55, 64), 9); // knot 3's column, but knot 3 sits at 80
        QCOMPARE(pressAt(55, 80), 3);
        QCOMPARE(pressAt(2, 130), 0);
        QCOMPARE(pressAt(131, 2), 8);

        // Dragging stores Y - 2 for 0 <= Y <= the image height and ignores the rest.
        QTest::mousePress(editor, Qt::RightButton, Qt::NoModifier, QPoint(34, 96));
        QCOMPARE(t.probe().toneDragIndex(), 2);
        QTest::mouseMove(editor, QPoint(34, 0));
        QCOMPARE(points[2], -2);
        QTest::mouseMove(editor, QPoint(34, -1));
        QCOMPARE(points[2], -2);
        QTest::mouseMove(editor, QPoint(34, 132));
        QCOMPARE(points[2], 130);
        QTest::mouseMove(editor, QPoint(34, 133));
        QCOMPARE(points[2], 130);
        QTest::mouseMove(editor, QPoint(300, 50)); // the column does not matter while dragging
        QCOMPARE(points[2], 48);
        QCOMPARE(points[1], 112);
        QCOMPARE(points[3], 80);
        QTest::mouseRelease(editor, Qt::RightButton, Qt::NoModifier, QPoint(300, 50));
        QCOMPARE(t.probe().toneDragIndex(), 9);
        QCOMPARE(t.text("toneValue"), QString("0"));

        // The reset brings the knots back and leaves the kind and bar alone.
        t.click("curveResetButton");
        QCOMPARE(points[2], 96);
        QCOMPARE(t.probe().toneCurveGroup()->itemIndex(), 2);
        QCOMPARE(t.dialogs.log.size(), 0);
    }

    void toneKindsRememberTheirPositions()
    {
        windowUnderTest t;
        QSlider *tone = t.bar("toneTrackBar");
        radioGroup *kinds = t.probe().toneCurveGroup();
        QCOMPARE(kinds->itemIndex(), 0);
        QCOMPARE(tone->value(), 0);
        kinds->setItemIndex(1); // 傾斜, first time: its reset position
        QCOMPARE(tone->value(), 25);
        QCOMPARE(t.text("toneValue"), QString("1.00")); // slope k = tan 45° = 1
        tone->setValue(30);
        QCOMPARE(t.probe().toneSlopeLevel(), 30);
        kinds->setItemIndex(2); // ポイント
        QCOMPARE(tone->value(), 0);
        QCOMPARE(t.text("toneValue"), QString("0"));
        tone->setValue(10); // the point curve has no position: back to 0
        QCOMPARE(tone->value(), 0);
        QCOMPARE(t.probe().toneSlopeLevel(), 30);
        QCOMPARE(t.probe().toneSCurveLevel(), 0);
        kinds->setItemIndex(3); // ガンマ
        QCOMPARE(tone->value(), 0);
        tone->setValue(-20);
        QCOMPARE(t.probe().toneGammaLevel(), -20);
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
        t.probe().toneCurveGroup()->setItemIndex(1);
        tone->setValue(40);
        t.probe().filter().tonePoints[3] = 7;
        t.bar("distortoinTrackBar")->setValue(12);
        t.child<QLineEdit>("distortoinEdit")->setText("12");
        t.bar("rotateTrackBar")->setValue(90);
        t.child<QLineEdit>("rotateEdit")->setText("90");
        t.probe().rotateAngleGroup()->setItemIndex(2);
        t.child<QLineEdit>("horizontalMagParcentEdit")->setText("50.00");
        t.child<QCheckBox>("reSizeRatioCheckBox")->setChecked(false);
        const QString valueBefore = t.text("toneValue");

        t.click("curveResetButton");
        QCOMPARE(tone->value(), 40);
        QCOMPARE(t.probe().toneCurveGroup()->itemIndex(), 1);
        QCOMPARE(t.text("toneValue"), valueBefore); // the curve drawn is unchanged
        QCOMPARE(t.probe().toneSlopeLevel(), 25);
        QCOMPARE(t.probe().toneDragIndex(), 9);
        QCOMPARE(t.probe().filter().tonePoints[3], 128 - 48);
        QCOMPARE(t.bar("distortoinTrackBar")->value(), 0);
        QCOMPARE(t.child<QLineEdit>("distortoinEdit")->text(), QString("0"));
        QCOMPARE(t.bar("rotateTrackBar")->value(), 0);
        QCOMPARE(t.child<QLineEdit>("rotateEdit")->text(), QString("0"));
        QCOMPARE(t.probe().rotateAngleGroup()->itemIndex(), 0);
        QCOMPARE(t.child<QLineEdit>("horizontalMagParcentEdit")->text(), QString("100.00"));
        QCOMPARE(t.child<QLineEdit>("verticalMagParcentEdit")->text(), QString("100.00"));
        QVERIFY(t.child<QCheckBox>("reSizeRatioCheckBox")->isChecked());
        // The slope's remembered position is back at 25, the bar itself still at 40.
        t.probe().toneCurveGroup()->setItemIndex(0);
        t.probe().toneCurveGroup()->setItemIndex(1);
        QCOMPARE(tone->value(), 25);
    }

    void draggingAKnotChangesThePreview()
    {
        windowUnderTest t;
        t.open(greyPicture(scratch));
        t.selectTabs(adjustPage, toneCurveTab);
        t.probe().toneCurveGroup()->setItemIndex(2); // ポイント
        imageControl *editor = t.image("toneCntImg");
        const QImage &sample = t.image("sampleImage")->canvas();
        const QRgb before = sample.pixel(102, 102);
        const QImage editorBefore = editor->canvas().copy();

        // Knot 4 (level 128) sits at x 64, P4 = 64; any button picks it up.
        QTest::mousePress(editor, Qt::RightButton, Qt::NoModifier, QPoint(66, 66));
        QCOMPARE(t.probe().toneDragIndex(), 4);
        QTest::mouseMove(editor, QPoint(66, 20));
        QCOMPARE(t.probe().filter().tonePoints[4], 18);
        QTest::mouseMove(editor, QPoint(66, 200)); // below the image: ignored
        QCOMPARE(t.probe().filter().tonePoints[4], 18);
        QTest::mouseRelease(editor, Qt::RightButton, Qt::NoModifier, QPoint(66, 200));
        QCOMPARE(t.probe().toneDragIndex(), 9);
        QVERIFY(editor->canvas() != editorBefore);

        const QRgb after = sample.pixel(102, 102);
        QVERIFY(after != before);
        QVERIFY(qRed(after) > qRed(before)); // a raised knot brightens the middle tones
        QCOMPARE(rgbOf(t.current()->bitmap.pixel(0, 0)), qRgb(128, 128, 128) & 0xFFFFFF);

        // A press away from every knot selects none; moving then changes nothing.
        QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, QPoint(66, 120));
        QCOMPARE(t.probe().toneDragIndex(), 9);
        QTest::mouseMove(editor, QPoint(66, 40));
        QTest::mouseRelease(editor, Qt::LeftButton, Qt::NoModifier, QPoint(66, 40));
        QCOMPARE(t.probe().filter().tonePoints[4], 18);

        // Other curve kinds ignore presses.
        t.probe().toneCurveGroup()->setItemIndex(0);
        QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, QPoint(2, 130));
        QCOMPARE(t.probe().toneDragIndex(), 9);
        QTest::mouseRelease(editor, Qt::LeftButton, Qt::NoModifier, QPoint(2, 130));
    }
};

QTEST_MAIN(testMainFormToneCurve)
#include "test_mainform_tonecurve.moc"
