// The file commands with the formats beyond JPEG and BMP: a PNG saved in place stays a PNG with no
// quality asked, a WebP saved under a new name asks the quality, and a HEIC (read only) saved in
// place goes beside the original as JPEG, the original untouched and the user told; the picture
// information page shows the HEIC's camera record.
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
};

QTEST_MAIN(testMainFormFormats)
#include "test_mainform_formats.moc"
