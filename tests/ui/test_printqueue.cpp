// Printing through a real print queue: a scheduler of the test's own with a PDF-writing queue,
// the window placed, scaled and turned to landscape by mouse, printed with two copies, and the PDF
// the queue wrote rendered to check that the picture lies where the preview put it.
#include "cupsscheduler.h"
#include "scripteddialogs.h"

#include "ui/print/printform.h"
#include "ui/widgets/imagecontrol.h"
#include "ui/widgets/radiogroup.h"
#include "ui/widgets/statictext.h"
#include "ui/widgets/updown.h"

#include <QApplication>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QtTest>

namespace {

cupsScheduler *scheduler = nullptr;
const QString queueName = QStringLiteral("KorviaPdf");

// Four quadrants of different colours, so a turned or mirrored print shows.
QImage quadrants(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            picture.setPixel(x, y, bottom ? (right ? qRgb(40, 40, 40) : qRgb(0, 0, 255))
                                          : (right ? qRgb(0, 160, 0) : qRgb(255, 0, 0)));
        }
    return picture;
}

QSet<QString> pdfFiles(const QString &folder)
{
    const QStringList names = QDir(folder).entryList({"*.pdf"}, QDir::Files);
    return QSet<QString>(names.begin(), names.end());
}

// The copies the scheduler logged for a finished job, or -1 while none is logged.
int loggedCopies()
{
    QFile f(scheduler->logPath("page_log"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    const QList<QByteArray> fields = lines.last().split(' ');
    return fields.size() >= 2 ? fields[1].toInt() : -1;
}

// The smallest rectangle holding every pixel that is clearly not white.
QRect inkBounds(const QImage &page)
{
    QRect bounds;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            if (qRed(p) + qGreen(p) + qBlue(p) < 600) bounds |= QRect(x, y, 1, 1);
        }
    return bounds;
}

bool near(QRgb actual, QRgb expected)
{
    return std::abs(qRed(actual) - qRed(expected)) < 40 && std::abs(qGreen(actual) - qGreen(expected)) < 40 &&
           std::abs(qBlue(actual) - qBlue(expected)) < 40;
}

} // namespace

