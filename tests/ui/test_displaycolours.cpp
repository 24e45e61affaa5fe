// Display colours in the window: a picture with an Adobe RGB profile is shown converted to sRGB in
// the main view, the sample view, its thumbnail, the print preview and on the printed page, while
// its own pixels stay as decoded and the profile goes back into the saved file; a picture without a
// profile is shown byte for byte; a broken profile opens with a note on the information page.
#include "test_mainform_support.h"

#include <QScrollArea>

#include "colour/displaycolour.h"
#include "colour/testprofiles.h"
#include "ui/print/printform.h"

using namespace testing_support;
using namespace test_profiles;

namespace {

// A printer that keeps the picture it was given to print.
class keepingPrinter : public printDevice {
public:
    QImage printed;
    deviceCapabilities capabilities() const override { return {1800, 3800, 100, 100, 2000, 4000, 300, 300}; }
    int copyCount() const override { return 1; }
    void setCopyCount(int) override {}
    bool isLandscape() const override { return false; }
    void setLandscape(bool) override {}
    void setDocumentName(const QString &) override {}
    QString name() override { return QStringLiteral("keeping printer"); }
    std::unique_ptr<QDialog> setupDialog(QWidget *) override { return nullptr; }
    QString printPicture(const QImage &picture, const rectangle &, const progressIndicator &) override
    {
        printed = picture.copy();
        return {};
    }
};

QRgb centreOf(const QImage &picture)
{
    return rgbOf(picture.pixel(picture.width() / 2, picture.height() / 2));
}

// A colour as the views should show it for the profile: converted to sRGB by the engine.
QRgb shownColour(const QByteArray &profile, QRgb colour)
{
    const std::shared_ptr<const displayTransform> transform = displayColoursFor(profile).transform;
    return transform ? centreOf(transform->applied(filledPicture(1, 1, colour))) : colour;
}

// Within one step of each channel (the engine's sums round a little differently from LittleCMS).
bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) <= 1 && qAbs(qGreen(a) - qGreen(b)) <= 1 && qAbs(qBlue(a) - qBlue(b)) <= 1;
}

} // namespace

class testDisplayColours : public QObject {
    Q_OBJECT
    scratchFolders scratch;

private slots:
    void initTestCase() { QVERIFY(scratch.start()); }
    void init() { QVERIFY(scratch.enterTest()); }

