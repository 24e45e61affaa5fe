// The JPEG quality dialog, the About box, our drawn pictures and the application font: sizes,
// captions, control positions and the behaviour of their few handlers (the main window's form:
// test_mainformpages.cpp).
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
#include "testfiles/picturedifference.h"
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

namespace {

void compareGeometry(const QWidget *w, const QRect &expected)
{
    QVERIFY2(w, "control missing");
    QCOMPARE(w->geometry(), expected);
}

} // namespace

class testDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void qualityDialogFrame();
    void qualityDialogControls();
    void qualityCaptionFollowsEveryStep();
    void qualityDialogOkAccepts();
    void qualityDialogOffersTheOriginal();
    void sampleJpegsRiseInSizeAndQuality();
    void flowerPhotoIsStable();
    void arrowsPointBothWays();
    void aboutBoxFrameAndPicture();
    void aboutBoxHidesOnOk();
    void japaneseFontIsChosen();
    void dialogsShowWholeCaptions();
};


void testDialogs::initTestCase()
{
    installApplicationFont();
}

void testDialogs::qualityDialogFrame()
{
    TjpegQualityForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("JPEG保存画質設定"));
    QCOMPARE(form.minimumSize(), QSize(340, 217));
    QCOMPARE(form.maximumSize(), QSize(340, 217));
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowSystemMenuHint));
    QCOMPARE(form.font().pixelSize(), 13);
    QCOMPARE(form.StaticText3->font().pixelSize(), 11);
    QCOMPARE(form.StaticText4->font().pixelSize(), 11);
    QVERIFY(form.autoFillBackground());
    QCOMPARE(form.palette().color(QPalette::Window), form.palette().color(QPalette::Light));
}

void testDialogs::qualityDialogControls()
{
    TjpegQualityForm form;
    compareGeometry(form.Image11, QRect(8, 8, 60, 40));
    compareGeometry(form.Image12, QRect(264, 8, 60, 40));
    compareGeometry(form.StaticText1, QRect(74, 8, 49, 20));
    compareGeometry(form.StaticText2, QRect(209, 8, 49, 20));
    compareGeometry(form.StaticText3, QRect(68, 31, 79, 17));
    compareGeometry(form.StaticText4, QRect(179, 31, 79, 17));
    const int lefts[] = {8, 74, 140, 206, 272};
    imageControl *images[] = {form.Image1, form.Image2, form.Image3, form.Image4, form.Image5};
    for (int i = 0; i < 5; ++i) compareGeometry(images[i], QRect(lefts[i], 54, 60, 60));
    compareGeometry(form.jpegQualitTrackBar, QRect(8, 117, 315, 33));
    compareGeometry(form.StaticText5, QRect(58, 153, 64, 20));
    compareGeometry(form.jpegQualityStaticText, QRect(128, 151, 36, 20));
    compareGeometry(form.StaticText6, QRect(179, 151, 115, 20));
    compareGeometry(form.okButton, QRect(128, 184, 75, 25));

    QCOMPARE(form.StaticText1->text(), QStringLiteral("低画質"));
    QCOMPARE(form.StaticText2->text(), QStringLiteral("高画質"));
    QCOMPARE(form.StaticText3->text(), QStringLiteral("ファイルサイズ小"));
    QCOMPARE(form.StaticText4->text(), QStringLiteral("ファイルサイズ大"));
    QCOMPARE(form.StaticText5->text(), QStringLiteral("保存画質"));
    QCOMPARE(form.StaticText6->text(), QStringLiteral("（推奨値８０以上）"));
    QCOMPARE(form.okButton->text(), QStringLiteral("OK"));
    QCOMPARE(form.jpegQualityStaticText->frameShadow(), QFrame::Sunken);

    QSlider *bar = form.jpegQualitTrackBar;
    QCOMPARE(bar->minimum(), 1);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->tickInterval(), 10);
    QCOMPARE(bar->value(), 100);
    QCOMPARE(form.quality(), 100);
    QCOMPARE(form.jpegQualityStaticText->text(), QStringLiteral("100"));
}

void testDialogs::qualityCaptionFollowsEveryStep()
{
    TjpegQualityForm form;
    QSlider *bar = form.jpegQualitTrackBar;
    for (int v = 1; v <= 100; ++v) {
        bar->setValue(v);
        QCOMPARE(form.jpegQualityStaticText->text(), QString::number(v));
        QCOMPARE(form.quality(), v);
    }
    bar->setValue(0); // clamped to the bar's range
    QCOMPARE(form.jpegQualityStaticText->text(), QStringLiteral("1"));
    bar->setValue(250);
    QCOMPARE(form.jpegQualityStaticText->text(), QStringLiteral("100"));

    // The user's keys move the caption too.
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(form.jpegQualityStaticText->text(), QStringLiteral("99"));
    QTest::keyClick(bar, Qt::Key_PageDown);
    QCOMPARE(form.jpegQualityStaticText->text(), QString::number(99 - bar->pageStep()));
}

