// The framework adapters: what the window relies on from its radio groups, page controls, image
// controls, key-up edits, up-downs, the progress bar, the dialog service and the accessible names.
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

// A group box with radio items; `order` gives the layout position of each created button, so a
// test can make the layout order differ from the creation order.
struct radioBox {
    std::unique_ptr<QGroupBox> box = std::make_unique<QGroupBox>(QStringLiteral("group"));
    QList<QRadioButton *> created;

    radioBox(const QStringList &texts, const QList<int> &order, int checked)
    {
        auto *lay = new QVBoxLayout(box.get());
        for (const QString &t : texts) created.append(new QRadioButton(t, box.get()));
        for (int i : order) lay->addWidget(created[i]);
        if (checked >= 0) created[checked]->setChecked(true);
        box->resize(200, 120);
        box->show();
    }
};

class paintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class recordingDialogs : public dialogService {
public:
    QStringList calls;
    bool openPicture(QWidget *, const QString &, QString &, int &) override { calls << "open"; return false; }
    bool savePicture(QWidget *, const QString &, QString &, int &) override { calls << "save"; return false; }
    void message(QWidget *, const QString &text, const QString &) override { calls << "message:" + text; }
    bool question(QWidget *, const QString &, const QString &) override { calls << "question"; return true; }
    void error(QWidget *, const QString &text) override { calls << "error:" + text; }
    int showModal(QDialog *) override { calls << "modal"; return 1; }
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

// Clicks a radio item on its indicator (a click beyond its text does not hit the button).
void clickItem(QRadioButton *item)
{
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, item->height() / 2));
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

class testAdapters : public QObject {
    Q_OBJECT
private slots:
    void radioGroupTakesItemsInLayoutOrder();
    void radioGroupSignalsOnlyRealChanges();
    void radioGroupClearsAndReselects();
    void pageControlSignalsOnlyUserChanges();
    void multiRowTabsWrapAndSelectLikeTheTabBar();
    void multiRowTabsBindByNameWhenShown();
    void fittedLabelBreaksWordsAndShortensTheRest();
    void imageControlCanvasFollowsTheWidget();
    void imageControlInvertLineErasesItself();
    void imageControlInvertLineTouchesEachPixelOnce();
    void imageControlCursorsAndMouse();
    void keyUpEditSignalsAfterTheKey();
    void upDownClampsAndSignalsUserStepsOnly();
    void progressBarRepaintsOnlyVisibleMoves();
    void progressBarSmallMaximumShowsEveryStep();
    void staticTextCaption();
    void dialogServiceReplacementAndFilters();
    void questionBoxLeftUnansweredIsCancel_data();
    void questionBoxLeftUnansweredIsCancel();
    void accessibleNames();
};

void testAdapters::radioGroupTakesItemsInLayoutOrder()
{
    radioBox rb({"a", "b", "c"}, {2, 0, 1}, 0);
    radioGroup group(rb.box.get());
    QCOMPARE(group.count(), 3);
    QCOMPARE(group.item(0), rb.created[2]);
    QCOMPARE(group.item(1), rb.created[0]);
    QCOMPARE(group.item(2), rb.created[1]);
    QCOMPARE(group.itemIndex(), 1); // "a", checked, sits second in the layout
    QCOMPARE(group.item(3), nullptr);
}

