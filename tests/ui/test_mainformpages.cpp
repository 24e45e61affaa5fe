// The main window's form, built by the window itself: parameter bars against the table, pages in
// operation order, radio groups and start pages, slots and the information page, decoration, and
// whole captions and tab places on every page.
#include "colour/filterparameters.h"
#include "imagedata/imagefilemanager.h"
#include "ui/aboutdialogbox.h"
#include "ui/widgets/appfont.h"
#include "ui/designassets.h"
#include "ui/widgets/imagecontrol.h"
#include "ui/jpegqualitywindow.h"
#include "ui/mainform.h"
#include "ui/widgets/pagecontrol.h"
#include "ui/widgets/statictext.h"
#include "wholecaptions.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QAccessible>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cmath>

class testMainFormPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mainFormParameterBarsFollowTheTable();
    void mainFormPagesInOperationOrder();
    void mainFormRadioGroupsAndStartPages();
    void mainFormSlotsAndInformationPage();
    void mainFormDecoration();
    void leftPanelShowsWholeCaptions();
    void everyTabTellsItsPlace_data();
    void everyTabTellsItsPlace();
    void informationPageKeepsLongCameraTexts();
};

void testMainFormPages::initTestCase()
{
    installApplicationFont();
}

void testMainFormPages::mainFormParameterBarsFollowTheTable()
{
    TmainForm window;
    for (const filterParameter &p : filterParameters()) {
        auto *bar = window.findChild<QSlider *>(QString::fromLatin1(p.control));
        QVERIFY2(bar, p.control);
        QCOMPARE(bar->orientation(), Qt::Horizontal);
        QCOMPARE(bar->minimum(), p.minimum);
        QCOMPARE(bar->maximum(), p.maximum);
        QCOMPARE(bar->value(), p.start);
        QCOMPARE(bar->tickInterval(), p.tickSpacing);
        QCOMPARE(bar->pageStep(), p.pageStep);
        QCOMPARE(bar->tickPosition(), QSlider::TicksBelow);
        if (p.caption) {
            auto *caption = window.findChild<QLabel *>(QString::fromLatin1(p.caption));
            QVERIFY2(caption, p.caption);
            QCOMPARE(caption->text(), QString::number(p.start));
        }
    }
    struct bar { const char *name; int minimum, maximum, start, tick, page; };
    const bar others[] = {{"rotateTrackBar", -180, 180, 0, 45, 45}, {"slopeBalanceTrackBar", -100, 100, 0, 25, 20},
                          {"perspectiveTrackBar", -50, 50, 0, 10, 10}, {"distortoinTrackBar", -30, 30, 0, 10, 5},
                          {"colorChromaTrackBar", 0, 255, 255, -1, -1}, {"airBrushSizeTrackBar", 3, 200, 10, -1, -1},
                          {"wateBrushDensityTrackBar", 0, 100, 10, -1, -1}, {"wateBrushShapeTrackBar", -10, 10, 0, -1, -1}};
    for (const bar &b : others) {
        auto *s = window.findChild<QSlider *>(QString::fromLatin1(b.name));
        QVERIFY2(s, b.name);
        QCOMPARE(s->minimum(), b.minimum);
        QCOMPARE(s->maximum(), b.maximum);
        QCOMPARE(s->value(), b.start);
        if (b.tick > 0) QCOMPARE(s->tickInterval(), b.tick);
        if (b.page > 0) QCOMPARE(s->pageStep(), b.page);
    }
    // The brush pages show their settings.
    QVERIFY(!window.findChild<QSlider *>(QStringLiteral("airBrushSizeTrackBar"))->isHidden());
    QCOMPARE(window.findChild<QSlider *>(QStringLiteral("colorChromaTrackBar"))->toolTip(), QStringLiteral("彩度調整"));
}

