// The main view zoomed and scrolled: its pixels, the preview on the picture, before/after, and the
// trimming drag and brush strokes at 400 %.
#include "test_mainform_support.h"
#include "colour/sharedrandom.h"

#include "geometry/brushstroke.h"
#include "ui/panels/brushpanel.h"
#include "geometry/commonresizerect.h"
#include "imagedata/myimagearray.h"
#include "ui/aboutdialogbox.h"
#include "ui/histogram.h"
#include "ui/viewgeometry.h"
#include "ui/windowsettings.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

using namespace testing_support;

class testMainFormView : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    // The view's pixels (its canvas, as grabbed) away from the scroll bars.
    static QImage shown(windowUnderTest &t)
    {
        imageControl *view = t.image("mainImage");
        return view->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(0, 0, view->width() - 20,
                                                                              view->height() - 20);
    }
    // The picture's pixels as the view shows them at 100 % at the window's scroll position.
    static QImage expectedAt100(windowUnderTest &t, const QImage &picture)
    {
        const QImage view = shown(t);
        return picture.copy(t.probe().viewOffsetX(), t.probe().viewOffsetY(), view.width(), view.height());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.start());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path() + "/config"));
    }
    void init() { QVERIFY(scratch.enterTest()); }

    // Keys, buttons and caption; at 100 % the view is the picture's pixels at the scroll offset;
    // Ctrl+wheel keeps the point under the cursor; fit is drawn as always.
    void zoomAndScroll()
    {
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "big.bmp", 1800, 1300));
        const windowProbe probe = t.probe();
        imageControl *view = t.image("mainImage");
        const QImage fitted = view->canvas().copy();
        QCOMPARE(t.text("zoomStaticText"), QStringLiteral("全体"));
        QVERIFY(probe.viewFit());
        t.click("zoomActualButton");
        QCOMPARE(t.text("zoomStaticText"), QStringLiteral("100 %"));
        QVERIFY(!probe.viewFit());
        auto *across = view->findChild<QScrollBar *>("mainImageHorizontalBar");
        QVERIFY(across && across->isVisible());
        across->setValue(333);
        probe.view().scrollViewTo(333, 211);
        QCOMPARE(probe.viewOffsetX(), 333);
        QCOMPARE(probe.viewOffsetY(), 211);
        const QImage &picture = t.current()->bitmap;
        QCOMPARE(shown(t), expectedAt100(t, picture));
        // Scrolling past the end stops at the last column and row.
        probe.view().scrollViewTo(1e6, 1e6);
        QCOMPARE(probe.viewOffsetX(), 1800 - view->width());
        QCOMPARE(shown(t), expectedAt100(t, picture));

        QTest::keyClick(t.window.get(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(t.text("zoomStaticText"), QStringLiteral("150 %"));
        QTest::keyClick(t.window.get(), Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(t.window.get(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(t.text("zoomStaticText"), QStringLiteral("66.7 %"));

        // Ctrl+wheel: the picture pixel under the cursor stays under it.
        probe.view().setViewZoom(2.0, 0, 0);
        probe.view().scrollViewTo(500, 400);
        const QPointF at(301, 207);
        const double px = (at.x() + probe.viewOffsetX()) / probe.viewZoom();
        const double py = (at.y() + probe.viewOffsetY()) / probe.viewZoom();
        QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QCOMPARE(t.text("zoomStaticText"), QStringLiteral("300 %"));
        QVERIFY(std::abs((at.x() + probe.viewOffsetX()) / probe.viewZoom() - px) < 0.5 / probe.viewZoom() + 1e-9);
        QVERIFY(std::abs((at.y() + probe.viewOffsetY()) / probe.viewZoom() - py) < 0.5 / probe.viewZoom() + 1e-9);

        QTest::keyClick(t.window.get(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(t.text("zoomStaticText"), QStringLiteral("全体"));
        QVERIFY(probe.viewFit());
        QCOMPARE(view->canvas(), fitted);
    }

    // Back at fit, and for a picture opened fitted, no scroll bar stays over the picture.
    void fitShowsNoScrollBars()
    {
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "bars.bmp", 1800, 1300));
        imageControl *view = t.image("mainImage");
        auto *across = view->findChild<QScrollBar *>("mainImageHorizontalBar");
        auto *down = view->findChild<QScrollBar *>("mainImageVerticalBar");
        t.click("zoomActualButton");
        QVERIFY(across->isVisible() && down->isVisible());
        QTest::keyClick(t.window.get(), Qt::Key_0, Qt::ControlModifier);
        QVERIFY(!across->isVisible() && !down->isVisible());
        t.click("zoomActualButton");
        QVERIFY(across->isVisible());
        t.open(texturedPicture(scratch.path(), "second.bmp", 1700, 1200));
        QCOMPARE(t.text("zoomStaticText"), QStringLiteral("全体"));
        QVERIFY(!across->isVisible() && !down->isVisible());
    }

    // At 100 % the preview on the picture is, byte for byte, what 画像処理実行 then makes, for a
    // colour page and a neighbourhood effect; 比較 shows the committed picture meanwhile.
    void previewIsTheCommit_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<int>("value");
        QTest::newRow("bright") << 0 << 0 << "brightTrackBar" << 40;
        QTest::newRow("median") << 2 << 4 << "medianTrackBar" << 3;
        QTest::newRow("fringe jitter") << 1 << 1 << "fringeLevelTrackBar" << 40;
    }
    void previewIsTheCommit()
    {
        QFETCH(int, page);
        QFETCH(int, tab);
        QFETCH(QString, bar);
        QFETCH(int, value);
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "photo.bmp", 1500, 1100));
        const windowProbe w = t.probe();
        const windowProbe probe = t.probe();
        w.mainPages()->widget()->setCurrentIndex(2); // 詳細調整
        t.selectTabs(page, tab);
        t.click("zoomActualButton");
        probe.view().scrollViewTo(250, 190);
        const QImage committed = t.current()->bitmap.copy();
        QCOMPARE(shown(t), expectedAt100(t, committed));
        t.bar(bar.toLatin1().constData())->setValue(value);

        // What a commit makes, from the same engine settings.
        colorFilter engine = w.filter();
        engine.progressBar = nullptr;
        QImage result = committed.copy();
        {
            // From the random sequence as it stands, leaving it there for the commit.
            sharedRandom::privateStream stream(sharedRandom::instance().position());
            engine.runOnBitmap(result);
        }
        QVERIFY(result != committed);
        QTRY_COMPARE_WITH_TIMEOUT(shown(t), expectedAt100(t, result), 20000);
        // The histogram counts the visible pixels of the preview.
        imageControl *histogram = t.image("histogramImage");
        const QRect visible(probe.viewOffsetX(), probe.viewOffsetY(), t.image("mainImage")->width(),
                            t.image("mainImage")->height());
        QImage counted(histogram->canvas().size(), QImage::Format_RGB32);
        drawHistogram(histogramOf(result, visible), counted);
        QTRY_COMPARE(histogram->canvas(), counted);
        drawHistogram(histogramOf(committed, visible), counted);
        QVERIFY(histogram->canvas() != counted);

        t.click("compareButton");
        QCOMPARE(shown(t), expectedAt100(t, committed));
        t.click("compareButton");
        QCOMPARE(shown(t), expectedAt100(t, result));
        QTest::keyPress(t.window.get(), Qt::Key_Backslash);
        QCOMPARE(shown(t), expectedAt100(t, committed));
        QTest::keyRelease(t.window.get(), Qt::Key_Backslash);
        QCOMPARE(shown(t), expectedAt100(t, result));

        t.click("executeButton");
        QCOMPARE(t.current()->bitmap, result);
        QCOMPARE(shown(t), expectedAt100(t, result));

        // Unticked, the view shows the committed picture only.
        t.bar(bar.toLatin1().constData())->setValue(value - 1);
        t.child<QAbstractButton>("viewPreviewCheckBox")->setChecked(false);
        QTest::qWait(50);
        QCOMPARE(shown(t), expectedAt100(t, result));
    }

    // Zoomed at 100 % and above, the preview is made for the pixels in view only, exactly the
    // commit's (a mosaic's tiles and a sharpen's neighbours reach past them), and follows the view
    // when it scrolls or zooms; at 400 % the view shows the result's pixels as squares, at 50 %
    // the whole result reduced.
    void previewOfTheVisiblePixels_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<int>("value");
        QTest::newRow("sharpen") << 0 << "edgeTrackBar" << 9;
        QTest::newRow("mosaic") << 2 << "mosaicTrackBar" << 13;
    }
    void previewOfTheVisiblePixels()
    {
        QFETCH(int, tab);
        QFETCH(QString, bar);
        QFETCH(int, value);
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "region.bmp", 1500, 1100));
        const windowProbe w = t.probe();
        const windowProbe probe = t.probe();
        imageControl *view = t.image("mainImage");
        w.mainPages()->widget()->setCurrentIndex(2); // 詳細調整
        t.selectTabs(2, tab);                       // 効果2
        t.click("zoomActualButton");
        probe.view().scrollViewTo(251, 187);
        const QImage committed = t.current()->bitmap.copy();
        t.bar(bar.toLatin1().constData())->setValue(value);
        colorFilter engine = w.filter();
        engine.progressBar = nullptr;
        QImage result = committed.copy();
        engine.runOnBitmap(result);
        QTRY_COMPARE_WITH_TIMEOUT(shown(t), expectedAt100(t, result), 20000);
        // Nothing beyond the view was made: the main view's whole picture is still the committed one.
        QCOMPARE(&probe.view().shownPicture(), static_cast<const QImage *>(&t.current()->bitmap));
        probe.view().scrollViewTo(603, 421);
        QTRY_COMPARE_WITH_TIMEOUT(shown(t), expectedAt100(t, result), 20000);
        probe.view().setViewZoom(4.0, 0, 0);
        probe.view().scrollViewTo(2917, 1733);
        QImage expected(view->canvas().size(), QImage::Format_RGB32);
        halfSizes reductions;
        drawZoomed(result, reductions, expected, 4.0, probe.viewOffsetX(), probe.viewOffsetY(), 0xFFFFFFFFu);
        QTRY_COMPARE_WITH_TIMEOUT(view->canvas(), expected, 20000);
        QCOMPARE(&probe.view().shownPicture(), static_cast<const QImage *>(&t.current()->bitmap));
        // Below 100 % the quick look gives way to the whole result, reduced as the view draws it.
        probe.view().setViewZoom(0.5, 0, 0);
        probe.view().scrollViewTo(101, 57);
        halfSizes resultReductions;
        drawZoomed(result, resultReductions, expected, 0.5, probe.viewOffsetX(), probe.viewOffsetY(), 0xFFFFFFFFu);
        QTRY_COMPARE_WITH_TIMEOUT(view->canvas(), expected, 20000);
        t.click("executeButton");
        QCOMPARE(t.current()->bitmap, result);
    }

    // A slider moved on before the preview is ready: the view ends on the last position's result
    // (at fit, the whole result fitted as a commit's view would be); closing the window while a
    // preview is being made waits for nothing that outlives it.
    void outdatedPreviewsGiveWay()
    {
        auto t = std::make_unique<windowUnderTest>();
        t->open(texturedPicture(scratch.path(), "moves.bmp", 2400, 1600));
        const windowProbe w = t->probe();
        w.mainPages()->widget()->setCurrentIndex(2);
        t->selectTabs(adjustPage, brightChromaTab);
        for (int value = 10; value <= 50; value += 10) t->bar("brightTrackBar")->setValue(value);
        colorFilter engine = w.filter();
        engine.progressBar = nullptr;
        QImage result = t->current()->bitmap.copy();
        engine.runOnBitmap(result);
        QImage fitted(w.mainViewBitmap().size(), QImage::Format_RGB32);
        fitted.fill(Qt::white);
        stretchCopy(result, fitted);
        const QRect area(w.mainViewRect().left, w.mainViewRect().top, fitted.width(), fitted.height());
        QTRY_COMPARE_WITH_TIMEOUT(t->image("mainImage")->canvas().copy(area), fitted, 20000);
        t->bar("brightTrackBar")->setValue(-30);
        t.reset();
    }

    // The trimming rectangle dragged at 400 %: whole picture pixels in the edits, the edges kept
    // through scrolling and back at fit.
    void trimmingAt400()
    {
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "trim.bmp", 400, 300));
        const windowProbe w = t.probe();
        const windowProbe probe = t.probe();
        imageControl *view = t.image("mainImage");
        w.mainPages()->widget()->setCurrentIndex(2);
        t.selectTabs(transformPage, trimTab); // トリミング
        QVERIFY(probe.trimmingShown());
        probe.view().setViewZoom(4.0, 0, 0);
        probe.view().scrollViewTo(0, 0);
        QCOMPARE(probe.trimmingRect().rect.left, 0);
        const QPoint handle(3, 3);
        QTest::mouseMove(view, handle);
        QTest::mousePress(view, Qt::LeftButton, {}, handle);
        QTest::mouseMove(view, handle + QPoint(41, 22));
        QTest::mouseRelease(view, Qt::LeftButton, {}, handle + QPoint(41, 22));
        auto edit = [&](const char *name) { return t.child<QLineEdit>(name)->text().toInt(); };
        QCOMPARE(edit("leftTrimingLabeledEdit"), 10); // 41 / 4
        QCOMPARE(edit("upperTrimingLabeledEdit"), 5); // 22 / 4
        QCOMPARE(edit("rightTrimingLabeledEdit"), 399);
        QCOMPARE(edit("lowerTrimingLabeledEdit"), 299);
        // On screen the corner follows the mouse by quarter pixels; redrawn, it sits on picture
        // pixel 10's left edge.
        QCOMPARE(probe.trimmingRect().rect.left, 41);
        probe.view().scrollViewTo(17, 9);
        QCOMPARE(probe.trimmingRect().rect.left, 40 - 17);
        QCOMPARE(edit("leftTrimingLabeledEdit"), 10);
        QCOMPARE(edit("upperTrimingLabeledEdit"), 5);
        t.click("executeButton");
        QCOMPARE(t.current()->bitmap.width(), 390);
        QCOMPARE(t.current()->bitmap.height(), 295);
    }

    // A dab at 400 % lands on the picture pixel under the cursor.
    void brushAt400()
    {
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "brush.bmp", 900, 700));
        const windowProbe w = t.probe();
        const windowProbe probe = t.probe();
        t.bar("airBrushDensityTrackBar")->setValue(100);
        w.mainPages()->widget()->setCurrentIndex(1);
        t.child<QTabWidget>("PageControl5")->setCurrentWidget(t.child<QWidget>("airBrushTabSheet"));
        imageControl *view = t.image("mainImage");
        probe.view().setViewZoom(4.0, 0, 0);
        probe.view().scrollViewTo(1203, 805);
        const QImage original = t.current()->bitmap.copy();
        brushTool engine = *w.brush();
        const QPoint at(222, 131); // picture pixel ((222 + 1203) / 4, (131 + 805) / 4) = (356, 234)
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
        QImage expected = original.copy();
        paintDab(engine, expected, w.drawColor(), 356, 234, brushTool::airKind);
        QCOMPARE(t.current()->bitmap, expected);
        // The view shows the painted pixels.
        QCOMPARE(view->canvas().pixel(at), expected.pixel(356, 234));

        // At 25 % the view redraws the painted part at once, as a whole redraw would show it.
        probe.view().setViewZoom(0.25, 0, 0);
        const QImage before = view->canvas().copy();
        const QPoint centre(view->width() / 2, view->height() / 2);
        QTest::mouseClick(view, Qt::LeftButton, {}, centre);
        const QImage painted = view->canvas().copy();
        QVERIFY(painted != before);
        w.drawMainView();
        const QRect around(centre - QPoint(20, 20), QSize(40, 40));
        QCOMPARE(view->canvas().copy(around), painted.copy(around));
    }

    // The window's size and the preview check box come back in the next run.
    void settingsKeptBetweenRuns()
    {
        {
            windowUnderTest t;
            t.window->resize(1300, 900);
            t.child<QAbstractButton>("viewPreviewCheckBox")->setChecked(false);
            saveWindowSettings(*t.window);
        }
        windowUnderTest t;
        QCOMPARE(t.window->size(), QSize(1024, 743));
        restoreWindowSettings(*t.window);
        QCOMPARE(t.window->size(), QSize(1300, 900));
        QVERIFY(!t.child<QAbstractButton>("viewPreviewCheckBox")->isChecked());
    }

    void spaceAndEnterAfterAToolBarClickGoToTheView_data()
    {
        QTest::addColumn<QString>("clicked");
        for (const char *name : {"zoomActualButton", "zoomFitButton", "informationButton", "compareButton",
                                 "viewPreviewCheckBox", "undoButton"})
            QTest::newRow(name) << QString(name);
    }

    void spaceAndEnterAfterAToolBarClickGoToTheView()
    {
        // Held to pan, Space must never press the tool-bar button clicked last (or any other).
        QFETCH(QString, clicked);
        windowUnderTest t;
        t.open(texturedPicture(scratch.path(), "big.bmp", 1800, 1300));
        t.click("zoomActualButton");
        QWidget *bar = t.child<QWidget>("ToolBar1");
        QTest::mouseClick(bar->findChild<QAbstractButton *>(clicked), Qt::LeftButton);
        if (clicked == "informationButton") { // the About box closed, the window active again
            t.probe().aboutBox()->hide();
            t.window->activateWindow();
            QTRY_VERIFY(t.window->isActiveWindow());
        }
        int pressed = 0;
        for (QAbstractButton *button : bar->findChildren<QAbstractButton *>())
            connect(button, &QAbstractButton::clicked, this, [&pressed] { ++pressed; });
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyPress(t.window->windowHandle(), key);
            QTest::keyRelease(t.window->windowHandle(), key);
        }
        QCOMPARE(pressed, 0);
        QCOMPARE(QApplication::focusWidget(), t.image("mainImage"));
    }
};

QTEST_MAIN(testMainFormView)
#include "test_mainform_view.moc"