void testAdapters::radioGroupSignalsOnlyRealChanges()
{
    radioBox rb({"a", "b", "c"}, {0, 1, 2}, 1);
    radioGroup group(rb.box.get());
    QSignalSpy spy(&group, &radioGroup::clicked);

    group.setItemIndex(1); // already selected
    QCOMPARE(spy.count(), 0);

    group.setItemIndex(2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(group.itemIndex(), 2);
    QVERIFY(group.item(2)->isChecked());
    QVERIFY(!group.item(1)->isChecked());

    // The index is already current while the handler runs.
    int seen = -2;
    connect(&group, &radioGroup::clicked, this, [&] { seen = group.itemIndex(); });
    clickItem(group.item(0));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(seen, 0);
    QCOMPARE(group.itemIndex(), 0);

    clickItem(group.item(0)); // the selected item again
    QCOMPARE(spy.count(), 2);
    QVERIFY(group.item(0)->isChecked());

    group.setItemIndex(7); // out of range reads as "none"
    QCOMPARE(group.itemIndex(), -1);
    QCOMPARE(spy.count(), 3);
}

void testAdapters::radioGroupClearsAndReselects()
{
    radioBox rb({"a", "b"}, {0, 1}, 0);
    radioGroup group(rb.box.get());
    QSignalSpy spy(&group, &radioGroup::clicked);

    group.setItemIndex(-1);
    QCOMPARE(group.itemIndex(), -1);
    QVERIFY(!group.item(0)->isChecked() && !group.item(1)->isChecked());
    QCOMPARE(spy.count(), 1);
    group.setItemIndex(-1);
    QCOMPARE(spy.count(), 1);

    // After clearing, the group is still exclusive and a click selects again.
    clickItem(group.item(1));
    QCOMPARE(group.itemIndex(), 1);
    QCOMPARE(spy.count(), 2);
    group.setItemIndex(0);
    QVERIFY(!group.item(1)->isChecked());
    QCOMPARE(spy.count(), 3);

    // A group with nothing checked at start reads -1.
    radioBox none({"x", "y"}, {0, 1}, -1);
    radioGroup empty(none.box.get());
    QCOMPARE(empty.itemIndex(), -1);
}

void testAdapters::pageControlSignalsOnlyUserChanges()
{
    QTabWidget tabs;
    for (const char *t : {"one", "two", "three"}) tabs.addTab(new QWidget, QString::fromLatin1(t));
    tabs.resize(300, 200);
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    pageControl pages(&tabs);
    QSignalSpy spy(&pages, &pageControl::changed);

    pages.setActivePageIndex(2);
    QCOMPARE(pages.activePageIndex(), 2);
    QCOMPARE(spy.count(), 0);

    QTabBar *bar = tabs.tabBar();
    int seen = -1;
    connect(&pages, &pageControl::changed, this, [&] { seen = pages.activePageIndex(); });
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(seen, 0);

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center()); // same page
    QCOMPARE(spy.count(), 1);

    pages.setActivePageIndex(1);
    QCOMPARE(spy.count(), 1);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(pages.activePageIndex(), 2);

    QTabWidget none;
    QCOMPARE(pageControl(&none).activePageIndex(), -1);
}

