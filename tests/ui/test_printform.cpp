// The print settings window: the page arithmetic on an example sheet through a small fake printer,
// mouse placement, orientation, the set-up dialog, copies, failures, the tool bar's print button,
// and printing to a PDF file when the system has no print queue.
#include "test_mainform_support.h"

#include "ui/print/pagelayout.h"
#include "ui/backgroundjob.h"
#include "ui/print/printform.h"
#include "ui/print/printwork.h"
#include "ui/widgets/statictext.h"
#include "ui/widgets/updown.h"

#include <QProcess>
#include <QPushButton>
#include <QSpinBox>

using namespace testing_support;

namespace {

// 2000 × 4000 device pixels, printable 1800 × 3800 at (100, 100), 300 dpi; landscape swaps them.
class fakePrinter : public printDevice {
public:
    deviceCapabilities portrait{1800, 3800, 100, 100, 2000, 4000, 300, 300};
    bool landscape = false;
    int copies = 1;
    QString failure;           // printPicture's answer
    QList<rectangle> printed;  // target of every page printed
    QSize printedPicture;

    deviceCapabilities capabilities() const override
    {
        deviceCapabilities d = portrait;
        if (landscape) {
            std::swap(d.printableWidth, d.printableHeight);
            std::swap(d.offsetX, d.offsetY);
            std::swap(d.paperWidth, d.paperHeight);
        }
        return d;
    }
    int copyCount() const override { return copies; }
    void setCopyCount(int n) override { copies = n; }
    bool isLandscape() const override { return landscape; }
    void setLandscape(bool l) override { landscape = l; }
    QString title;
    void setDocumentName(const QString &t) override { title = t; }
    QString name() override { return QStringLiteral("fake printer"); }
    std::unique_ptr<QDialog> setupDialog(QWidget *parent) override
    {
        auto d = std::make_unique<QDialog>(parent);
        d->setObjectName(QStringLiteral("setup"));
        return d;
    }
    QString printPicture(const QImage &picture, const rectangle &target, const progressIndicator &) override
    {
        if (failure.isEmpty()) {
            printed.append(target);
            printedPicture = picture.size();
        }
        return failure;
    }
};

struct printWindowUnderTest {
    scriptedDialogs dialogs;
    fakePrinter *printer = new fakePrinter;
    TprintWindow window{nullptr, std::unique_ptr<printDevice>(printer)};
    QImage picture = filledPicture(1600, 1200, qRgb(200, 30, 40));

    printWindowUnderTest() { window.initLayout(&picture); }

    // One drag with the left button, as the image control reports it.
    void drag(int x0, int y0, int x1, int y1)
    {
        window.printImageMouseMove(Qt::NoButton, x0, y0);
        window.printImageMouseDown(Qt::LeftButton, x0, y0);
        window.printImageMouseMove(Qt::LeftButton, (x0 + x1) / 2, (y0 + y1) / 2);
        window.printImageMouseMove(Qt::LeftButton, x1, y1);
        window.printImageMouseUp(Qt::LeftButton, x1, y1);
    }
};

QString rectText(const rectangle &r)
{
    return QStringLiteral("(%1, %2)-(%3, %4)").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
}

} // namespace

class testPrintForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void examplePageLayoutAndPrint();
    void cornerDragsKeepTheAspectAndTheOppositeCorner();
    void bodyDragMovesAnywhereAndPrintsRelativeToThePrintableArea();
    void orientationAndSetupDialog();
    void gobackRefitsKeepingOrientationAndCopies();
    void copiesFollowTheArrowsAndThePrinter();
    void aFailedPrintSaysSoAndKeepsTheWindow();
    void degeneratePagesAndPictures();
    void printButtonShowsTheWindowForTheCurrentPicture();
    void withoutAQueueItPrintsToANewPdfFile();
    void aPictureOffThePrintableAreaIsCutToIt();
    void aCancelledPdfPrintLeavesNoFile_data();
    void aCancelledPdfPrintLeavesNoFile();
    void printingRunsBesideTheWindow_data();
    void printingRunsBesideTheWindow();
};