    void everyViewShowsTheProfilesColoursInSrgb_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::newRow("Adobe RGB") << adobeRgbProfile();
        QTest::newRow("no profile") << QByteArray();
    }
    void everyViewShowsTheProfilesColoursInSrgb()
    {
        QFETCH(QByteArray, profile);
        // A mid green: inside both spaces, far more saturated in sRGB. (The full Adobe RGB green
        // lies outside sRGB and is clipped to sRGB's own full green, the same bytes.)
        const QString row = scratch.folder + "/" + QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(row));
        const QString path = row + "/green.jpg";
        const QByteArray file = jpegWith(filledPicture(120, 80, qRgb(100, 200, 100)),
                                         profile.isEmpty() ? std::vector<metadataSegment>() : iccChunks(profile));
        QVERIFY(writeBytes(path, file));

        windowUnderTest t;
        auto printer = std::make_unique<keepingPrinter>();
        keepingPrinter *keeping = printer.get();
        t.probe().printWindow()->printer = std::move(printer);
        t.open(path);
        QCOMPARE(t.probe().editingCount(), 1);

        // The picture keeps the decoded bytes; only what is shown is converted.
        const QImage decoded = decodeJpeg(file);
        QCOMPARE(t.current()->bitmap, decoded);
        const QRgb own = centreOf(decoded);
        const QRgb shown = shownColour(profile, own);
        if (!profile.isEmpty()) {
            QVERIFY(near(shown, srgbOf(profile, own)));
            const int difference = qAbs(qRed(shown) - qRed(own)) + qAbs(qGreen(shown) - qGreen(own))
                                 + qAbs(qBlue(shown) - qBlue(own));
            QVERIFY2(difference >= 20, qPrintable(QString::number(shown, 16)));
        }
        QCOMPARE(centreOf(t.probe().mainViewBitmap()), own);
        QCOMPARE(centreOf(t.image("mainImage")->canvas()), shown);
        QCOMPARE(centreOf(t.image("sampleImage")->canvas()), shown);
        QCOMPARE(centreOf(t.image("editingSampleImage1")->canvas()), shown);

        // A preview in the picture's space (sepia) is shown converted as well.
        t.selectSepia();
        QImage sepia = t.current()->bitmap.copy();
        colorFilter filter = t.probe().filter();
        filter.runOnBitmap(sepia);
        const QRgb sepiaShown = shownColour(profile, centreOf(sepia));
        QCOMPARE(centreOf(t.image("sampleImage")->canvas()), sepiaShown);
        QCOMPARE(t.current()->bitmap, decoded);

        // The print preview and the printed page.
        QRgb preview = 0;
        t.dialogs.modalAnswers.append([&](QDialog *d) {
            auto *w = qobject_cast<TprintWindow *>(d);
            const rectangle &r = w->placement.rect;
            preview = rgbOf(w->printImage->canvas().pixel((r.left + r.right) / 2, (r.top + r.bottom) / 2));
            w->printExecuteSpeedButtonClick();
            return w->result();
        });
        t.click("printSpeedButton");
        QCOMPARE(preview, shown);
        QCOMPARE(centreOf(keeping->printed), shown);
        QCOMPARE(t.current()->bitmap, decoded);

        // The profile goes back into the saved file.
        const QString saved = row + "/saved.jpeg";
        t.dialogs.saveFile(saved, 1);
        t.click("renameSaveSpeedButton");
        pictureMetadata written;
        QImage reread;
        loadImageFile(reread, saved, &written);
        QCOMPARE(written.iccProfile(), profile);
        QCOMPARE(t.dialogs.unexpected, 0);
    }

    void aBrokenProfileOpensWithANoteOnTheInformationPage()
    {
        const QString path = scratch.folder + "/broken.jpg";
        const QByteArray file = jpegWith(filledPicture(60, 40, qRgb(10, 200, 90)), iccChunks(QByteArray(500, '\x7F')));
        QVERIFY(writeBytes(path, file));
        windowUnderTest t;
        t.open(path);
        QCOMPARE(t.probe().editingCount(), 1);
        QCOMPARE(t.dialogs.count("message") + t.dialogs.count("error"), 0);
        QVERIFY2(t.text("colourProfileStaticText").contains(QStringLiteral("無視")),
                 qPrintable(t.text("colourProfileStaticText")));
        // A save leaves the profile out, and the page says so where it can be read.
        QVERIFY2(t.text("leftOutMetadataStaticText").contains(QStringLiteral("ICC")), qPrintable(t.text("leftOutMetadataStaticText")));
        auto *note = t.window->findChild<QLabel *>(QStringLiteral("leftOutMetadataStaticText"));
        auto *area = t.window->findChild<QScrollArea *>(QStringLiteral("imageInformationScrollArea"));
        QVERIFY(note && area);
        for (QWidget *w = area; w; w = w->parentWidget()) // every tab on the way to the page shown
            if (auto *tabs = w->parentWidget() ? qobject_cast<QTabWidget *>(w->parentWidget()->parentWidget()) : nullptr)
                tabs->setCurrentWidget(w);
        QApplication::processEvents();
        area->ensureWidgetVisible(note);
        QApplication::processEvents();
        QVERIFY2(note->visibleRegion().boundingRect().height() >= 16, qPrintable(QString::number(note->visibleRegion().boundingRect().height())));
        QVERIFY2(note->mapTo(area, QPoint(note->width(), 0)).x() <= area->viewport()->width() + 2,
                 qPrintable(QStringLiteral("%1 > %2").arg(note->mapTo(area, QPoint(note->width(), 0)).x()).arg(area->viewport()->width())));
        QCOMPARE(centreOf(t.image("mainImage")->canvas()), centreOf(t.current()->bitmap));
    }
};

QTEST_MAIN(testDisplayColours)
#include "test_displaycolours.moc"