void testAdapters::multiRowTabsWrapAndSelectLikeTheTabBar()
{
    QWidget host;
    auto *layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *strip = new multiRowTabs(&host);
    strip->setObjectName(QStringLiteral("pagesTabs"));
    auto *tabs = new QTabWidget(&host);
    tabs->setObjectName(QStringLiteral("pages"));
    const QStringList captions = {QStringLiteral("縁取ボケ"), QStringLiteral("縁取明暗"), QStringLiteral("ペイント"),
                                  QStringLiteral("ソフト"), QStringLiteral("エンボス"), QStringLiteral("モノクロ")};
    for (const QString &caption : captions) tabs->addTab(new QWidget, caption);
    tabs->setCurrentIndex(3);
    layout->addWidget(strip);
    layout->addWidget(tabs);
    QVERIFY(strip->bind());
    QCOMPARE(strip->pages(), tabs);
    QVERIFY(!tabs->tabBar()->isVisibleTo(tabs));
    QVERIFY(tabs->tabBar()->isHidden());

    // Too narrow for six captions on one row: they wrap, none is cut and none leaves the strip.
    host.setFixedWidth(200);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY2(strip->rowCount() >= 2, qPrintable(QString::number(strip->rowCount())));
    QCOMPARE(strip->height(), strip->heightForWidth(strip->width()));
    QRect covered;
    for (int i = 0; i < captions.size(); ++i) {
        QToolButton *button = strip->tabButton(i);
        QVERIFY(button);
        QCOMPARE(button->text(), captions[i]);
        QCOMPARE(button->accessibleName(), captions[i]);
        QVERIFY2(button->fontMetrics().horizontalAdvance(captions[i]) < button->width(), qPrintable(captions[i]));
        QVERIFY2(strip->rect().contains(button->geometry()), qPrintable(captions[i]));
        QVERIFY2(!covered.intersects(button->geometry()) || i == 0, qPrintable(captions[i]));
        covered = button->geometry();
        QCOMPARE(button->isChecked(), i == 3);
    }
    QVERIFY(!strip->tabButton(6));

    // Wide enough: one row.
    host.setFixedWidth(600);
    QTRY_COMPARE(strip->rowCount(), 1);
    QTRY_COMPARE(strip->height(), strip->heightForWidth(strip->width()));

    // A click selects the page and is a user change; the same page again changes nothing.
    pageControl pages(tabs);
    QSignalSpy spy(&pages, &pageControl::changed);
    QTest::mouseClick(strip->tabButton(1), Qt::LeftButton);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(spy.count(), 1);
    QTest::mouseClick(strip->tabButton(1), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QVERIFY(strip->tabButton(1)->isChecked()); // a second click does not uncheck the current tab
    for (int i = 0; i < captions.size(); ++i) QCOMPARE(strip->tabButton(i)->isChecked(), i == 1);

    // Selecting from code moves the mark and is no user change.
    pages.setActivePageIndex(5);
    QCOMPARE(spy.count(), 1);
    for (int i = 0; i < captions.size(); ++i) QCOMPARE(strip->tabButton(i)->isChecked(), i == 5);
}

void testAdapters::multiRowTabsBindByNameWhenShown()
{
    QWidget host;
    auto *layout = new QVBoxLayout(&host);
    auto *strip = new multiRowTabs(&host);
    strip->setObjectName(QStringLiteral("innerTabs"));
    auto *other = new QTabWidget(&host);
    other->setObjectName(QStringLiteral("outer"));
    other->addTab(new QWidget, QStringLiteral("x"));
    auto *tabs = new QTabWidget(&host);
    tabs->setObjectName(QStringLiteral("inner"));
    tabs->addTab(new QWidget, QStringLiteral("一"));
    tabs->addTab(new QWidget, QStringLiteral("二"));
    layout->addWidget(strip);
    layout->addWidget(other);
    layout->addWidget(tabs);
    QVERIFY(!strip->pages());
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(strip->pages(), tabs);
    QVERIFY(!other->tabBar()->isHidden());
    QVERIFY(tabs->tabBar()->isHidden());
    QCOMPARE(strip->tabButton(0)->text(), QStringLiteral("一"));
    QVERIFY(strip->tabButton(0)->isChecked());

    multiRowTabs lonely;
    lonely.setObjectName(QStringLiteral("missingTabs"));
    QVERIFY(!lonely.bind());
    QCOMPARE(lonely.rowCount(), 0);
    QCOMPARE(lonely.heightForWidth(100), 0);
}

void testAdapters::fittedLabelBreaksWordsAndShortensTheRest()
{
    fittedLabel label;
    const int line = label.fontMetrics().lineSpacing();
    label.setFixedSize(80, 3 * line);
    QCOMPARE(label.shownLines(), QStringList());
    QVERIFY(label.showsAll());

    const QString name = QStringLiteral("IMG_0001_0002_0003.jpeg"); // wider than 80 px, no space
    QVERIFY(label.fontMetrics().horizontalAdvance(name) > 80);
    label.setText(name);
    QStringList lines = label.shownLines();
    QVERIFY2(lines.size() >= 2 && lines.size() <= 3, qPrintable(lines.join('|')));
    QCOMPARE(lines.join(QString()), name);
    for (const QString &l : lines) QVERIFY2(label.fontMetrics().horizontalAdvance(l) <= 80, qPrintable(l));
    QVERIFY(label.showsAll());

    // Words stay whole where they fit.
    label.setText(QStringLiteral("EASTMAN KODAK COMPANY"));
    lines = label.shownLines();
    for (const QString &l : lines)
        QVERIFY2(l == QStringLiteral("EASTMAN") || l == QStringLiteral("KODAK") || l == QStringLiteral("COMPANY")
                     || l == QStringLiteral("EASTMAN KODAK") || l == QStringLiteral("KODAK COMPANY"),
                 qPrintable(l));
    QVERIFY(label.showsAll());

    // One line of room: shortened in the middle, the end kept.
    label.setFixedSize(80, line);
    label.setText(name);
    lines = label.shownLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines[0].contains(QChar(0x2026)));
    QVERIFY(lines[0].endsWith(QStringLiteral("jpeg")));
    QVERIFY(lines[0].startsWith(QStringLiteral("IMG")));
    QVERIFY(!label.showsAll());
    QCOMPARE(label.text(), name);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    label.repaint();
    QCOMPARE(label.toolTip(), name);

    // Drawn where the text is: the left of the label gets the text colour, nothing is drawn below.
    label.setText(QStringLiteral("WWWWWWWWWWWWWWWW"));
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QImage shot = label.grab().toImage();
    const QRgb background = shot.pixel(shot.width() - 1, shot.height() - 1);
    bool inked = false;
    for (int y = 0; y < shot.height() && !inked; ++y)
        for (int x = 0; x < 10 && !inked; ++x) inked = shot.pixel(x, y) != background;
    QVERIFY(inked);
    label.setText(QStringLiteral("x"));
    label.repaint();
    QCOMPARE(label.toolTip(), QString());
}