void testDialogs::qualityDialogOkAccepts()
{
    TjpegQualityForm form;
    form.jpegQualitTrackBar->setValue(80);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.okButton, Qt::LeftButton);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(form.isHidden());
    QCOMPARE(form.quality(), 80); // the position is kept for the next showing
    QCOMPARE(form.jpegQualityStaticText->text(), QStringLiteral("80"));
}

void testDialogs::sampleJpegsRiseInSizeAndQuality()
{
    TjpegQualityForm form;
    const QList<QByteArray> &samples = form.sampleJpegs();
    QCOMPARE(samples.size(), 5);
    QCOMPARE(sampleQualities(), QList<int>({10, 30, 50, 80, 100}));

    const QImage photo = flowerPhoto();
    imageControl *images[] = {form.Image1, form.Image2, form.Image3, form.Image4, form.Image5};
    double lastError = 1e9;
    for (int i = 0; i < 5; ++i) {
        const QByteArray &jpeg = samples[i];
        QVERIFY(jpeg.startsWith("\xFF\xD8\xFF"));
        QVERIFY(jpeg.endsWith("\xFF\xD9"));
        if (i > 0) QVERIFY2(jpeg.size() > samples[i - 1].size(), qPrintable(QString::number(jpeg.size())));
        const QImage decoded = decodeJpeg(jpeg);
        QCOMPARE(decoded.size(), QSize(60, 60));
        // Each image shows its decoded JPEG, pixel for pixel.
        QCOMPARE(images[i]->canvas().copy(0, 0, 60, 60), decoded.convertToFormat(QImage::Format_RGB32));
        const double error = meanDifference(decoded, photo);
        QVERIFY2(error < lastError, qPrintable(QString::number(error)));
        lastError = error;
    }
    // The row must show the difference: the grain makes the lowest quality visibly worse.
    QVERIFY(samples[4].size() > 2 * samples[0].size());
    QVERIFY(meanDifference(decodeJpeg(samples[0]), photo) > 4 * meanDifference(decodeJpeg(samples[4]), photo));
}

void testDialogs::flowerPhotoIsStable()
{
    const QImage a = flowerPhoto(), b = flowerPhoto();
    QCOMPARE(a.format(), QImage::Format_RGB32);
    QCOMPARE(a.size(), QSize(60, 60));
    QVERIFY(a == b);
    // A flower: the centre is warm, the corners are green.
    const QRgb centre = a.pixel(30, 29), corner = a.pixel(2, 57);
    QVERIFY(qRed(centre) > qGreen(centre) - 40 && qRed(centre) > 150);
    QVERIFY(qGreen(corner) > qRed(corner));
    QCOMPARE(flowerSampleJpegs(), flowerSampleJpegs());
}

void testDialogs::arrowsPointBothWays()
{
    const QRgb back = qRgb(255, 255, 255);
    const QImage right = qualityArrow(true, 60, 40, back), left = qualityArrow(false, 60, 40, back);
    QCOMPARE(right.size(), QSize(60, 40));
    QCOMPARE(right.pixel(0, 0), back);
    // The head is tall near its tip side: column 40 of the right arrow is covered at row 8,
    // the same column of the left arrow is only the shaft.
    QVERIFY(right.pixel(40, 8) != back);
    QCOMPARE(left.pixel(40, 8), back);
    QVERIFY(left.pixel(19, 8) != back);
    QVERIFY(qRed(right.pixel(30, 20)) == qGreen(right.pixel(30, 20))); // grey
    QVERIFY(right.mirrored(true, false) == left || meanDifference(right.mirrored(true, false), left) < 2.0);
}

void testDialogs::aboutBoxFrameAndPicture()
{
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(box.minimumSize(), QSize(326, 230));
    QCOMPARE(box.maximumSize(), QSize(326, 230));
    QVERIFY(box.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!box.isModal());
    compareGeometry(box.Image1, QRect(0, 0, 326, 230));
    compareGeometry(box.OKButton, QRect(119, 196, 75, 25));
    QCOMPARE(box.OKButton->text(), QStringLiteral("OK?"));
    QVERIFY(box.OKButton->isDefault());

    const QByteArray &jpeg = box.pictureJpeg();
    QVERIFY(jpeg.startsWith("\xFF\xD8\xFF"));
    const QImage decoded = decodeJpeg(jpeg);
    QCOMPARE(decoded.size(), QSize(326, 230));
    QCOMPARE(box.Image1->canvas(), decoded.convertToFormat(QImage::Format_RGB32));
    QVERIFY(meanDifference(decoded, aboutPicture()) < 4.0);
}

