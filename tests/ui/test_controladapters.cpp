// The framework adapters the window draws and counts with: image controls (canvas, inverted
// lines, cursors, mouse), key-up edits, up-downs and the progress bar.
#include "ui/widgets/accessibility.h"
#include "ui/widgets/dialogservice.h"
#include "ui/widgets/imagecontrol.h"
#include "ui/widgets/keyupedit.h"
#include "ui/widgets/pagecontrol.h"
#include "ui/widgets/progressbar.h"
#include "ui/widgets/radiogroup.h"
#include "ui/widgets/statictext.h"
#include "ui/widgets/updown.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace {

class paintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

QImage randomCanvas(imageControl &control)
{
    QImage &c = control.canvas();
    QRandomGenerator gen(1234);
    for (int y = 0; y < c.height(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(c.scanLine(y));
        for (int x = 0; x < c.width(); ++x) row[x] = gen.generate(); // fourth byte random too
    }
    return c.copy();
}

int changedPixels(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (reinterpret_cast<const quint32 *>(a.constScanLine(y))[x]
                != reinterpret_cast<const quint32 *>(b.constScanLine(y))[x])
                ++n;
    return n;
}

} // namespace

class testControlAdapters : public QObject {
    Q_OBJECT
private slots:
    void imageControlCanvasFollowsTheWidget();
    void imageControlInvertLineErasesItself();
    void imageControlInvertLineTouchesEachPixelOnce();
    void imageControlCursorsAndMouse();
    void keyUpEditSignalsAfterTheKey();
    void upDownClampsAndSignalsUserStepsOnly();
    void progressBarRepaintsOnlyVisibleMoves();
    void progressBarSmallMaximumShowsEveryStep();
};


void testControlAdapters::imageControlCanvasFollowsTheWidget()
{
    imageControl control;
    control.setFixedSize(70, 40);
    QImage &c = control.canvas();
    QCOMPARE(c.size(), QSize(70, 40));
    QCOMPARE(c.format(), QImage::Format_RGB32);
    QCOMPARE(c.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(c.pixel(69, 39), qRgb(255, 255, 255));

    control.fill(qRgb(10, 20, 30));
    QImage spot(3, 2, QImage::Format_RGB32);
    spot.fill(qRgb(200, 100, 50));
    control.drawImage(5, 6, spot);
    QCOMPARE(control.canvas().pixel(5, 6), qRgb(200, 100, 50));
    QCOMPARE(control.canvas().pixel(7, 7), qRgb(200, 100, 50));
    QCOMPARE(control.canvas().pixel(8, 7), qRgb(10, 20, 30));
    QCOMPARE(control.canvas().pixel(4, 6), qRgb(10, 20, 30));

    // Growing keeps the drawing and adds white.
    control.setFixedSize(100, 50);
    QCOMPARE(control.canvas().size(), QSize(100, 50));
    QCOMPARE(control.canvas().pixel(69, 39), qRgb(10, 20, 30));
    QCOMPARE(control.canvas().pixel(70, 39), qRgb(255, 255, 255));
    QCOMPARE(control.canvas().pixel(99, 49), qRgb(255, 255, 255));

    // The widget shows its canvas one to one.
    control.show();
    QVERIFY(QTest::qWaitForWindowExposed(&control));
    const QImage shown = control.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(100, 50));
    QCOMPARE(shown.pixel(6, 7), qRgb(200, 100, 50));
    QCOMPARE(shown.pixel(50, 20), qRgb(10, 20, 30));
    QCOMPARE(shown.pixel(90, 45), qRgb(255, 255, 255));
}

void testControlAdapters::imageControlInvertLineErasesItself()
{
    imageControl control;
    control.setFixedSize(61, 47);
    const QImage before = randomCanvas(control);

    const int lines[][4] = {{0, 0, 60, 46}, {60, 0, 0, 46}, {3, 40, 57, 2}, {10, 5, 10, 44}, {0, 20, 60, 20},
                            {-30, -10, 90, 70}, {30, 23, 30, 23}, {59, 1, 2, 45}, {-5, 10, 200, 11}};
    for (const auto &l : lines) {
        control.invertLine(l[0], l[1], l[2], l[3]);
        QVERIFY2(changedPixels(before, control.canvas()) > 0, "the line must show");
        control.invertLine(l[0], l[1], l[2], l[3]);
        QCOMPARE(changedPixels(before, control.canvas()), 0);
    }

    // Overlapping overlays erase in any order, as the trimming guides do.
    for (const auto &l : lines) control.invertLine(l[0], l[1], l[2], l[3]);
    for (int i = int(std::size(lines)) - 1; i >= 0; i -= 2)
        control.invertLine(lines[i][0], lines[i][1], lines[i][2], lines[i][3]);
    for (int i = int(std::size(lines)) - 2; i >= 0; i -= 2)
        control.invertLine(lines[i][0], lines[i][1], lines[i][2], lines[i][3]);
    QCOMPARE(changedPixels(before, control.canvas()), 0);
    QVERIFY(control.canvas() == before);
}