void testAdapters::imageControlCanvasFollowsTheWidget()
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

void testAdapters::imageControlInvertLineErasesItself()
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

void testAdapters::imageControlInvertLineTouchesEachPixelOnce()
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

void testAdapters::imageControlCursorsAndMouse()
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

void testAdapters::keyUpEditSignalsAfterTheKey()
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

void testAdapters::upDownClampsAndSignalsUserStepsOnly()
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

void testAdapters::progressBarRepaintsOnlyVisibleMoves()
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

void testAdapters::progressBarSmallMaximumShowsEveryStep()
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

void testAdapters::staticTextCaption()
{
    QLabel label(QStringLiteral("0"));
    staticText text(&label);
    textTarget &target = text;
    target.setCaption(QStringLiteral("1024  pixel"));
    QCOMPARE(label.text(), QStringLiteral("1024  pixel"));
    QCOMPARE(target.caption(), QStringLiteral("1024  pixel"));
}

void testAdapters::dialogServiceReplacementAndFilters()
{
    dialogService *real = &dialogs();
    recordingDialogs fake;
    setDialogService(&fake);
    QCOMPARE(&dialogs(), static_cast<dialogService *>(&fake));
    dialogs().message(nullptr, QStringLiteral("hello"), QStringLiteral("メッセージ"));
    dialogs().error(nullptr, QStringLiteral("bad"));
    QCOMPARE(fake.calls, QStringList({"message:hello", "error:bad"}));
    setDialogService(nullptr);
    QCOMPARE(&dialogs(), real);

    const QStringList filters = qtNameFilters(QStringLiteral("JPEG (*.jpeg)|*.jpeg;*.jpg|BMP(*.bmp)|*.bmp"));
    QCOMPARE(filters, QStringList({"JPEG (*.jpeg *.jpg)", "BMP (*.bmp)"}));
    QCOMPARE(qtNameFilters(QStringLiteral("すべてのファイル (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp")),
             QStringList({"すべてのファイル (*.jpg *.jpeg *.bmp)"}));
    QCOMPARE(qtNameFilters(QString()).size(), 1);
}

void testAdapters::questionBoxLeftUnansweredIsCancel_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expected"); // a dialogService::reply
    QTest::newRow("Escape") << "Escape" << int(dialogService::reply::cancel);
    QTest::newRow("close button") << "close" << int(dialogService::reply::cancel);
    QTest::newRow("いいえ") << "No" << int(dialogService::reply::no);
    QTest::newRow("はい") << "Yes" << int(dialogService::reply::yes);
}