class testPrintQueue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!scheduler->start()) QSKIP(qPrintable("no print scheduler of our own: " + scheduler->failure));
        QVERIFY2(scheduler->addPdfQueue(queueName), qPrintable(scheduler->failure));
    }
    void cleanupTestCase() { scheduler->stop(); }

    void placedScaledLandscapePageWithTwoCopies()
    {
        scriptedDialogs dialogs;
        TprintWindow w;
        const QImage picture = quadrants(800, 600);
        // A title of its own: the queue names its file by it, so no earlier file is taken for ours.
        const QString title = QStringLiteral("korvia-test-%1").arg(QCoreApplication::applicationPid());
        w.printer->setDocumentName(title);
        w.initLayout(&picture);
        QCOMPARE(w.printerNameStaticText->caption(), queueName);
        QVERIFY(w.device.dpiX > 0 && w.device.paperWidth > 0 && w.device.printableWidth > 0);

        // 横, then the bottom-right corner dragged inwards and the picture moved by its body, all
        // through the preview's mouse events.
        w.printDirectionRadioGroup->setItemIndex(1);
        QVERIFY(w.device.paperWidth > w.device.paperHeight);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        imageControl *preview = w.printImage;
        const rectangle fitted = w.placement.rect;
        QTest::mouseMove(preview, QPoint(fitted.right - 3, fitted.bottom - 3));
        QTest::mousePress(preview, Qt::LeftButton, {}, QPoint(fitted.right - 3, fitted.bottom - 3));
        QTest::mouseMove(preview, QPoint(fitted.right - 103, fitted.bottom - 53));
        QTest::mouseRelease(preview, Qt::LeftButton, {}, QPoint(fitted.right - 103, fitted.bottom - 53));
        const rectangle scaled = w.placement.rect;
        QCOMPARE(scaled.left, fitted.left);
        QVERIFY(scaled.right - scaled.left < fitted.right - fitted.left - 50);
        QTest::mousePress(preview, Qt::LeftButton, {}, QPoint(scaled.left + 20, scaled.top + 20));
        QTest::mouseMove(preview, QPoint(scaled.left + 50, scaled.top + 35));
        QTest::mouseRelease(preview, Qt::LeftButton, {}, QPoint(scaled.left + 50, scaled.top + 35));
        QCOMPARE(w.placement.rect.left, scaled.left + 30);
        QCOMPARE(w.placement.rect.top, scaled.top + 15);

        w.printNumUpDown->widget()->stepUp();
        QCOMPARE(w.printNumStaticText->caption(), QString("2"));

        const QString out = cupsScheduler::outputFolder();
        const QSet<QString> before = pdfFiles(out);
        w.printExecuteSpeedButton->click();
        QCOMPARE(dialogs.count("message"), 0);
        QCOMPARE(w.result(), int(QDialog::Accepted));

        // The queue's PDF, once the job has finished (bounded: the scheduler ends jobs after 60 s).
        QString pdf;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 90000 && (pdf.isEmpty() || loggedCopies() < 0)) {
            QTest::qWait(200);
            for (const QString &name : pdfFiles(out) - before)
                if (name.startsWith(title)) pdf = out + "/" + name;
        }
        QVERIFY2(!pdf.isEmpty(), qPrintable("the queue wrote no PDF into " + out + scheduler->log("error_log")));
        QCOMPARE(loggedCopies(), 2);

        // Rendered at 40 pixels per inch, the ink lies where the preview put the picture.
        const int r = 40;
        QTemporaryDir render;
        QProcess pdftoppm;
        pdftoppm.start("pdftoppm", {"-r", QString::number(r), "-png", "-singlefile", pdf, render.filePath("page")});
        QVERIFY2(pdftoppm.waitForFinished(60000) && pdftoppm.exitCode() == 0, "pdftoppm (poppler-utils) failed");
        QFile::remove(pdf);
        QImage page(render.filePath("page.png"));
        QVERIFY(!page.isNull());
        // A landscape page comes on the sheet the queue feeds, turned a quarter; turn it back.
        if ((page.width() > page.height()) != (w.device.paperWidth > w.device.paperHeight)) {
            const QImage turned = page.transformed(QTransform().rotate(90));
            const QRgb topLeft = turned.pixel(inkBounds(turned).topLeft() + QPoint(2, 2));
            page = near(topLeft, qRgb(255, 0, 0)) ? turned : page.transformed(QTransform().rotate(-90));
        }
        QVERIFY(std::abs(page.width() - w.device.paperWidth * r / w.device.dpiX) <= 2);
        QVERIFY(std::abs(page.height() - w.device.paperHeight * r / w.device.dpiY) <= 2);
        const rectangle d = w.deviceRect;
        const deviceCapabilities &c = w.device;
        const QRect expected(QPoint((c.offsetX + d.left) * r / c.dpiX, (c.offsetY + d.top) * r / c.dpiY),
                             QPoint((c.offsetX + d.right) * r / c.dpiX - 1, (c.offsetY + d.bottom) * r / c.dpiY - 1));
        const QRect ink = inkBounds(page);
        const QString where = QStringLiteral("ink (%1, %2) %3 × %4, expected (%5, %6) %7 × %8")
                                  .arg(ink.left()).arg(ink.top()).arg(ink.width()).arg(ink.height())
                                  .arg(expected.left()).arg(expected.top()).arg(expected.width()).arg(expected.height());
        QVERIFY2(std::abs(ink.left() - expected.left()) <= 2 && std::abs(ink.top() - expected.top()) <= 2 &&
                     std::abs(ink.right() - expected.right()) <= 2 && std::abs(ink.bottom() - expected.bottom()) <= 2,
                 qPrintable(where));
        const int qx = expected.width() / 4, qy = expected.height() / 4;
        QVERIFY2(near(page.pixel(expected.left() + qx, expected.top() + qy), qRgb(255, 0, 0)), qPrintable(where));
        QVERIFY(near(page.pixel(expected.right() - qx, expected.top() + qy), qRgb(0, 160, 0)));
        QVERIFY(near(page.pixel(expected.left() + qx, expected.bottom() - qy), qRgb(0, 0, 255)));
        QVERIFY(near(page.pixel(expected.right() - qx, expected.bottom() - qy), qRgb(40, 40, 40)));
    }
};

int main(int argc, char **argv)
{
    // The print system is asked for the first time by the window: point it at our scheduler now.
    cupsScheduler ours;
    scheduler = &ours;
    qputenv("CUPS_SERVER", QFile::encodeName(ours.socketPath()));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    QApplication app(argc, argv);
    testPrintQueue test;
    const int result = QTest::qExec(&test, argc, argv);
    ours.stop();
    return result;
}

#include "test_printqueue.moc"
