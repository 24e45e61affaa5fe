// The main view on a display scaled ×2: at 100 % one picture pixel is one pixel of the screen,
// above it a square of them; the view's positions (a trimming corner dragged) are the screen's.
#include "test_mainform_support.h"

#include "ui/viewgeometry.h"

#include <QLineEdit>

using namespace testing_support;

class testMainFormScaled : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    // The view as the screen shows it, away from the scroll bars.
    static QImage grabbed(imageControl *view)
    {
        QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        shown.setDevicePixelRatio(1.0);
        return shown.copy(0, 0, shown.width() - 40, shown.height() - 40);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.start());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path() + "/config"));
    }
    void init() { QVERIFY(scratch.enterTest()); }

    void onePicturePixelOnOneScreenPixel()
    {
        windowUnderTest t;
        imageControl *view = t.image("mainImage");
        QCOMPARE(view->devicePixelRatioF(), 2.0);
        t.open(texturedPicture(scratch.path(), "scaled.bmp", 2400, 1900));
        const windowProbe probe = t.probe();
        t.click("zoomActualButton");
        QCOMPARE(t.text("zoomStaticText"), QStringLiteral("100 %"));
        probe.view().scrollViewTo(333, 211);
        const QImage &picture = t.current()->bitmap;
        QImage shown = grabbed(view);
        QCOMPARE(shown.size(), view->size() * 2 - QSize(40, 40));
        QCOMPARE(shown, picture.copy(333, 211, shown.width(), shown.height()));

        // At 300 % each picture pixel is three screen pixels each way.
        probe.view().setViewZoom(3.0, 0, 0);
        probe.view().scrollViewTo(901, 602);
        shown = grabbed(view);
        QImage expected(view->canvas().size(), QImage::Format_RGB32);
        halfSizes reductions;
        drawZoomed(picture, reductions, expected, 3.0, probe.viewOffsetX(), probe.viewOffsetY(), 0xFFFFFFFFu);
        QCOMPARE(shown, expected.copy(shown.rect()));
    }

    // A trimming corner dragged at 400 % by 40 × 22 screen pixels moves by 10 × 5 picture pixels,
    // grabbed anywhere within its handle, which is as large to the eye as at 1×: 12 widget
    // positions, 24 screen pixels.
    void trimmingInScreenPixels()
    {
        for (const QPoint handle : {QPoint(2, 2), QPoint(10, 10)}) {
            windowUnderTest t;
            t.open(texturedPicture(scratch.path(), "trim.bmp", 400, 400));
            const windowProbe w = t.probe();
            const windowProbe probe = t.probe();
            imageControl *view = t.image("mainImage");
            w.mainPages()->widget()->setCurrentIndex(2);
            t.selectTabs(3, 2); // トリミング
            probe.view().setViewZoom(4.0, 0, 0);
            probe.view().scrollViewTo(0, 0);
            // Widget positions are half the screen's pixels: the corner is dragged by 40 × 22 of them.
            const QPoint to = handle + QPoint(20, 11);
            QTest::mouseMove(view, handle);
            QTest::mousePress(view, Qt::LeftButton, {}, handle);
            QTest::mouseMove(view, to);
            QTest::mouseRelease(view, Qt::LeftButton, {}, to);
            auto edit = [&](const char *name) { return t.child<QLineEdit>(name)->text().toInt(); };
            QCOMPARE(edit("leftTrimingLabeledEdit"), 10);
            QCOMPARE(edit("upperTrimingLabeledEdit"), 5);
            QCOMPARE(edit("rightTrimingLabeledEdit"), 399);
        }
    }
};

int main(int argc, char **argv)
{
    // The screen scaled ×2, before the application reads it.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    testMainFormScaled test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform_scaled.moc"
