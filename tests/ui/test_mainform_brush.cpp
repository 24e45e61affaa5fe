// Painting with the brushes on the main view, and the drawing colour the カラー tab shows.
#include "test_mainform_support.h"

#include "geometry/brushstroke.h"
#include "geometry/viewmapping.h"
#include "ui/panels/brushpanel.h"
#include "geometry/commonresizerect.h"
#include "imagedata/myimagearray.h"

using namespace testing_support;

class testMainFormBrush : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    // 設定, then the brush's own tab, the way the user selects them.
    static void showBrushPage(windowUnderTest &t, const char *sheet)
    {
        t.probe().mainPages()->widget()->setCurrentIndex(1);
        auto *tabs = t.child<QTabWidget>("PageControl5");
        tabs->setCurrentWidget(t.child<QWidget>(sheet));
    }

    // The view point that shows picture pixel p: the first view pixel mapped onto it.
    static QPoint viewPointOf(windowUnderTest &t, int px, int py)
    {
        const windowProbe w = t.probe();
        const QImage &picture = t.current()->bitmap;
        QPoint found(-1, -1);
        for (int x = 0; x < w.mainViewBitmap().width() && found.x() < 0; ++x)
            if (pictureFromView(x + w.mainViewRect().left, w.mainViewRect().left, w.mainViewBitmap().width(), picture.width()) >= px)
                found.setX(x + w.mainViewRect().left);
        for (int y = 0; y < w.mainViewBitmap().height() && found.y() < 0; ++y)
            if (pictureFromView(y + w.mainViewRect().top, w.mainViewRect().top, w.mainViewBitmap().height(), picture.height()) >= py)
                found.setY(y + w.mainViewRect().top);
        return found;
    }

    // The engine's dab at (x, y) written back over the square it read (inside the picture).
    static void engineDab(brushTool &brush, QImage &picture, std::uint32_t colour, int x, int y, int kind)
    {
        const int n = kind == brushTool::airKind ? brush.airBrushSize : brush.waterBrushSize, e = (n - 1) / 2;
        brush.applyDab(picture, colour, x, y, kind);
        for (int r = 0; r < n - 1; ++r)
            for (int c = 0; c < n - 1; ++c) picture.setPixel(x - e + c, y - e + r, brush.dabBitmap.pixel(c, r));
    }