void testMainFormPages::mainFormPagesInOperationOrder()
{
    TmainForm window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvia"));
    struct tabs { const char *control; QStringList captions; };
    const tabs expected[] = {
        {"mainPageControl", {"簡単調整", "設定", "詳細調整"}},
        {"PageControl5", {"カラー", "!", "編集画像一覧", "画像情報", "? 水彩ブラシ", "~ エアブラシ"}},
        {"imageOperationPageControl", {"調整", "効果1", "効果2", "変形"}},
        {"imageAdjustPageControl", {"明度、彩度", "RGB調整", "トーンカーブ"}},
        {"imageEffectOnePageControl", {"縁取ボケ", "縁取明暗", "ペイント", "ソフト", "エンボス", "モノクロ"}},
        {"imageEffectTwoPageControl", {"シャープ", "階調", "モザイク", "ブレ", "ノイズ除去"}},
        {"imageTransformPageControl", {"サイズ", "回転", "トリミング", "傾斜", "台形", "歪曲"}},
    };
    for (const tabs &t : expected) {
        auto *w = window.findChild<QTabWidget *>(QString::fromLatin1(t.control));
        QVERIFY2(w, t.control);
        QStringList captions;
        for (int i = 0; i < w->count(); ++i) captions << w->tabText(i);
        QCOMPARE(captions, t.captions);
    }
    // Named pages sit where the operation codes expect them.
    const std::pair<const char *, const char *> pages[] = {
        {"rgbTabSheet", "RGB調整"}, {"brightChromaTabSheet", "明度、彩度"}, {"toneCurveTabSheet", "トーンカーブ"},
        {"embossTabSheet", "エンボス"}, {"vibrateTabSheet", "ブレ"}, {"mosaicTabSheetTabSheet", "モザイク"},
        {"levelDounTabSheet", "階調"}, {"mosaicTabSheet", "モノクロ"}, {"resizeTabSheet", "シャープ"},
        {"softTabSheet", "ソフト"}, {"medianFilterTabSheet", "ノイズ除去"}, {"mnochromeTabSheet", "縁取明暗"},
        {"peintTabSheet", "ペイント"}, {"fringeOutFocusTabSheet", "縁取ボケ"}, {"airBrushTabSheet", "~ エアブラシ"},
        {"waterBrushTabSheet", "? 水彩ブラシ"}};
    for (const auto &[name, caption] : pages) {
        auto *page = window.findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY2(page, name);
        auto *tabWidget = qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget());
        QVERIFY(tabWidget);
        QCOMPARE(tabWidget->tabText(tabWidget->indexOf(page)), QString::fromUtf8(caption));
    }
}

void testMainFormPages::mainFormRadioGroupsAndStartPages()
{
    TmainForm window;
    struct group { const char *name; QStringList items; };
    const group groups[] = {
        {"toneCurveRadioGroup", {"Ｓカーブ", "傾斜", "ポイント", "ガンマ"}},
        {"fringeShapeRadioGroup", {"円形", "四角"}},
        {"paintRadioGroup", {"ノーマル", "点描"}},
        {"embosseAngleRadioGroup", {"０度", "４５度", "９０度", "１３５度", "１８０度", "２２５度", "２７０度"}},
        {"monoColorRadioGroup", {"グレースケール", "セピア", "描画色(描画色でモノクロ化）"}},
        {"rotateAngleRadioGroup", {"角度指定", "右９０度", "左９０度", "１８０度", "左右反転", "上下反転"}},
    };
    for (const group &g : groups) {
        auto *box = window.findChild<QGroupBox *>(QString::fromLatin1(g.name));
        QVERIFY2(box, g.name);
        for (int i = 0; i < g.items.size(); ++i) {
            auto *item = box->findChild<QRadioButton *>(QStringLiteral("%1Item%2").arg(g.name).arg(i));
            QVERIFY2(item, g.name);
            QCOMPARE(item->text(), g.items[i]);
            QCOMPARE(item->isChecked(), i == 0);
        }
    }
    QCOMPARE(window.findChild<QGroupBox *>(QStringLiteral("embosseAngleRadioGroup"))->title(), QStringLiteral("凹凸方向"));
    QCOMPARE(window.findChild<QGroupBox *>(QStringLiteral("rotateAngleRadioGroup"))->title(), QStringLiteral("回転方法"));

    const std::pair<const char *, int> start[] = {{"mainPageControl", 0}, {"PageControl5", 2},
                                                  {"imageOperationPageControl", 2}, {"imageAdjustPageControl", 2},
                                                  {"imageEffectOnePageControl", 3}, {"imageEffectTwoPageControl", 2},
                                                  {"imageTransformPageControl", 5}};
    for (const auto &[name, index] : start)
        QCOMPARE(window.findChild<QTabWidget *>(QString::fromLatin1(name))->currentIndex(), index);

    auto *check = window.findChild<QCheckBox *>(QStringLiteral("reSizeRatioCheckBox"));
    QVERIFY(check && check->isChecked());
    QCOMPARE(check->text(), QStringLiteral("縦横比を保持"));
    for (const char *name : {"upperTrimingLabeledEdit", "leftTrimingLabeledEdit", "lowerTrimingLabeledEdit",
                             "rightTrimingLabeledEdit"}) {
        auto *edit = window.findChild<QLineEdit *>(QString::fromLatin1(name));
        QVERIFY2(edit && edit->isReadOnly(), name);
        auto *spin = window.findChild<QSpinBox *>(QString::fromLatin1(name).replace("LabeledEdit", "UpDown"));
        QVERIFY2(spin && !spin->isGroupSeparatorShown(), name);
    }
}