void testAdapters::questionBoxLeftUnansweredIsCancel()
{
    // The real box: only its いいえ answers No.
    QFETCH(QString, action);
    QFETCH(int, expected);
    QTimer::singleShot(0, [action] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) return;
        if (action == "Escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else if (action == "close")
            box->close();
        else
            box->button(action == "No" ? QMessageBox::No : QMessageBox::Yes)->click();
    });
    QCOMPARE(int(dialogs().questionOrCancel(nullptr, QStringLiteral("画像は変更されています。保存しますか？"), QString())),
             expected);
}

void testAdapters::accessibleNames()
{
    QTabWidget root;
    root.setObjectName(QStringLiteral("rootTabs"));
    auto *pageA = new QWidget;
    pageA->setObjectName(QStringLiteral("easyTabSheet"));
    root.addTab(pageA, QStringLiteral("簡単調整"));
    auto *button = new QPushButton(QStringLiteral("&画像処理実行"), pageA);
    button->setObjectName(QStringLiteral("executeButton"));
    auto *tool = new QToolButton(pageA);
    tool->setObjectName(QStringLiteral("fileOpenButton"));
    tool->setToolTip(QStringLiteral("画像ファイルを開く"));
    auto *box = new QGroupBox(QStringLiteral("凹凸方向"), pageA);
    box->setObjectName(QStringLiteral("embosseAngleRadioGroup"));
    auto *edit = new QLineEdit(pageA);
    edit->setObjectName(QStringLiteral("rotateEdit"));
    auto *anonymous = new QLabel(QStringLiteral("x"), pageA);

    exposeAccessibleNames(&root);
    QCOMPARE(pageA->accessibleName(), QStringLiteral("簡単調整"));
    QCOMPARE(button->accessibleName(), QStringLiteral("画像処理実行"));
    QCOMPARE(tool->accessibleName(), QStringLiteral("画像ファイルを開く"));
    QCOMPARE(box->accessibleName(), QStringLiteral("凹凸方向"));
    QCOMPARE(edit->accessibleName(), QStringLiteral("rotateEdit"));
    QCOMPARE(root.accessibleName(), QStringLiteral("rootTabs"));
    for (QWidget *w : {static_cast<QWidget *>(pageA), static_cast<QWidget *>(button), static_cast<QWidget *>(tool),
                       static_cast<QWidget *>(box), static_cast<QWidget *>(edit)})
        QCOMPARE(w->accessibleDescription(), w->objectName());
    QVERIFY(anonymous->accessibleName().isEmpty());

    // What assistive technology sees: the name and description through Qt's accessibility layer,
    // and a press action that really clicks.
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(button);
    QVERIFY(face);
    QCOMPARE(face->text(QAccessible::Name), QStringLiteral("画像処理実行"));
    QCOMPARE(face->text(QAccessible::Description), QStringLiteral("executeButton"));
    QSignalSpy clicked(button, &QPushButton::clicked);
    QVERIFY(face->actionInterface());
    face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(clicked.count(), 1); // an animated click: it lands a moment later
    QAccessibleInterface *toolFace = QAccessible::queryAccessibleInterface(tool);
    QCOMPARE(toolFace->text(QAccessible::Name), QStringLiteral("画像ファイルを開く"));

    // A value caption is announced with its current text, also after it changed.
    auto *value = new QLabel(QStringLiteral("20"), pageA);
    value->setObjectName(QStringLiteral("mosaicStaticText"));
    exposeAccessibleNames(&root);
    value->setText(QStringLiteral("33"));
    QAccessibleInterface *valueFace = QAccessible::queryAccessibleInterface(value);
    QVERIFY(valueFace);
    QCOMPARE(valueFace->text(QAccessible::Name), QStringLiteral("33"));
    QCOMPARE(valueFace->text(QAccessible::Description), QStringLiteral("mosaicStaticText"));
}

QTEST_MAIN(testAdapters)
#include "test_adapters.moc"