void testControlAdapters::imageControlInvertLineTouchesEachPixelOnce()
{
    imageControl control;
    control.setFixedSize(40, 30);
    const QImage before = randomCanvas(control);

    control.invertLine(2, 5, 12, 5); // both end points included
    QCOMPARE(changedPixels(before, control.canvas()), 11);
    for (int x = 2; x <= 12; ++x) {
        const quint32 was = reinterpret_cast<const quint32 *>(before.constScanLine(5))[x];
        const quint32 now = reinterpret_cast<const quint32 *>(control.canvas().constScanLine(5))[x];
        QCOMPARE(now, was ^ 0x00FFFFFFu); // colour inverted, fourth byte untouched
    }
    control.invertLine(2, 5, 12, 5);

    control.invertLine(0, 0, 20, 7); // steep and shallow lines: one pixel per major step
    QCOMPARE(changedPixels(before, control.canvas()), 21);
    control.invertLine(0, 0, 20, 7);
    control.invertLine(5, 29, 9, 0);
    QCOMPARE(changedPixels(before, control.canvas()), 30);
    control.invertLine(5, 29, 9, 0);

    control.invertLine(-10, 3, 50, 3); // clipped to the canvas
    QCOMPARE(changedPixels(before, control.canvas()), 40);
}

void testControlAdapters::imageControlCursorsAndMouse()
{
    imageControl control;
    control.setFixedSize(100, 80);
    control.show();
    QVERIFY(QTest::qWaitForWindowExposed(&control));

    QCOMPARE(control.currentCursorShape(), imageControl::defaultCursor);
    control.setCursorShape(imageControl::dragCursor);
    QCOMPARE(control.cursor().shape(), Qt::SizeAllCursor);
    control.setCursorShape(imageControl::diagonalCursor);
    QCOMPARE(control.cursor().shape(), Qt::SizeFDiagCursor);
    control.setCursorShape(imageControl::antiDiagonalCursor);
    QCOMPARE(control.cursor().shape(), Qt::SizeBDiagCursor);
    QCOMPARE(control.currentCursorShape(), imageControl::antiDiagonalCursor);
    control.setCursorShape(imageControl::defaultCursor);
    QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);

    QSignalSpy down(&control, &imageControl::mouseDown);
    QSignalSpy move(&control, &imageControl::mouseMove);
    QSignalSpy up(&control, &imageControl::mouseUp);
    QTest::mousePress(&control, Qt::LeftButton, {}, QPoint(12, 34));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(down[0][1].toInt(), 12);
    QCOMPARE(down[0][2].toInt(), 34);

    QMouseEvent drag(QEvent::MouseMove, QPointF(40, 7), control.mapToGlobal(QPointF(40, 7)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&control, &drag);
    QCOMPARE(move.count(), 1);
    QCOMPARE(move[0][0].value<Qt::MouseButtons>(), Qt::MouseButtons(Qt::LeftButton));
    QCOMPARE(move[0][1].toInt(), 40);
    QCOMPARE(move[0][2].toInt(), 7);

    QTest::mouseRelease(&control, Qt::LeftButton, {}, QPoint(99, 79));
    QCOMPARE(up.count(), 1);
    QCOMPARE(up[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(up[0][1].toInt(), 99);
    QCOMPARE(up[0][2].toInt(), 79);

    QTest::mousePress(&control, Qt::RightButton, {}, QPoint(1, 2));
    QCOMPARE(down[1][0].value<Qt::MouseButton>(), Qt::RightButton);

    QSignalSpy enter(&control, &imageControl::mouseEnter);
    QEnterEvent in(QPointF(3, 3), QPointF(3, 3), control.mapToGlobal(QPointF(3, 3)));
    QApplication::sendEvent(&control, &in);
    QCOMPARE(enter.count(), 1);
}

void testControlAdapters::keyUpEditSignalsAfterTheKey()
{
    QLineEdit line;
    keyUpEdit edit(&line);
    QCOMPARE(edit.widget(), &line);
    QStringList seen;
    connect(&edit, &keyUpEdit::keyUp, this, [&] { seen << edit.text(); });

    edit.setText(QStringLiteral("12"));
    QVERIFY(seen.isEmpty());
    line.setFocus();
    line.end(false);
    QTest::keyClick(&line, Qt::Key_Minus);
    QTest::keyClick(&line, Qt::Key_5);
    QCOMPARE(seen, QStringList({"12-", "12-5"}));
    QTest::keyClick(&line, Qt::Key_Backspace);
    QCOMPARE(seen.last(), QStringLiteral("12-"));
    QCOMPARE(seen.size(), 3);

    QTest::keyPress(&line, Qt::Key_7); // no release yet: no key-up
    QCOMPARE(seen.size(), 3);
    QTest::keyRelease(&line, Qt::Key_7);
    QCOMPARE(seen.size(), 4);
    QCOMPARE(seen.last(), QStringLiteral("12-7"));
    // A release whose press went elsewhere (the Enter that closed a message box) is not a key-up.
    QTest::keyRelease(&line, Qt::Key_Return);
    QCOMPARE(seen.size(), 4);
}

void testControlAdapters::upDownClampsAndSignalsUserStepsOnly()
{
    QSpinBox spin;
    QLineEdit associate;
    spin.setLocale(QLocale(QLocale::German)); // a locale that groups thousands
    spin.setGroupSeparatorShown(true);
    upDown steps(&spin, &associate);
    QSignalSpy spy(&steps, &upDown::clicked);

    steps.setRange(0, 5000);
    steps.setPosition(1234);
    QCOMPARE(steps.position(), 1234);
    QCOMPARE(associate.text(), QStringLiteral("1234"));
    QVERIFY(!spin.text().contains(QLatin1Char('.')));

    steps.setPosition(9000);
    QCOMPARE(steps.position(), 5000);
    QCOMPARE(associate.text(), QStringLiteral("5000"));
    steps.setPosition(-3);
    QCOMPARE(steps.position(), 0);
    QCOMPARE(associate.text(), QStringLiteral("0"));
    QCOMPARE(spy.count(), 0);

    steps.setPosition(6);
    spin.setFocus();
    QTest::keyClick(&spin, Qt::Key_Up);
    QCOMPARE(steps.position(), 7);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(associate.text(), QStringLiteral("7"));
    QTest::keyClick(&spin, Qt::Key_Down);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(associate.text(), QStringLiteral("6"));

    // Limits set from code clamp the position silently; the edit still follows.
    steps.setMinimum(8);
    QCOMPARE(steps.position(), 8);
    QCOMPARE(associate.text(), QStringLiteral("8"));
    steps.setMaximum(8);
    QCOMPARE(steps.maximum(), 8);
    QCOMPARE(steps.minimum(), 8);
    QTest::keyClick(&spin, Qt::Key_Up); // at the top: no step, no click
    QCOMPARE(spy.count(), 2);
    steps.setRange(0, 3);
    QCOMPARE(steps.position(), 3);
    QCOMPARE(spy.count(), 2);
}

void testControlAdapters::progressBarRepaintsOnlyVisibleMoves()
{
    QProgressBar bar;
    bar.resize(202, 16);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QCoreApplication::processEvents();
    paintCounter counter;
    bar.installEventFilter(&counter);
    progressBar adapter(&bar);
    const progressIndicator *progress = adapter.indicator();

    progress->setMaximum(6000);
    QCOMPARE(bar.maximum(), 6000);
    const int afterMaximum = counter.paints;
    QVERIFY(afterMaximum >= 1); // painted at once, without the event loop

    int changes = 0, last = bar.value();
    for (int row = 0; row < 6000; ++row) {
        progress->setPosition(row);
        if (bar.value() != last) ++changes, last = bar.value();
        QVERIFY2(row - bar.value() < 60, "the bar never lags by a visible step"); // 1 % of 6000
        if (row == 3000) QVERIFY(counter.paints > afterMaximum + 40); // synchronous repaints
    }
    QVERIFY2(changes >= 90 && changes <= 110, qPrintable(QString::number(changes)));
    QVERIFY2(counter.paints - afterMaximum <= 120, qPrintable(QString::number(counter.paints)));

    const int beforeReset = counter.paints;
    progress->setPosition(0);
    QCOMPARE(bar.value(), 0);
    QVERIFY(counter.paints > beforeReset);

    // A second run starts again from the beginning.
    progress->setMaximum(300);
    progress->setPosition(150);
    QCOMPARE(bar.value(), 150);
}

void testControlAdapters::progressBarSmallMaximumShowsEveryStep()
{
    QProgressBar bar;
    progressBar adapter(&bar);
    adapter.indicator()->setMaximum(40);
    for (int row = 0; row < 40; ++row) {
        adapter.indicator()->setPosition(row);
        QCOMPARE(bar.value(), row);
    }
    adapter.indicator()->setMaximum(0); // an empty picture must not break the bar
    adapter.indicator()->setPosition(0);
    QCOMPARE(bar.value(), 0);
}

QTEST_MAIN(testControlAdapters)
#include "test_controladapters.moc"