void testMainFormPages::mainFormSlotsAndInformationPage()
{
    TmainForm window;
    const char *full[] = {"１", "２", "３", "４", "５"};
    const char *closers[] = {"editCloseButton1", "editCloseButton2", "editCloseButton3", "editCloseButton4",
                             "editCloseButton15"};
    for (int n = 1; n <= 5; ++n) {
        auto *thumb = window.findChild<imageControl *>(QStringLiteral("editingSampleImage%1").arg(n));
        QVERIFY(thumb);
        QCOMPARE(thumb->size(), QSize(70, 70));
        auto *select = window.findChild<QPushButton *>(QStringLiteral("editChangeButton%1").arg(n));
        QVERIFY(select);
        QCOMPARE(select->text(), QStringLiteral("選択"));
        QVERIFY(select->font().bold());
        QCOMPARE(select->toolTip(), QStringLiteral("イメージ%1を表示").arg(QString::fromUtf8(full[n - 1])));
        auto *close = window.findChild<QPushButton *>(QString::fromLatin1(closers[n - 1]));
        QVERIFY(close);
        QCOMPARE(close->toolTip(), QStringLiteral("イメージ%1を閉じる").arg(n));
        for (const char *text : {"editingFileStaticText%1", "imageWidthStaticText%1", "imageHeightStaticText%1"})
            QVERIFY(window.findChild<QLabel *>(QString::fromLatin1(text).arg(n)));
    }
    const std::pair<const char *, QSize> images[] = {{"sampleImage", {205, 205}}, {"toneCntImg", {132, 132}},
                                                     {"sampleColorImage", {180, 129}}, {"choiceColorImage", {50, 50}},
                                                     {"paintColorImage", {50, 50}}, {"paletImage30", {12, 12}},
                                                     {"airBrushSampleImage", {201, 201}},
                                                     {"wateBrushShapeImage", {201, 105}}};
    for (const auto &[name, size] : images) {
        auto *image = window.findChild<imageControl *>(QString::fromLatin1(name));
        QVERIFY2(image, name);
        QCOMPARE(image->size(), size);
    }
    QVERIFY(window.findChild<imageControl *>(QStringLiteral("mainImage")));
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
    QVERIFY(bar && bar->width() == 202 && !bar->isTextVisible());
    const std::pair<const char *, const char *> hints[] = {
        {"fileOpenButton", "画像ファイルを開く"}, {"saveSpeedButton", "上書き保存"},
        {"renameSaveSpeedButton", "名前を変えて保存"}, {"printSpeedButton", "印刷"}, {"undoButton", "元に戻す"},
        {"informationButton", "アプリケーション情報"}, {"theEndButton", "ファイルを閉じる"}};
    for (const auto &[name, hint] : hints) {
        auto *button = window.findChild<QToolButton *>(QString::fromLatin1(name));
        QVERIFY2(button, name);
        QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
        QCOMPARE(button->accessibleName(), QString::fromUtf8(hint));
    }
}

void testMainFormPages::mainFormDecoration()
{
    TmainForm window;
    decorateMainWindow(&window);
    decorateMainWindow(&window);
    QStatusBar *bar = window.findChild<QStatusBar *>(QStringLiteral("StatusBar1"));
    QVERIFY(bar);
    QCOMPARE(window.statusBar(), bar);
    const auto panels = bar->findChildren<QLabel *>(QStringLiteral("StatusBar1Panel1"));
    QCOMPARE(panels.size(), 1);
    QCOMPARE(panels[0]->width(), 50);
    for (const char *name : {"fileOpenButton", "saveSpeedButton", "renameSaveSpeedButton", "printSpeedButton",
                             "undoButton", "informationButton", "theEndButton"}) {
        auto *button = window.findChild<QToolButton *>(QString::fromLatin1(name));
        QVERIFY2(button && !button->icon().isNull(), name);
        QCOMPARE(button->size(), QSize(QString::fromLatin1(name) == QLatin1String("undoButton") ? 34 : 30, 30));
    }
    QVERIFY(toolButtonIcon(QStringLiteral("SpeedButton5")).isNull());
}

