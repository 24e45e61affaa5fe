// The file commands with the formats beyond JPEG and BMP: a PNG saved in place stays a PNG with no
// quality asked, a WebP saved under a new name asks the quality, and a HEIC (read only) saved in
// place goes beside the original as JPEG, the original untouched and the user told; the picture
// information page shows the HEIC's camera record; a JPEG XL opens and saves in place and under a
// new name.
#include "test_mainform_support.h"

#include "imagedata/picturesignature.h"

#include <QProcess>

using namespace testing_support;

class testMainFormFormats : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    QString picturePath(const QString &name) const { return scratch.folder + "/" + name; }

private slots:
    void initTestCase() { QVERIFY(scratch.start()); }
    void init() { QVERIFY(scratch.enterTest()); }
    void cleanup() { QVERIFY(snapshotFiles().isEmpty()); }

    void pngInPlaceWebpUnderANewNameHeicBesideAsJpeg()
    {
        const QImage picture = filledPicture(12, 8, qRgb(200, 100, 50));
        const QString png = picturePath("photo.png");
        QVERIFY(picture.save(png));
        windowUnderTest t;
        t.open(png);
        QCOMPARE(t.current()->fileType, int(pngPicture));
        t.selectSepia();
        t.click("executeButton");
        t.click("saveSpeedButton");
        QCOMPARE(t.dialogs.count("modal"), 0); // lossless: no quality
        QCOMPARE(t.dialogs.count("error"), 0);
        QImage back;
        QCOMPARE(loadImageFile(back, png), int(pngPicture));
        QCOMPARE(back, t.current()->bitmap);

        t.dialogs.saveFile(picturePath("copy"), int(webpPicture));
        t.click("renameSaveSpeedButton");
        QCOMPARE(t.dialogs.count("modal"), 1);
        QCOMPARE(t.current()->path, picturePath("copy.webp"));
        QCOMPARE(loadImageFile(back, picturePath("copy.webp")), int(webpPicture));

        const QString heic = picturePath("camera.heic");
        QCOMPARE(QProcess::execute("heif-enc", {"-q", "90", png, "-o", heic}), 0);
        QCOMPARE(QProcess::execute("exiftool", {"-q", "-overwrite_original", "-EXIF:Make=KorviaCam", heic}), 0);
        const QByteArray original = readBytes(heic);
        t.open(heic);
        QCOMPARE(t.current()->fileType, int(heifPicture));
        QCOMPARE(t.text("makerNameStaticText"), QString("KorviaCam"));
        t.click("executeButton");
        t.click("saveSpeedButton");
        QCOMPARE(t.dialogs.count("modal"), 2);
        QCOMPARE(readBytes(heic), original);
        const QString jpeg = picturePath("camera.jpeg");
        QCOMPARE(loadImageFile(back, jpeg), 1);
        QCOMPARE(t.current()->path, jpeg);
        QCOMPARE(t.current()->fileType, 1);
        QCOMPARE(t.dialogs.count("message"), 1);
        QVERIFY(t.dialogs.entries("message").first().text.contains("camera.jpeg"));
        QCOMPARE(t.dialogs.count("error"), 0);
        QCOMPARE(t.dialogs.unexpected, 0);
    }

    // JPEG XL files from cjxl (lossy, lossless, a JPEG recompressed with its record) open; saved in
    // place one asks the quality and stays JPEG XL, and the save dialog's JPEG XL filter writes a
    // .jxl under a new name.
    void jxlFromCjxlOpensAndSaves_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("lossy") << "source.png" << QStringList{"-q", "80"};
        QTest::newRow("lossless") << "source.png" << QStringList{"-d", "0"};
        QTest::newRow("recompressed JPEG") << "source.jpg" << QStringList{"--lossless_jpeg=1"};
    }
    void jxlFromCjxlOpensAndSaves()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, options);
        const QString original = picturePath(source), jxl = picturePath("photo.jxl");
        const QImage picture = filledPicture(12, 8, qRgb(30, 160, 90));
        QVERIFY(picture.save(original));
        QCOMPARE(QProcess::execute("exiftool", {"-q", "-overwrite_original", "-EXIF:Make=KorviaCam", original}), 0);
        QCOMPARE(QProcess::execute("cjxl", options + QStringList{original, jxl}), 0);
        windowUnderTest t;
        t.open(jxl);
        QCOMPARE(t.current()->fileType, int(jxlPicture));
        QCOMPARE(t.current()->bitmap.size(), picture.size());
        if (options.contains("-d")) QCOMPARE(t.current()->bitmap, picture);
        if (source.endsWith(".jpg")) QCOMPARE(t.text("makerNameStaticText"), QString("KorviaCam"));
        t.selectSepia();
        t.click("executeButton");
        t.click("saveSpeedButton");
        QCOMPARE(t.dialogs.count("modal"), 1); // the quality
        QImage back;
        QCOMPARE(loadImageFile(back, jxl), int(jxlPicture));
        QCOMPARE(back, t.current()->bitmap); // quality 100: lossless

        t.dialogs.saveFile(picturePath("copy"), saveFilterOfType(jxlPicture));
        t.click("renameSaveSpeedButton");
        QCOMPARE(t.dialogs.count("modal"), 2);
        QCOMPARE(t.current()->path, picturePath("copy.jxl"));
        QCOMPARE(t.current()->fileType, int(jxlPicture));
        QCOMPARE(loadImageFile(back, picturePath("copy.jxl")), int(jxlPicture));
        QCOMPARE(t.dialogs.count("error"), 0);
        QCOMPARE(t.dialogs.unexpected, 0);
        QFile::remove(picturePath("copy.jxl"));
    }
};

QTEST_MAIN(testMainFormFormats)
#include "test_mainform_formats.moc"