private slots:
    void initTestCase() { QVERIFY(scratch.start()); }
    void init() { QVERIFY(scratch.enterTest()); }

    void theDrawingColourShowsFromStartUp()
    {
        windowUnderTest t;
        const char *readouts[] = {"drawColorRStaticText", "drawColorGStaticText", "drawColorBStaticText",
                                  "drawColorVStaticText", "drawColorHStaticText", "drawColorSStaticText"};
        const char *expected[] = {"100", "200", "200", "150", "180", "121"};
        for (int k = 0; k < 6; ++k) QCOMPARE(t.text(readouts[k]), QString(expected[k]));
        QCOMPARE(rgbOf(t.image("paintColorImage")->canvas().pixel(25, 25)), 0x64C8C8u);
    }

    // A drag lays the engine's dabs a quarter diameter apart between the two points, in order;
    // the main view shows the result; one undo takes the whole stroke away.
    void aStrokeIsTheEnginesDabsAndOneUndoStep_data()
    {
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("size");
        QTest::newRow("airbrush") << QByteArray("airBrushTabSheet") << int(brushTool::airKind) << 20;
        QTest::newRow("water brush") << QByteArray("waterBrushTabSheet") << int(brushTool::waterKind) << 31;
    }
    void aStrokeIsTheEnginesDabsAndOneUndoStep()
    {
        QFETCH(QByteArray, sheet);
        QFETCH(int, kind);
        QFETCH(int, size);
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "stroke.bmp", 300, 200));
        const bool air = kind == brushTool::airKind;
        t.bar(air ? "airBrushSizeTrackBar" : "wateBrushSizeTrackBar")->setValue(size);
        t.bar(air ? "airBrushDensityTrackBar" : "wateBrushDensityTrackBar")->setValue(90);
        showBrushPage(t, sheet.constData());
        QVERIFY(t.child<QSlider>(air ? "airBrushSizeTrackBar" : "wateBrushSizeTrackBar")->isVisible());
        const QImage original = t.current()->bitmap.copy();
        const int undoBefore = t.current()->undoCount;

        // From picture pixel (60, 90) to (200, 90), found through the view.
        const QPoint from = viewPointOf(t, 60, 90), to = viewPointOf(t, 200, 90);
        imageControl *view = t.image("mainImage");
        const QImage &picture = t.current()->bitmap;
        const auto mapped = [&](QPoint p) {
            const windowProbe w = t.probe();
            return QPoint(pictureFromView(p.x(), w.mainViewRect().left, w.mainViewBitmap().width(), picture.width()),
                          pictureFromView(p.y(), w.mainViewRect().top, w.mainViewBitmap().height(), picture.height()));
        };
        const QPoint a = mapped(from), b = mapped(to);
        QCOMPARE(a.y(), b.y());

        brushTool engine = *t.probe().brush(); // the same profile, speckles and all
        const int n = air ? engine.airBrushSize : engine.waterBrushSize;
        QCOMPARE(n, size | 1);
        QImage expected = original.copy();
        for (int x = a.x(); x <= b.x(); x += std::max(n / 4, 1))
            engineDab(engine, expected, t.probe().drawColor(), x, a.y(), kind);

        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
        QVERIFY(picture != original);
        QCOMPARE(picture, expected);
        QCOMPARE(t.current()->undoCount, undoBefore + 1);
        QVERIFY(!t.current()->unchanged);

        // Only the touched part of the view was redrawn, and the view is the whole picture's.
        QImage shown(t.probe().mainViewBitmap().size(), QImage::Format_RGB32);
        stretchCopy(picture, shown);
        QCOMPARE(t.probe().mainViewBitmap(), shown);
        const rectangle &r = t.probe().mainViewRect();
        QCOMPARE(view->canvas().copy(r.left, r.top, shown.width(), shown.height()), shown);

        t.click("undoButton");
        QCOMPARE(t.current()->bitmap, original);
        QCOMPARE(t.current()->undoCount, undoBefore);
    }

    // At fit zoom a press paints the picture pixel the view shows under the cursor, and the
    // view's last pixels reach the picture's last.
    void aDabLandsUnderTheCursor()
    {
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "big.bmp", 1500, 1000)); // shown shrunk
        t.bar("airBrushDensityTrackBar")->setValue(100);
        showBrushPage(t, "airBrushTabSheet");
        imageControl *view = t.image("mainImage");
        const windowProbe w = t.probe();
        const int V = w.mainViewBitmap().width(), H = w.mainViewBitmap().height();
        QVERIFY(V < 1500);
        const QImage original = t.current()->bitmap.copy();
        brushTool engine = *t.probe().brush();
        for (QPoint at : {QPoint(V / 3, H / 2), QPoint(V - 1, H - 1)}) {
            QTest::mouseClick(view, Qt::LeftButton, {}, at + QPoint(w.mainViewRect().left, w.mainViewRect().top));
            const QImage painted = t.current()->bitmap.copy();
            t.click("undoButton");
            // The view pixel stands for the picture's [j·P/V, (j + 1)·P/V) each way: the dab is
            // the engine's at one of those pixels.
            bool found = false;
            for (int y = at.y() * 1000 / H; y <= ((at.y() + 1) * 1000 - 1) / H && !found; ++y)
                for (int x = at.x() * 1500 / V; x <= ((at.x() + 1) * 1500 - 1) / V && !found; ++x) {
                    QImage expected = original.copy();
                    paintDab(engine, expected, t.probe().drawColor(), x, y, brushTool::airKind);
                    found = expected == painted;
                    if (found && at.x() == V - 1) QVERIFY(x == 1499 && y == 999);
                }
            QVERIFY2(found, qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
        }
    }

    // Switching pages ends a stroke; other pages leave the picture alone and the trimming drag
    // works as before.
    void otherPagesAndTheTrimmingDragAreUnaffected()
    {
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "stroke.bmp", 300, 200));
        imageControl *view = t.image("mainImage");
        const QImage original = t.current()->bitmap.copy();
        t.selectTabs(transformPage, trimTab); // トリミング
        QVERIFY(t.probe().trimmingShown());
        showBrushPage(t, "airBrushTabSheet");
        QVERIFY(!t.probe().trimmingShown());
        QCOMPARE(view->cursor().shape(), Qt::BitmapCursor);

        const QPoint a = viewPointOf(t, 40, 40), b = viewPointOf(t, 120, 40), c = viewPointOf(t, 250, 150);
        // The cursor is the brush's circle as big as the view shows it (with a small margin).
        t.bar("airBrushSizeTrackBar")->setValue(60);
        QTest::mouseMove(view, a);
        const double scale = double(t.probe().mainViewBitmap().width()) / 300;
        QCOMPARE(view->cursor().pixmap().width(), int(61 * scale) + 4);
        QTest::mousePress(view, Qt::LeftButton, {}, a);
        QTest::mouseMove(view, b);
        const QImage beforeSwitch = t.current()->bitmap.copy();
        t.child<QTabWidget>("PageControl5")->setCurrentIndex(0); // カラー, mid-stroke
        QTest::mouseMove(view, c);
        QTest::mouseRelease(view, Qt::LeftButton, {}, c);
        QCOMPARE(t.current()->bitmap, beforeSwitch);
        QCOMPARE(t.probe().brushStrokeKind(), 0);
        QVERIFY(view->cursor().shape() != Qt::BitmapCursor);
        t.click("undoButton");
        QCOMPARE(t.current()->bitmap, original);

        // On カラー a drag paints nothing and stores nothing.
        const int undoBefore = t.current()->undoCount;
        QTest::mousePress(view, Qt::LeftButton, {}, a);
        QTest::mouseMove(view, c);
        QTest::mouseRelease(view, Qt::LeftButton, {}, c);
        QCOMPARE(t.current()->bitmap, original);
        QCOMPARE(t.current()->undoCount, undoBefore);

        // Back on 詳細調整 the trimming rectangle is there and its corner drags.
        t.probe().mainPages()->widget()->setCurrentIndex(2);
        QVERIFY(t.probe().trimmingShown());
        const rectangle start = t.probe().trimmingRect().rect;
        const QPoint handle(start.right - 3, start.bottom - 3);
        QTest::mouseMove(view, handle);
        QTest::mousePress(view, Qt::LeftButton, {}, handle);
        QTest::mouseMove(view, handle - QPoint(40, 30));
        QTest::mouseRelease(view, Qt::LeftButton, {}, handle - QPoint(40, 30));
        QCOMPARE(t.probe().trimmingRect().rect.right, start.right - 40);
        QCOMPARE(t.current()->bitmap, original);
        QCOMPARE(t.current()->undoCount, undoBefore);
    }
};

QTEST_MAIN(testMainFormBrush)
#include "test_mainform_brush.moc"