namespace {
// Brings the page that holds w to the front in every tab widget above it, as a user would.
void showPageOf(QWidget *w, QWidget *window)
{
    for (; w && w != window; w = w->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget());
        auto *owner = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
        if (owner) owner->setCurrentWidget(w);
    }
    QCoreApplication::processEvents();
}

QString tabPlace(const QString &name, const QRect &r, bool selected, bool showing)
{
    return QStringLiteral("%1 at %2,%3 %4x%5%6%7")
        .arg(name)
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .arg(selected ? " selected" : "")
        .arg(showing ? "" : " not showing");
}

// The page tabs assistive technology finds under node, outside the pages themselves.
void collectPageTabs(QAccessibleInterface *node, QStringList &found)
{
    if (!node || node->role() == QAccessible::LayeredPane) return;
    if (node->role() == QAccessible::PageTab) {
        const QAccessible::State state = node->state();
        found << tabPlace(node->text(QAccessible::Name), node->rect(), state.selected,
                          !state.invisible && !state.offscreen);
    }
    for (int i = 0; i < node->childCount(); ++i) collectPageTabs(node->child(i), found);
}
} // namespace

void testMainFormPages::everyTabTellsItsPlace_data()
{
    QTest::addColumn<QString>("strip");
    for (const char *name : {"PageControl5Tabs", "imageAdjustPageControlTabs", "imageEffectOnePageControlTabs",
                             "imageEffectTwoPageControlTabs", "imageTransformPageControlTabs",
                             "perspectivePageControlTabs"})
        QTest::newRow(name) << QString(name);
}

void testMainFormPages::everyTabTellsItsPlace()
{
    // A screen reader finds each tab of a strip once, where it is on the screen and showing, also
    // on the strip's second row.
    QFETCH(QString, strip);
    TmainForm window;
    decorateMainWindow(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tabs = window.findChild<multiRowTabs *>(strip);
    QVERIFY(tabs && tabs->pages());
    showPageOf(tabs, &window);
    QStringList expected, found;
    for (int i = 0; i < tabs->pages()->count(); ++i) {
        QToolButton *b = tabs->tabButton(i);
        expected << tabPlace(b->text(), QRect(b->mapToGlobal(QPoint(0, 0)), b->size()), b->isChecked(), true);
    }
    collectPageTabs(QAccessible::queryAccessibleInterface(tabs->parentWidget()), found);
    QCOMPARE(found.join(" | "), expected.join(" | "));
}

void testMainFormPages::leftPanelShowsWholeCaptions()
{
    TmainForm window;
    decorateMainWindow(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *panel = window.findChild<QWidget *>(QStringLiteral("Panel1"));
    QVERIFY(panel);
    QCOMPARE(panel->width(), 238);

    // Every page control but the top one shows its tabs on as many rows as they need, each tab whole.
    const QList<multiRowTabs *> strips = window.findChildren<multiRowTabs *>();
    QVERIFY(strips.size() >= 6);
    for (multiRowTabs *strip : strips) {
        // Bring the strip's page to the front, as a user would, so its layout has run.
        showPageOf(strip, &window);
        QTabWidget *tabs = strip->pages();
        QVERIFY2(tabs, qPrintable(strip->objectName()));
        QCOMPARE(strip->objectName(), tabs->objectName() + QStringLiteral("Tabs"));
        QVERIFY(tabs->tabBar()->isHidden());
        for (int i = 0; i < tabs->count(); ++i) {
            QToolButton *button = strip->tabButton(i);
            QVERIFY(button);
            QCOMPARE(button->text(), tabs->tabText(i));
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                     qPrintable(tabs->tabText(i)));
            QVERIFY2(QRect(QPoint(0, 0), strip->size()).contains(button->geometry()), qPrintable(tabs->tabText(i)));
        }
    }
    // The top row keeps its one-row bar and fits without scrolling.
    auto *main = window.findChild<QTabWidget *>(QStringLiteral("mainPageControl"));
    QVERIFY(!main->tabBar()->isHidden());
    int tabsWidth = 0;
    for (int i = 0; i < main->count(); ++i) tabsWidth += main->tabBar()->tabRect(i).width();
    QVERIFY2(tabsWidth <= main->width(), qPrintable(QString::number(tabsWidth)));

    // Every caption on every page of the panel fits its control.
    for (QGroupBox *box : panel->findChildren<QGroupBox *>())
        if (box->layout()) box->layout()->activate();
    QStringList faults;
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        if (w->isHidden() || w->objectName().startsWith(QLatin1String("qt_"))) continue;
        const QString fault = clipped(w);
        if (!fault.isEmpty()) faults << fault;
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));

    // Each page fits the height the window leaves it at its smallest size.
    for (const char *name : {"settingTabSheet", "detailTabSheet", "easyTabSheet"}) {
        auto *page = window.findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY2(page, name);
        QVERIFY2(page->minimumSizeHint().height() <= main->height(), name);
    }
}

