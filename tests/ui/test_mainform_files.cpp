// The main window's file commands: open, execute, undo, the list of pictures, and what happens
// when reading fails (saving: test_mainform_saving.cpp).
#include "halvespicture.h"
#include "test_mainform_support.h"

#include "colour/colorfilter.h"

#include <QTimer>
#include <functional>
#include <unistd.h>

using namespace testing_support;

namespace {
// What the sepia filter makes of one colour, computed by the engine itself on a single pixel.
QRgb sepiaOf(QRgb colour)
{
    std::uint8_t r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
    colorFilter f;
    f.width = 1;
    f.height = 1;
    f.redPlane = &r;
    f.greenPlane = &g;
    f.bluePlane = &b;
    f.filterType = filterSepia;
    f.run();
    return qRgb(r, g, b) & 0xFFFFFF;
}

// A JPEG file whose APP1 segment holds a little-endian camera record with the maker "Korvia Cam"
// and the model "K-1 Mark", put in front of the coded picture.
QByteArray jpegWithCameraRecord(const QImage &picture)
{
    const QByteArray coded = encodeJpeg(picture, 90);
    QByteArray tiff("II\x2A\x00", 4);
    const auto put16 = [](QByteArray &b, int v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    const auto put32 = [&](QByteArray &b, quint32 v) { put16(b, int(v & 0xFFFF)); put16(b, int(v >> 16)); };
    put32(tiff, 8); // IFD0 right after the header
    const QByteArray maker("Korvia Cam\0", 11), model("K-1 Mark\0", 9);
    const quint32 strings = 8 + 2 + 2 * 12 + 4;
    put16(tiff, 2);
    put16(tiff, 271); put16(tiff, 2); put32(tiff, quint32(maker.size())); put32(tiff, strings);
    put16(tiff, 272); put16(tiff, 2); put32(tiff, quint32(model.size())); put32(tiff, strings + quint32(maker.size()));
    put32(tiff, 0);
    tiff += maker;
    tiff += model;
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray file("\xFF\xD8\xFF\xE1", 4);
    const int length = int(body.size()) + 2;
    file.append(char(length >> 8)).append(char(length & 0xFF));
    file += body;
    file += coded.mid(2); // the coded picture without its own start marker
    return file;
}
} // namespace

class testMainFormFiles : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    QString picturePath(const QString &name) const { return scratch.folder + "/" + name; }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.start());
    }
    void init()
    {
        QVERIFY(scratch.enterTest());
    }
    void cleanup() { QVERIFY(snapshotFiles().isEmpty()); }

    void sepiaExecuteUndoSaveAndReopen()
    {
        const QString path = picturePath("p.bmp");
        QVERIFY(writePicture(path, halvesPicture()));
        windowUnderTest t;
        t.open(path);
        QCOMPARE(t.probe().editingCount(), 1);
        QCOMPARE(t.probe().currentIndex(), 0);
        t.selectSepia();
        QCOMPARE(t.probe().operationCode(), int(filterSepia));

        t.click("executeButton");
        imageDocument *d = t.current();
        QCOMPARE(rgbOf(d->bitmap.pixel(0, 0)), qRgb(30, 10, 0) & 0xFFFFFF); // black becomes (30, 10, 0)
        QCOMPARE(rgbOf(d->bitmap.pixel(7, 5)), sepiaOf(qRgb(200, 100, 50)));
        QCOMPARE(d->undoCount, 1);
        QVERIFY(!d->unchanged);
        // The main view shows the committed picture (the right half at the view's right edge).
        const QImage &view = t.image("mainImage")->canvas();
        const rectangle r = t.probe().mainViewRect();
        QCOMPARE(rgbOf(view.pixel(r.right, (r.top + r.bottom) / 2)), sepiaOf(qRgb(200, 100, 50)));
        // So does the slot's thumbnail.
        const QImage &thumb = t.image("editingSampleImage1")->canvas();
        QCOMPARE(rgbOf(thumb.pixel(5, 35)), qRgb(30, 10, 0) & 0xFFFFFF);

        t.click("undoButton");
        QCOMPARE(d->undoCount, 0);
        QVERIFY(d->unchanged);
        QCOMPARE(rgbOf(d->bitmap.pixel(0, 0)), 0u);
        QCOMPARE(rgbOf(d->bitmap.pixel(7, 5)), qRgb(200, 100, 50) & 0xFFFFFF);

        t.click("executeButton");
        t.click("saveSpeedButton");
        QCOMPARE(t.dialogs.count("modal"), 0); // a BMP asks for no quality
        QCOMPARE(t.dialogs.count("error"), 0);
        QCOMPARE(QDir(scratch.folder).entryList(QDir::Files), QStringList{"p.bmp"}); // in place
        QCOMPARE(d->undoCount, 0);
        QVERIFY(d->unchanged);
        QVERIFY(snapshotFiles().isEmpty());

        t.click("theEndButton");
        t.open(path);
        QCOMPARE(t.probe().editingCount(), 1);
        QCOMPARE(t.probe().currentIndex(), 0);
        const QImage &again = t.current()->bitmap;
        QCOMPARE(again.size(), QSize(8, 6));
        QCOMPARE(rgbOf(again.pixel(1, 1)), qRgb(30, 10, 0) & 0xFFFFFF);
        QCOMPARE(rgbOf(again.pixel(6, 4)), sepiaOf(qRgb(200, 100, 50)));
        QCOMPARE(t.dialogs.unexpected, 0);
    }

    void fivePicturesAtMostAndNoDuplicates()
    {
        windowUnderTest t;
        for (int i = 1; i <= 5; ++i) {
            const QString path = picturePath(QString("p%1.bmp").arg(i));
            QVERIFY(writePicture(path, filledPicture(10, 10, qRgb(40 * i, 0, 0))));
            if (i == 2) {
                t.open(picturePath("p1.bmp")); // already open
                QCOMPARE(t.dialogs.log.last().kind, QString("message"));
                QCOMPARE(t.dialogs.log.last().text, QStringLiteral("すでにこの名称のファイルは開いています。"));
                QCOMPARE(t.dialogs.log.last().title, QStringLiteral("メッセージ"));
                QCOMPARE(t.probe().editingCount(), 1);
            }
            t.open(path);
            QCOMPARE(t.probe().editingCount(), i);
            QCOMPARE(t.probe().currentIndex(), i - 1);
        }
        t.dialogs.clearLog();
        t.click("fileOpenButton");
        QCOMPARE(t.dialogs.log.size(), 1); // the message only: no file dialog at the limit
        QCOMPARE(t.dialogs.log.first().kind, QString("message"));
        QCOMPARE(t.dialogs.log.first().text, QStringLiteral("最大編集ファイル数を超えました。"));
        QCOMPARE(t.dialogs.log.first().title, QStringLiteral("メッセージ"));
        QCOMPARE(t.probe().editingCount(), 5);
        for (int i = 0; i < 5; ++i) QCOMPARE(t.document(i)->name, QString("p%1.bmp").arg(i + 1));
    }

    void aFailedOpenLeavesTheListAsItWas()
    {
        const QString good = picturePath("good.bmp");
        const QString bad = picturePath("bad.jpg");
        QVERIFY(writePicture(good, filledPicture(30, 20, qRgb(0, 128, 255))));
        QVERIFY(writeBytes(bad, QByteArray("\xFF\xD8\xFF\xE0 this is not really a JPEG", 31)));
        windowUnderTest t;
        t.open(good);
        const QImage viewBefore = t.image("mainImage")->canvas().copy();
        const QString titleBefore = t.window->windowTitle();

        t.open(bad);
        QCOMPARE(t.dialogs.count("error"), 1);
        QVERIFY(!t.dialogs.entries("error").first().text.isEmpty());
        QCOMPARE(t.probe().editingCount(), 1);
        QCOMPARE(t.probe().currentIndex(), 0);
        QVERIFY(t.probe().slot(1).isEmpty);
        QCOMPARE(t.text("editingFileStaticText2"), QString());
        QCOMPARE(t.image("mainImage")->canvas(), viewBefore);
        QCOMPARE(t.window->windowTitle(), titleBefore);

        // The list still works: the next picture goes into slot 1.
        t.open(good + ".bmp");
        QCOMPARE(t.dialogs.count("error"), 2); // missing file
        QVERIFY(writePicture(picturePath("second.bmp"), filledPicture(4, 4, qRgb(1, 2, 3))));
        t.open(picturePath("second.bmp"));
        QCOMPARE(t.probe().editingCount(), 2);
        QCOMPARE(t.document(1)->name, QString("second.bmp"));
    }

    // Small files claiming huge pictures are refused before their memory is taken, with the
    // override named; the list stays as it was.
    void aSmallFileClaimingAHugePictureIsRefusedWithTheOverrideNamed()
    {
        const QString png = picturePath("scan.png"), webp = picturePath("canvas.webp");
        QVERIFY(writeBytes(png, pngOfZeros(20000, 20000, 1, 0, false)));
        QVERIFY(writeBytes(webp, webpAnimationCanvas(16383, 16383)));
        windowUnderTest t;
        for (const QString &name : {png, webp})
            t.open(name);
        QCOMPARE(t.dialogs.count("error"), 2);
        for (const auto &entry : t.dialogs.entries("error"))
            QVERIFY2(entry.text.contains("KORVIA_MEMORY_LIMIT"), qPrintable(entry.text));
        QCOMPARE(t.probe().editingCount(), 0);
    }

    void aNameOfNoKnownTypeIsRefusedAndTheListKept()
    {
        const QString good = picturePath("good.bmp");
        QVERIFY(writePicture(good, filledPicture(30, 20, qRgb(0, 128, 255))));
        const QString mixedCase = picturePath("photo.Jpg"), other = picturePath("x.dat");
        QVERIFY(writeBytes(mixedCase, encodeJpeg(filledPicture(8, 8, qRgb(1, 2, 3)), 90)));
        QVERIFY(writeBytes(other, "not a picture at all"));
        windowUnderTest t;
        t.open(good);
        const QString titleBefore = t.window->windowTitle();
        for (const QString &path : {mixedCase, other}) {
            t.open(path);
            const QString said = t.dialogs.entries("error").last().text;
            QVERIFY2(said.contains(extractFileName(path)), qPrintable(said));
            for (const char *ext : {".jpg", ".jpeg", ".JPG", ".JPEG", ".bmp", ".BMP"})
                QVERIFY2(said.contains(QLatin1String(ext)), qPrintable(said));
            QCOMPARE(t.probe().editingCount(), 1);
            QCOMPARE(t.probe().currentIndex(), 0);
            QVERIFY(t.probe().slot(1).isEmpty);
            QCOMPARE(t.window->windowTitle(), titleBefore);
        }
        QCOMPARE(t.dialogs.count("error"), 2);
        QCOMPARE(readBytes(other), QByteArray("not a picture at all"));
    }

    void commandsWithoutAPictureDoNothing()
    {
        windowUnderTest t;
        t.click("undoButton");
        t.click("undoSpeedButton");
        t.click("renameSaveSpeedButton");
        t.click("saveSpeedButton");
        t.click("theEndButton");
        t.click("executeButton");
        t.click("printSpeedButton");
        t.click("editChangeButton3");
        t.click("editCloseButton1");
        QCOMPARE(t.dialogs.log.size(), 0);
        QCOMPARE(t.probe().editingCount(), 0);
        QCOMPARE(t.probe().currentIndex(), -1);
        QCOMPARE(t.window->windowTitle(), QString("Korvia"));
        QVERIFY(allWhite(t.image("mainImage")->canvas()));
    }

    void openingReadsTheCameraRecord()
    {
        const QString path = picturePath("camera.jpg");
        QVERIFY(writeBytes(path, jpegWithCameraRecord(filledPicture(16, 8, qRgb(120, 130, 140)))));
        windowUnderTest t;
        t.open(path);
        QCOMPARE(t.dialogs.count("error"), 0);
        QCOMPARE(t.current()->bitmap.size(), QSize(16, 8));
        QCOMPARE(t.current()->fileType, 1);
        QCOMPARE(t.text("makerNameStaticText"), QString("Korvia Cam"));
        QCOMPARE(t.text("modelNameStaticText"), QString("K-1 Mark"));
        QCOMPARE(t.text("fileNameStaticText"), QString("camera.jpg"));
        // The record describes the file as opened, whatever is done to the picture later.
        t.selectSepia();
        t.click("executeButton");
        QCOMPARE(t.text("makerNameStaticText"), QString("Korvia Cam"));
        // Saved in place, the file keeps the record: reopened, the page shows it again.
        t.click("saveSpeedButton");
        QCOMPARE(t.dialogs.count("error"), 0);
        exifReader saved;
        saved.readExif(path);
        QCOMPARE(saved.makerName, QString("Korvia Cam"));
        QCOMPARE(saved.modelName, QString("K-1 Mark"));
    }

    void aColourCommitKeepsTheMainLayout()
    {
        const QString path = picturePath("layout.bmp");
        QVERIFY(writePicture(path, halvesPicture()));
        windowUnderTest t;
        t.open(path);
        const qint64 canvasKey = t.probe().mainViewCanvas().cacheKey();
        const QSize viewSize = t.probe().mainViewBitmap().size();
        const rectangle before = t.probe().mainViewRect();
        t.selectSepia();
        imageControl *sample = t.image("sampleImage");
        const QImage sampleBefore = sample->canvas().copy();
        t.click("executeButton");
        QCOMPARE(t.probe().mainViewCanvas().cacheKey(), canvasKey); // no new layout
        QCOMPARE(t.probe().mainViewBitmap().size(), viewSize);
        QCOMPARE(t.probe().mainViewRect().left, before.left);
        QCOMPARE(t.probe().mainViewRect().top, before.top);
        QCOMPARE(rgbOf(t.probe().mainViewBitmap().pixel(0, 0)), qRgb(30, 10, 0) & 0xFFFFFF);
        QCOMPARE(sample->canvas(), sampleBefore); // the sample keeps the last preview
        t.dialogs.questionAnswers = {false};
    }

    void undoRedrawsAndPreviewsEvenWithNothingToUndo()
    {
        const QString path = picturePath("fresh.bmp");
        QVERIFY(writePicture(path, filledPicture(40, 20, qRgb(0, 90, 180))));
        windowUnderTest t;
        t.open(path);
        imageControl *view = t.image("mainImage");
        imageControl *sample = t.image("sampleImage");
        view->fill(qRgb(0, 0, 0));
        sample->fill(qRgb(0, 0, 0));
        t.click("undoSpeedButton");
        QCOMPARE(t.current()->undoCount, 0);
        QCOMPARE(view->canvas().pixel(view->width() / 2, view->height() / 2), qRgb(0, 90, 180));
        QCOMPARE(view->canvas().pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(sample->canvas().pixel(102, 102), qRgb(0, 90, 180));
        QCOMPARE(sample->canvas().pixel(102, 2), qRgb(255, 255, 255));

        // Two executes and one undo leave a snapshot: closing asks.
        t.selectSepia();
        t.click("executeButton");
        t.click("executeButton");
        t.click("undoButton");
        QCOMPARE(t.current()->undoCount, 1);
        QVERIFY(!t.current()->unchanged);
        t.dialogs.questionAnswers = {false};
        t.click("theEndButton");
        QCOMPARE(t.dialogs.count("question"), 1);
        QCOMPARE(t.probe().editingCount(), 0);
    }

    void captionAndInformationFollowOpenSaveAsAndClose()
    {
        const QString path = picturePath("first.bmp");
        QVERIFY(writePicture(path, filledPicture(8, 6, qRgb(10, 20, 30))));
        QVERIFY(writePicture(picturePath("second.bmp"), filledPicture(3, 2, qRgb(1, 2, 3))));
        windowUnderTest t;
        QCOMPARE(t.window->windowTitle(), QString("Korvia"));
        t.open(path);
        QCOMPARE(t.window->windowTitle(), QString("first.bmp"));
        QCOMPARE(t.text("widthStaticText"), QString("8  pixel"));
        QCOMPARE(t.text("heightStaticText"), QString("6  pixel"));
        QCOMPARE(t.text("pixelsStaticText"), QString("48  pixel"));
        QCOMPARE(t.text("fileNameStaticText"), QString("first.bmp"));
        QCOMPARE(t.text("makerNameStaticText"), QString()); // a BMP has no camera record

        t.selectSepia();
        t.click("executeButton");
        t.dialogs.saveFile(picturePath("holiday.2009.txt"), 2);
        t.click("renameSaveSpeedButton");
        QCOMPARE(t.dialogs.count("error"), 0);
        QVERIFY(QFile::exists(picturePath("holiday.2009.BMP")));
        QVERIFY(QFile::exists(path)); // saving under a new name keeps the old file
        QCOMPARE(t.window->windowTitle(), QString("holiday.2009.BMP"));
        QCOMPARE(t.text("fileNameStaticText"), QString("holiday.2009.BMP"));
        QCOMPARE(t.text("editingFileStaticText1"), QString("holiday.2009.BMP"));
        QCOMPARE(t.current()->path, picturePath("holiday.2009.BMP"));
        QCOMPARE(t.current()->fileType, 2);
        QCOMPARE(t.current()->undoCount, 0);
        QVERIFY(t.current()->unchanged);

        // Onto an existing file, answering No: nothing written, history kept.
        t.click("executeButton");
        const QByteArray saved = readBytes(picturePath("holiday.2009.BMP"));
        t.dialogs.saveFile(picturePath("holiday.2009.text"), 2);
        t.dialogs.questionAnswers = {false};
        t.click("renameSaveSpeedButton");
        QCOMPARE(t.dialogs.entries("question").last().text,
                 QStringLiteral("ファイルは存在します。上書きしますか? ") + picturePath("holiday.2009.BMP"));
        QCOMPARE(readBytes(picturePath("holiday.2009.BMP")), saved);
        QCOMPARE(t.current()->undoCount, 1);
        t.click("undoButton");

        t.open(picturePath("second.bmp"));
        QCOMPARE(t.window->windowTitle(), QString("second.bmp"));
        QCOMPARE(t.text("pixelsStaticText"), QString("6  pixel"));
        t.click("theEndButton");
        QCOMPARE(t.window->windowTitle(), QString("holiday.2009.BMP"));
        QCOMPARE(t.text("widthStaticText"), QString("8  pixel"));
        t.click("theEndButton");
        QCOMPARE(t.probe().editingCount(), 0);
        QCOMPARE(t.window->windowTitle(), QString("Korvia")); // the closed picture is not named
        QCOMPARE(t.text("fileNameStaticText"), QString());
        QCOMPARE(t.dialogs.unexpected, 0);
    }
};

QTEST_MAIN(testMainFormFiles)
#include "test_mainform_files.moc"