void testPrintForm::initTestCase()
{
    QVERIFY(QDir::homePath().contains("korvia-print-")); // set by main()
}

void testPrintForm::examplePageLayoutAndPrint()
{
    printWindowUnderTest t;
    TprintWindow &w = t.window;
    QCOMPARE(w.windowTitle(), QString("印刷設定"));
    QCOMPARE(w.printImage->size(), QSize(500, 499));
    QCOMPARE(w.previewScale, 0.125);
    QCOMPARE(rectText(w.paperRect), QString("(125, 0)-(375, 500)"));
    QCOMPARE(rectText(w.printableRect), QString("(137, 12)-(362, 487)"));
    QCOMPARE(w.printLimitWidthStaticText->caption(), QString("152.4"));
    QCOMPARE(w.printLimitHeightStaticText->caption(), QString("321.7"));
    QCOMPARE(rectText(w.placement.rect), QString("(137, 165)-(362, 333)"));
    QCOMPARE(w.imageWidthStaticText->caption(), QString("152.4"));
    QCOMPARE(w.imageHeightStaticText->caption(), QString("113.8"));
    QCOMPARE(w.printerNameStaticText->caption(), QString("fake printer"));
    QCOMPARE(w.aspectRatio, 0.75);
    QCOMPARE(w.placement.dragMode, std::uint32_t(dragNone));
    QCOMPARE(w.adjustSpeedButton->toolTip(), QString("プリンタ調整"));
    QCOMPARE(w.gobackSpeedButton->toolTip(), QString("初期値に戻す"));
    QCOMPARE(w.printExecuteSpeedButton->toolTip(), QString("印刷実行"));

    // The preview: silver around the sheet, white sheet, grey frame, the picture in its rectangle.
    const QImage &c = w.printImage->canvas();
    QCOMPARE(rgbOf(c.pixel(124, 100)), rgbOf(qRgb(192, 192, 192)));
    QCOMPARE(rgbOf(c.pixel(125, 100)), rgbOf(qRgb(255, 255, 255)));
    QCOMPARE(rgbOf(c.pixel(137, 100)), rgbOf(qRgb(128, 128, 128)));
    QCOMPARE(rgbOf(c.pixel(361, 100)), rgbOf(qRgb(128, 128, 128)));
    QCOMPARE(rgbOf(c.pixel(250, 12)), rgbOf(qRgb(128, 128, 128)));
    QCOMPARE(rgbOf(c.pixel(200, 165)), rgbOf(qRgb(200, 30, 40)));
    QCOMPARE(rgbOf(c.pixel(361, 332)), rgbOf(qRgb(200, 30, 40)));
    QCOMPARE(rgbOf(c.pixel(200, 333)), rgbOf(qRgb(255, 255, 255)));

    w.printExecuteSpeedButton->click();
    QCOMPARE(t.printer->printed.size(), 1);
    QCOMPARE(rectText(t.printer->printed[0]), QString("(0, 1224)-(1800, 2568)"));
    QCOMPARE(t.printer->printedPicture, QSize(1600, 1200));
    QCOMPARE(w.result(), int(QDialog::Accepted));
}

