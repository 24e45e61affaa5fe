// The framework adapters: what the window relies on from its radio groups, page controls, tabs,
// fitted labels, static texts, the dialog service and the accessible names (image controls, edits,
// up-downs and the progress bar: test_controladapters.cpp).
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

// Clicks a radio item on its indicator (a click beyond its text does not hit the button).
void clickItem(QRadioButton *item)
{
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, item->height() / 2));
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