void testDialogs::aboutBoxHidesOnOk()
{
    QWidget owner;
    TAboutBox *box = new TAboutBox(&owner);
    owner.show();
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    const QPoint where = box->pos();
    QVERIFY(owner.isEnabled()); // not modal: the window stays usable
    QTest::mouseClick(box->OKButton, Qt::LeftButton);
    QVERIFY(box->isHidden());
    box->show();
    QVERIFY(box->isVisible());
    QCOMPARE(box->pos(), where);
    box->OKButtonClick();
    QVERIFY(box->isHidden());
}

void testDialogs::japaneseFontIsChosen()
{
    const QString family = japaneseFontFamily();
    if (family.isEmpty()) QSKIP("no Japanese font installed");
    QVERIFY(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese));
    QCOMPARE(QApplication::font().pixelSize(), 11);
    QVERIFY(QApplication::font().families().contains(family));
    const QFont f = formFont(QStringLiteral("No Such Family 42"), 13);
    QCOMPARE(f.pixelSize(), 13);
    QCOMPARE(f.families(), QStringList({family}));
    // An installed Latin family keeps the Japanese one behind it for the glyphs it lacks.
    const QStringList all = QFontDatabase::families();
    const auto latin = std::find_if(all.begin(), all.end(), [](const QString &name) {
        return !QFontDatabase::writingSystems(name).contains(QFontDatabase::Japanese)
               && QFontDatabase::writingSystems(name).contains(QFontDatabase::Latin);
    });
    if (latin != all.end()) QCOMPARE(formFont(*latin, 11).families(), QStringList({*latin, family}));
    QFontMetrics metrics(QApplication::font());
    QVERIFY(metrics.inFont(QChar(0x753B))); // 画
}

void testDialogs::qualityDialogOffersTheOriginal()
{
    TjpegQualityForm form;
    QCheckBox *keep = form.keepOriginalCheckBox;
    QVERIFY(keep->isHidden()); // not offered: the plain window
    QVERIFY(!form.keepsOriginalQuality());

    form.offerOriginalQuality(true, true);
    QCOMPARE(keep->text(), QStringLiteral("元の画質のまま保存（劣化なし）"));
    QVERIFY(!keep->isHidden() && keep->isChecked() && form.keepsOriginalQuality());
    QVERIFY(!form.jpegQualitTrackBar->isEnabled()); // the quality rests while the box is ticked
    keep->setChecked(false);
    QVERIFY(form.jpegQualitTrackBar->isEnabled() && !form.keepsOriginalQuality());

    const QString why = QStringLiteral("画像の端が 16 × 16 画素のブロックの区切りに合わないため、劣化なしでは保存できません。");
    form.offerOriginalQuality(true, false, why);
    QVERIFY(!keep->isEnabled() && !keep->isChecked() && !form.keepsOriginalQuality());
    QCOMPARE(form.keepOriginalStaticText->text(), why);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QWidget *w : {static_cast<QWidget *>(keep), static_cast<QWidget *>(form.keepOriginalStaticText),
                       static_cast<QWidget *>(form.okButton)}) {
        QVERIFY2(clipped(w).isEmpty(), qPrintable(clipped(w)));
        QVERIFY2(form.rect().contains(w->geometry()), qPrintable(w->objectName()));
    }
    QVERIFY(form.okButton->y() >= form.keepOriginalStaticText->geometry().bottom());

    form.offerOriginalQuality(false, false);
    QCOMPARE(form.size(), QSize(340, 217));
    QCOMPARE(form.okButton->geometry(), QRect(128, 184, 75, 25));
}

void testDialogs::dialogsShowWholeCaptions()
{
    TjpegQualityForm quality;
    TAboutBox about;
    for (QDialog *dialog : {static_cast<QDialog *>(&quality), static_cast<QDialog *>(&about)}) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QStringList faults;
        for (QWidget *w : dialog->findChildren<QWidget *>()) {
            if (w->isHidden()) continue;
            const QString fault = clipped(w);
            if (!fault.isEmpty()) faults << fault;
            QVERIFY2(dialog->rect().contains(w->geometry()), qPrintable(w->objectName()));
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        dialog->hide();
    }
    // The quality caption has room for every value, 100 included.
    quality.jpegQualitTrackBar->setValue(100);
    QVERIFY(clipped(quality.jpegQualityStaticText).isEmpty());
}

QTEST_MAIN(testDialogs)
#include "test_dialogs.moc"