void testPrintForm::cornerDragsKeepTheAspectAndTheOppositeCorner()
{
    printWindowUnderTest t;
    TprintWindow &w = t.window;
    // Bottom-right handle by (+45, +10): k = min(270/225, 178/168), 238 × 178 from (137, 165).
    t.drag(360, 331, 405, 341);
    QCOMPARE(rectText(w.placement.rect), QString("(137, 165)-(375, 343)"));
    QCOMPARE(w.placement.dragMode, std::uint32_t(dragNone));
    QCOMPARE(w.imageWidthStaticText->caption(), QString("161.2")); // 238 / 0.125 / 300 × 25.4
    QCOMPARE(rgbOf(w.printImage->canvas().pixel(374, 342)), rgbOf(qRgb(200, 30, 40)));

    // Top-left handle inwards: the bottom-right corner stays, the height follows the width.
    t.drag(140, 168, 190, 178);
    QCOMPARE(rectText(w.placement.rect), QString("(187, 202)-(375, 343)"));
    // Top-right handle dragged far past the left edge: the size grows again from zero.
    t.drag(372, 205, 87, 205);
    QCOMPARE(rectText(w.placement.rect), QString("(187, 271)-(284, 343)"));
    // Bottom-left, straight through the arithmetic.
    const rectangle r = resizeKeepingAspect({100, 100, 200, 175}, dragBottomLeft, 50, 500, 100, 75, 0.75);
    QCOMPARE(rectText(r), QString("(150, 100)-(200, 137)"));
}

void testPrintForm::bodyDragMovesAnywhereAndPrintsRelativeToThePrintableArea()
{
    printWindowUnderTest t;
    TprintWindow &w = t.window;
    // By the body, partly off the sheet: nothing is clamped, the part outside is simply not printed.
    t.drag(250, 250, 150, 10);
    QCOMPARE(rectText(w.placement.rect), QString("(37, -75)-(262, 93)"));
    QCOMPARE(w.printImage->cursor().shape(), Qt::SizeAllCursor);
    w.printExecuteSpeedButtonClick();
    QCOMPARE(rectText(t.printer->printed.value(0)), QString("(-800, -696)-(1000, 648)"));
}

void testPrintForm::orientationAndSetupDialog()
{
    printWindowUnderTest t;
    TprintWindow &w = t.window;
    t.drag(250, 250, 260, 260);
    // 横 re-reads the page, lays it out anew and centres the fitted picture.
    w.printDirectionRadioGroup->setItemIndex(1);
    QVERIFY(t.printer->landscape);
    QCOMPARE(rectText(w.paperRect), QString("(0, 125)-(500, 375)"));
    QCOMPARE(rectText(w.printableRect), QString("(12, 137)-(487, 362)"));
    QCOMPARE(rectText(w.placement.rect), QString("(99, 137)-(399, 362)"));

    // Another paper in the set-up dialog, same orientation: the picture keeps its rectangle.
    t.drag(250, 250, 240, 250);
    const QString moved = rectText(w.placement.rect);
    t.dialogs.modalAnswers.append([&](QDialog *) {
        t.printer->portrait = {2800, 3800, 100, 100, 3000, 4000, 300, 300};
        return int(QDialog::Accepted);
    });
    w.adjustSpeedButton->click();
    QCOMPARE(t.dialogs.entries("modal").value(0).text, QString("setup"));
    QCOMPARE(rectText(w.paperRect), QString("(0, 62)-(500, 437)"));
    QCOMPARE(rectText(w.placement.rect), moved);
    QCOMPARE(w.printDirectionRadioGroup->itemIndex(), 1);

    // Portrait chosen in the dialog: the group follows and the picture is fitted anew.
    t.dialogs.modalAnswers.append([&](QDialog *) {
        t.printer->landscape = false;
        return int(QDialog::Rejected);
    });
    w.adjustSpeedButton->click();
    QCOMPARE(w.printDirectionRadioGroup->itemIndex(), 0);
    QCOMPARE(rectText(w.paperRect), QString("(62, 0)-(437, 500)"));
    QCOMPARE(rectText(w.placement.rect), rectText(fitPicture(w.printableRect, 1600, 1200)));
    QCOMPARE(t.dialogs.unexpected, 0);
}

void testPrintForm::gobackRefitsKeepingOrientationAndCopies()
{
    printWindowUnderTest t;
    TprintWindow &w = t.window;
    w.printDirectionRadioGroup->setItemIndex(1);
    const QString fitted = rectText(w.placement.rect);
    w.printNumUpDown->widget()->stepUp();
    t.drag(250, 250, 200, 220);
    t.drag(w.placement.rect.right - 2, w.placement.rect.bottom - 2, 480, 480);
    QVERIFY(rectText(w.placement.rect) != fitted);
    w.gobackSpeedButton->click();
    QCOMPARE(rectText(w.placement.rect), fitted);
    QCOMPARE(w.printDirectionRadioGroup->itemIndex(), 1);
    QVERIFY(t.printer->landscape);
    QCOMPARE(t.printer->copies, 2);
    QCOMPARE(w.printNumStaticText->caption(), QString("2"));
}