void testMainFormPages::informationPageKeepsLongCameraTexts()
{
    TmainForm window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Texts real cameras write.
    const std::pair<const char *, const char *> texts[] = {
        {"makerNameStaticText", "EASTMAN KODAK COMPANY"},
        {"modelNameStaticText", "KODAK DC240 ZOOM DIGITAL CAMERA"},
        {"dateTimeStaticText", "2008:07:31 10:38:11"},
        {"fileNameStaticText", "IMG_20080731_103811 holiday by the lake.jpeg"}};
    QStringList faults;
    for (const auto &[name, text] : texts) {
        auto *label = window.findChild<QLabel *>(QString::fromLatin1(name));
        QVERIFY2(label, name);
        label->setText(QString::fromUtf8(text));
        const QString fault = clipped(label);
        if (!fault.isEmpty()) faults << fault;
        QVERIFY2(label->x() + label->width() <= label->parentWidget()->width(), name);
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));

    // A camera's file name without spaces breaks inside the word on the information page; in the
    // one-line slot caption it is shortened in the middle, keeps its extension and shows whole as
    // the tool tip.
    const QString longName = QStringLiteral("DSC_20080731_103811_EXPOSURE_BRACKET_0001.jpeg");
    auto *info = window.findChild<fittedLabel *>(QStringLiteral("fileNameStaticText"));
    QVERIFY(info);
    info->setText(longName);
    QVERIFY2(info->showsAll(), qPrintable(info->shownLines().join('|')));
    QVERIFY(info->shownLines().size() >= 2);
    QCOMPARE(info->text(), longName);
    auto *slot = window.findChild<fittedLabel *>(QStringLiteral("editingFileStaticText1"));
    QVERIFY(slot);
    window.findChild<QTabWidget *>(QStringLiteral("mainPageControl"))->setCurrentIndex(1);
    window.findChild<QTabWidget *>(QStringLiteral("PageControl5"))->setCurrentIndex(2);
    QVERIFY(slot->isVisible());
    slot->setText(longName);
    QCOMPARE(slot->text(), longName);
    QVERIFY(!slot->showsAll());
    QCOMPARE(slot->shownLines().size(), 1);
    QVERIFY(slot->shownLines()[0].endsWith(QStringLiteral("0001.jpeg")) || slot->shownLines()[0].endsWith(QStringLiteral(".jpeg")));
    QVERIFY(slot->shownLines()[0].contains(QChar(0x2026)));
    QVERIFY(slot->fontMetrics().horizontalAdvance(slot->shownLines()[0]) <= slot->contentsRect().width());
    slot->repaint();
    QCOMPARE(slot->toolTip(), longName);
    slot->setText(QStringLiteral("P3.bmp"));
    slot->repaint();
    QVERIFY(slot->showsAll());
    QCOMPARE(slot->toolTip(), QString());

    // The value column starts right of the widest label.
    auto *version = window.findChild<QLabel *>(QStringLiteral("exifVersionStaticText"));
    for (QLabel *label : version->parentWidget()->findChildren<QLabel *>()) {
        if (!label->text().endsWith(QStringLiteral("：")) || label->y() < 20) continue;
        if (label->alignment() & Qt::AlignRight)
            QVERIFY2(label->x() + label->width() <= version->x(), qPrintable(label->text()));
    }
}

QTEST_MAIN(testMainFormPages)
#include "test_mainformpages.moc"