void testPrintForm::copiesFollowTheArrowsAndThePrinter()
{
    printWindowUnderTest t;
    TprintWindow &w = t.window;
    QSpinBox *arrows = w.printNumUpDown->widget();
    QCOMPARE(arrows->minimum(), 1);
    QCOMPARE(arrows->maximum(), 100);
    arrows->stepUp();
    arrows->stepUp();
    QCOMPARE(w.printNumStaticText->caption(), QString("3"));
    QCOMPARE(t.printer->copies, 3);
    QCOMPARE(w.copies, 3);
    // Copies chosen in the set-up dialog are shown, and the arrows step on from them.
    t.dialogs.modalAnswers.append([&](QDialog *) {
        t.printer->copies = 7;
        return int(QDialog::Accepted);
    });
    w.adjustSpeedButton->click();
    QCOMPARE(w.printNumStaticText->caption(), QString("7"));
    arrows->stepUp();
    QCOMPARE(w.printNumStaticText->caption(), QString("8"));
    QCOMPARE(t.printer->copies, 8);
}

void testPrintForm::aFailedPrintSaysSoAndKeepsTheWindow()
{
    printWindowUnderTest t;
    t.printer->failure = QStringLiteral("no paper");
    t.window.setResult(0);
    t.window.printExecuteSpeedButtonClick();
    QCOMPARE(t.dialogs.count("message"), 1);
    QVERIFY(t.dialogs.entries("message")[0].text.contains("no paper"));
    QCOMPARE(t.window.result(), 0);
}

void testPrintForm::degeneratePagesAndPictures()
{
    // A sheet without size, a picture without pixels, a press on an empty rectangle: no division
    // by zero reaches a rectangle.
    const pagePlacement none = layoutPage({});
    QCOMPARE(none.previewScale, 0.0);
    QCOMPARE(rectText(none.printableRect), QString("(0, 0)-(0, 0)"));
    QCOMPARE(rectText(fitPicture({10, 10, 100, 100}, 0, 50)), QString("(10, 10)-(10, 10)"));
    QCOMPARE(rectText(resizeKeepingAspect({5, 5, 5, 9}, dragBottomRight, 40, 40, 0, 4, 1.0)), QString("(5, 5)-(5, 9)"));
    QCOMPARE(rectText(deviceRectangle({1, 2, 3, 4}, {0, 0, 9, 9}, 0.0)), QString("(0, 0)-(0, 0)"));
    QCOMPARE(millimetreText(millimetres(300, 0)), QString("0.0"));

    // A window never given a picture prints nothing.
    scriptedDialogs dialogs;
    auto *printer = new fakePrinter;
    TprintWindow w(nullptr, std::unique_ptr<printDevice>(printer));
    w.initLayout(nullptr);
    w.printImageMouseMove(Qt::LeftButton, 10, 10);
    w.printExecuteSpeedButtonClick();
    QVERIFY(printer->printed.isEmpty());
}

void testPrintForm::printButtonShowsTheWindowForTheCurrentPicture()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("wide.bmp");
    QVERIFY(writePicture(path, filledPicture(300, 100, qRgb(10, 120, 230))));
    windowUnderTest t;
    t.open(path);
    QCOMPARE(t.probe().editingCount(), 1);
    t.dialogs.clearLog();
    TprintWindow *shown = nullptr;
    t.dialogs.modalAnswers.append([&](QDialog *d) {
        shown = qobject_cast<TprintWindow *>(d);
        return int(QDialog::Rejected);
    });
    t.click("printSpeedButton");
    QVERIFY(shown);
    QCOMPARE(shown, t.probe().printWindow());
    QCOMPARE(shown->picture, t.probe().currentBitmap());
    QCOMPARE(shown->aspectRatio, 100.0 / 300.0);
    const rectangle &r = shown->placement.rect;
    QCOMPARE(r.right - r.left, shown->printableRect.right - shown->printableRect.left);
    QCOMPARE(t.dialogs.unexpected, 0);
}

void testPrintForm::withoutAQueueItPrintsToANewPdfFile()
{
    // main() pointed the print system at a scheduler that does not exist and HOME at home.
    const QString documents = QDir::homePath() + "/Documents";
    QVERIFY(QDir().mkpath(documents));
    const QString first = documents + "/korvia-print.pdf";
    QImage picture = filledPicture(400, 300, qRgb(0, 0, 255));
    {
        scriptedDialogs dialogs;
        TprintWindow w;
        w.initLayout(&picture);
        QCOMPARE(w.printerNameStaticText->caption(), "PDF ファイル: " + first);
        QVERIFY(w.device.dpiX > 0 && w.device.paperWidth > w.device.printableWidth && w.device.printableWidth > 0);
        w.printNumUpDown->widget()->stepUp(); // two copies: a file holds them as two pages
        w.printExecuteSpeedButtonClick();
        QCOMPARE(dialogs.count("message"), 0);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        const QByteArray pdf = readBytes(first);
        QCOMPARE(pdf.left(5), QByteArray("%PDF-"));
        QCOMPARE(pdf.count("/Type /Page") - pdf.count("/Type /Pages"), 2);
        // The next print goes to a new file; the first is kept.
        w.initLayout(&picture);
        QCOMPARE(w.printerNameStaticText->caption(), "PDF ファイル: " + documents + "/korvia-print-2.pdf");
    }
    QVERIFY(QFileInfo::exists(first));
    QVERIFY(!QFileInfo::exists(documents + "/korvia-print-2.pdf"));
}

void testPrintForm::aPictureOffThePrintableAreaIsCutToIt()
{
    QImage picture = filledPicture(400, 300, qRgb(0, 0, 255));
    scriptedDialogs dialogs;
    TprintWindow w;
    w.initLayout(&picture);
    const QString prefix = QStringLiteral("PDF ファイル: ");
    QVERIFY(w.printerNameStaticText->caption().startsWith(prefix));
    const QString file = w.printerNameStaticText->caption().mid(prefix.size());
    // The picture sticks out over the left margin of the sheet.
    w.placement.moveTo(w.printableRect.left - 20, w.placement.rect.top);
    w.printExecuteSpeedButtonClick();
    QCOMPARE(dialogs.count("message"), 0);
    QVERIFY(w.deviceRect.left < 0);

    const int r = 72;
    QTemporaryDir render;
    QProcess pdftoppm;
    pdftoppm.start("pdftoppm", {"-r", QString::number(r), "-png", "-singlefile", file, render.filePath("page")});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitStatus() != QProcess::NormalExit)
        QSKIP("pdftoppm (poppler-utils) could not be run");
    QCOMPARE(pdftoppm.exitCode(), 0);
    const QImage page(render.filePath("page.png"));
    QVERIFY(!page.isNull());
    const int margin = w.device.offsetX * r / w.device.dpiX;
    QVERIFY(margin >= 4);
    const int y = (w.device.offsetY + (w.deviceRect.top + w.deviceRect.bottom) / 2) * r / w.device.dpiY;
    const QRgb outside = page.pixel(margin / 2, y), inside = page.pixel(margin + 3, y);
    QVERIFY2(qRed(outside) > 245 && qGreen(outside) > 245 && qBlue(outside) > 245, "the margin stays white");
    QVERIFY2(qRed(inside) < 10 && qGreen(inside) < 10 && qBlue(inside) > 245, "the picture inside it is printed");
}

// The files of the PDF prints' folder, hidden ones too.
QStringList printFiles()
{
    return QDir(QDir::homePath() + "/Documents").entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void testPrintForm::aCancelledPdfPrintLeavesNoFile_data()
{
    QTest::addColumn<int>("cancelAt"); // the check of the cancel that answers yes; 0: none does
    QTest::newRow("before the page") << 1;
    QTest::newRow("after the page") << 2;
    QTest::newRow("before the file takes its name") << 3;
    QTest::newRow("never") << 0;
}

void testPrintForm::aCancelledPdfPrintLeavesNoFile()
{
    QFETCH(int, cancelAt);
    QVERIFY(QDir().mkpath(QDir::homePath() + "/Documents"));
    const QStringList before = printFiles();
    const std::unique_ptr<printDevice> printer = systemPrinter();
    const QString file = printer->name().mid(QStringLiteral("PDF ファイル: ").size());
    int checks = 0;
    progressIndicator progress;
    progress.cancelRequested = [&] { return ++checks == cancelAt; };
    const QImage picture = filledPicture(64, 48, qRgb(0, 0, 255));
    if (cancelAt > 0) {
        QVERIFY_THROWS_EXCEPTION(operationCancelled, printer->printPicture(picture, {0, 0, 640, 480}, progress));
        QCOMPARE(printFiles(), before);
    } else {
        QCOMPARE(printer->printPicture(picture, {0, 0, 640, 480}, progress), QString());
        QCOMPARE(readBytes(file).left(5), QByteArray("%PDF-"));
        QCOMPARE(printFiles().size(), before.size() + 1);
        QCOMPARE(checks, 3);
    }
}

void testPrintForm::printingRunsBesideTheWindow_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::newRow("printed") << false;
    QTest::newRow("中止") << true;
}

void testPrintForm::printingRunsBesideTheWindow()
{
    // The preview's pictures are made, and the page printed, as the window's background work.
    QFETCH(bool, stopped);
    QTemporaryDir folder;
    const QString path = folder.filePath("wide.bmp");
    QVERIFY(writePicture(path, filledPicture(1200, 400, qRgb(10, 120, 230))));
    QVERIFY(QDir().mkpath(QDir::homePath() + "/Documents"));
    const QStringList before = printFiles();
    windowUnderTest t;
    t.open(path);
    backgroundJob::setEnabled(true);
    const auto off = qScopeGuard([] {
        backgroundJob::holdRuns(false);
        backgroundJob::setEnabled(false);
    });
    t.dialogs.modalAnswers.append([stopped](QDialog *d) {
        auto *w = qobject_cast<TprintWindow *>(d);
        w->printExecuteSpeedButtonClick();
        backgroundJob::holdRuns(stopped); // the print waits for 中止
        return w->result();
    });
    t.click("printSpeedButton");
    QTRY_COMPARE(t.dialogs.count("modal"), 1);
    QTRY_VERIFY(!t.probe().busy() || stopped);
    if (stopped) {
        QVERIFY(t.probe().busy());
        t.click("cancelButton");
        backgroundJob::holdRuns(false);
        QTRY_VERIFY(!t.probe().busy());
    }
    QCOMPARE(printFiles().size(), before.size() + (stopped ? 0 : 1));
    QVERIFY(t.probe().printWindow()->prepared.printed.isNull()); // let go of once the print is over
    QCOMPARE(t.dialogs.count("error") + t.dialogs.unexpected, 0);
}

int main(int argc, char **argv)
{
    // No print queue at all: a scheduler socket that does not exist, and a home of our own.
    QTemporaryDir scratch(QDir::tempPath() + "/korvia-print-XXXXXX");
    if (!scratch.isValid()) return 1;
    qputenv("CUPS_SERVER", QFile::encodeName(scratch.filePath("no-scheduler.sock")));
    qputenv("HOME", QFile::encodeName(scratch.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath("config")));
    qputenv("TMPDIR", QFile::encodeName(scratch.path()));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    QApplication app(argc, argv);
    testPrintForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_printform.moc"
