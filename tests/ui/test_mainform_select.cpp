// Selecting and closing pictures, and closing the window with pictures open.
#include "test_mainform_support.h"

using namespace testing_support;

namespace {
const QString changedPrompt = QStringLiteral("画像は変更されています。保存しますか？");
const QRgb colours[] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200), qRgb(200, 200, 0),
                        qRgb(0, 200, 200)};
} // namespace

class testMainFormSelect : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    QString picturePath(int i) const { return scratch.folder + QString("/P%1.bmp").arg(i); }

    void openPictures(windowUnderTest &t, int count)
    {
        for (int i = 1; i <= count; ++i) {
            QVERIFY(writePicture(picturePath(i), filledPicture(40, 20, colours[i - 1])));
            t.open(picturePath(i));
        }
        QCOMPARE(t.probe().editingCount(), count);
    }
    // The colour at the centre of the main view.
    static QRgb shownColour(const windowUnderTest &t)
    {
        const rectangle r = t.probe().mainViewRect();
        return t.image("mainImage")->canvas().pixel((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.start());
    }
    void init()
    {
        QVERIFY(scratch.enterTest());
    }

    void selectingShowsThePicture()
    {
        windowUnderTest t;
        openPictures(t, 3);
        QCOMPARE(shownColour(t), colours[2]);
        t.click("editChangeButton1");
        QCOMPARE(t.probe().currentIndex(), 0);
        QCOMPARE(shownColour(t), colours[0]);
        QCOMPARE(t.window->windowTitle(), QString("P1.bmp"));
        // The sample view shows the new current picture too.
        const QImage &sample = t.image("sampleImage")->canvas();
        QCOMPARE(sample.pixel(102, 102), colours[0]);
        t.click("editChangeButton5"); // an empty slot: nothing happens
        QCOMPARE(t.probe().currentIndex(), 0);
        t.click("editChangeButton3");
        QCOMPARE(t.probe().currentIndex(), 2);
        QCOMPARE(shownColour(t), colours[2]);
    }

    void closingAnEarlierPictureKeepsTheCurrentOne()
    {
        windowUnderTest t;
        openPictures(t, 4);
        t.click("editChangeButton3"); // P3 current
        QCOMPARE(t.probe().currentIndex(), 2);
        t.click("editCloseButton2"); // close P2
        QCOMPARE(t.dialogs.count("question"), 0);
        QCOMPARE(t.probe().editingCount(), 3);
        QCOMPARE(t.probe().currentIndex(), 1);
        QCOMPARE(t.document(0)->name, QString("P1.bmp"));
        QCOMPARE(t.document(1)->name, QString("P3.bmp"));
        QCOMPARE(t.document(2)->name, QString("P4.bmp"));
        QVERIFY(t.probe().slot(3).isEmpty);
        QCOMPARE(t.text("editingFileStaticText2"), QString("P3.bmp"));
        QCOMPARE(t.text("editingFileStaticText4"), QString());
        QCOMPARE(t.text("imageWidthStaticText4"), QString());
        QVERIFY(allWhite(t.image("editingSampleImage4")->canvas()));
        QCOMPARE(t.image("editingSampleImage2")->canvas().pixel(35, 35), colours[2]);
        QCOMPARE(shownColour(t), colours[2]);
        QCOMPARE(t.window->windowTitle(), QString("P3.bmp"));
    }

    void closingTheCurrentPicture()
    {
        windowUnderTest t;
        openPictures(t, 3); // P3 current
        t.click("theEndButton");
        QCOMPARE(t.probe().editingCount(), 2);
        QCOMPARE(t.probe().currentIndex(), 1); // the new last picture
        QCOMPARE(t.current()->name, QString("P2.bmp"));
        QCOMPARE(shownColour(t), colours[1]);
        t.click("editChangeButton1");
        t.click("theEndButton"); // P1 current and closed: P2 moves up into its slot
        QCOMPARE(t.probe().currentIndex(), 0);
        QCOMPARE(t.current()->name, QString("P2.bmp"));
        t.click("editCloseButton1");
        QCOMPARE(t.probe().editingCount(), 0);
        QCOMPARE(t.probe().currentIndex(), -1);
        for (int i = 0; i < 5; ++i) QVERIFY(t.probe().slot(i).isEmpty);
        QVERIFY(allWhite(t.image("mainImage")->canvas()));
        QVERIFY(allWhite(t.image("sampleImage")->canvas()));
        QVERIFY(allWhite(t.image("editingSampleImage1")->canvas()));
    }

    void closingTheFirstPictureKeepsTheLastOneCurrent()
    {
        windowUnderTest t;
        openPictures(t, 3); // P3 current at index 2
        t.click("editCloseButton1");
        QCOMPARE(t.probe().editingCount(), 2);
        QCOMPARE(t.probe().currentIndex(), 1);
        QCOMPARE(t.current()->name, QString("P3.bmp"));
        QCOMPARE(t.document(0)->name, QString("P2.bmp"));
        QCOMPARE(t.image("editingSampleImage1")->canvas().pixel(35, 35), colours[1]);
        QCOMPARE(t.image("editingSampleImage2")->canvas().pixel(35, 35), colours[2]);
        QVERIFY(allWhite(t.image("editingSampleImage3")->canvas()));
        QCOMPARE(t.text("imageWidthStaticText2"), QString("40"));
        QCOMPARE(t.text("imageHeightStaticText2"), QString("20"));
        QCOMPARE(shownColour(t), colours[2]);
        // The fifth slot's close button (editCloseButton15) closes the fifth picture.
        for (int i = 4; i <= 6; ++i) {
            QVERIFY(writePicture(scratch.folder + QString("/Q%1.bmp").arg(i), filledPicture(8, 8, colours[i - 2])));
            t.open(scratch.folder + QString("/Q%1.bmp").arg(i));
        }
        QCOMPARE(t.probe().editingCount(), 5);
        t.click("editChangeButton2");
        t.click("editCloseButton15");
        QCOMPARE(t.probe().editingCount(), 4);
        QCOMPARE(t.probe().currentIndex(), 1);
        QCOMPARE(t.document(3)->name, QString("Q5.bmp"));
        QVERIFY(t.probe().slot(4).isEmpty);
    }

    void selectingTheCurrentPictureRedisplaysIt()
    {
        windowUnderTest t;
        openPictures(t, 2);
        imageControl *view = t.image("mainImage");
        imageControl *sample = t.image("sampleImage");
        view->fill(qRgb(0, 0, 0));
        sample->fill(qRgb(0, 0, 0));
        t.click("editChangeButton2");
        QCOMPARE(t.probe().currentIndex(), 1);
        QCOMPARE(shownColour(t), colours[1]);
        QCOMPARE(view->canvas().pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(sample->canvas().pixel(102, 102), colours[1]);
        QCOMPARE(sample->canvas().pixel(102, 2), qRgb(255, 255, 255));
        // Control positions belong to the window, not to a picture.
        t.bar("mosaicTrackBar")->setValue(37);
        t.click("editChangeButton1");
        QCOMPARE(t.bar("mosaicTrackBar")->value(), 37);
        QCOMPARE(t.text("mosaicStaticText"), QString("37"));
        QCOMPARE(t.dialogs.count("message") + t.dialogs.count("question"), 0);
    }

    void theWindowAsksAboutSlotZeroEachTime()
    {
        QByteArray before[4];
        {
            windowUnderTest t;
            openPictures(t, 3);
            for (int i = 1; i <= 3; ++i) before[i] = readBytes(picturePath(i));
            for (int slot = 1; slot <= 3; ++slot) {
                t.click(QString("editChangeButton%1").arg(slot).toLatin1().constData());
                t.click("executeButton");
            }
            // No, Yes, No: the second question is about P2, by then in slot 0.
            t.dialogs.questionAnswers = {false, true, false};
            QVERIFY(t.window->close());
            QCOMPARE(t.dialogs.count("question"), 3);
        }
        QCOMPARE(readBytes(picturePath(1)), before[1]);
        QVERIFY(readBytes(picturePath(2)) != before[2]); // saved in place, under its own name
        QCOMPARE(readBytes(picturePath(3)), before[3]);
        QCOMPARE(QDir(scratch.folder).entryList(QDir::Files).size(), 3);
        QVERIFY(snapshotFiles().isEmpty());
    }

    void closingTheWindowOffersEveryChangedPictureInSlotOrder()
    {
        QByteArray before[4];
        {
            windowUnderTest t;
            openPictures(t, 3);
            for (int i = 1; i <= 3; ++i) before[i] = readBytes(picturePath(i));
            for (int slot = 1; slot <= 3; ++slot) {
                t.click(QString("editChangeButton%1").arg(slot).toLatin1().constData());
                t.click("executeButton");
                QCOMPARE(t.current()->undoCount, 1);
            }
            QCOMPARE(snapshotFiles().size(), 3);
            t.dialogs.clearLog();
            // Yes for the first question only: the picture then in slot 0 is the one saved.
            t.dialogs.questionAnswers = {true, false, false};
            QVERIFY(t.window->close());
            const auto questions = t.dialogs.entries("question");
            QCOMPARE(questions.size(), 3);
            for (const auto &q : questions) {
                QCOMPARE(q.text, changedPrompt);
                QCOMPARE(q.title, QString());
            }
            QCOMPARE(t.probe().editingCount(), 0);
            QCOMPARE(t.dialogs.unexpected, 0);
            t.window.reset();
            QCOMPARE(t.dialogs.count("question"), 3); // nothing asked twice
        }
        QVERIFY(readBytes(picturePath(1)) != before[1]);
        QCOMPARE(readBytes(picturePath(2)), before[2]);
        QCOMPARE(readBytes(picturePath(3)), before[3]);
        QCOMPARE(QDir(scratch.folder).entryList(QDir::Files).size(), 3);
        QVERIFY(snapshotFiles().isEmpty());
    }

    void aPromptLeftUnansweredKeepsThePicture_data()
    {
        QTest::addColumn<QString>("closer"); // the button clicked, or the window's close
        QTest::newRow("ファイルを閉じる") << "theEndButton";
        QTest::newRow("the slot's close") << "editCloseButton1";
        QTest::newRow("quitting") << "";
    }

    void aPromptLeftUnansweredKeepsThePicture()
    {
        // Escape or the box's close button: nothing is discarded without an explicit いいえ.
        QFETCH(QString, closer);
        windowUnderTest t;
        openPictures(t, 2);
        t.click("editChangeButton1");
        t.click("executeButton");
        const QImage changed = t.current()->bitmap;
        t.dialogs.replies = {dialogService::reply::cancel};
        if (closer.isEmpty())
            QVERIFY(!t.window->close());
        else
            t.click(closer.toLatin1().constData());
        const imageDocument *first = t.document(0);
        QCOMPARE(QString("%1 open, %2 with %3 step, %4 asked")
                     .arg(t.probe().editingCount())
                     .arg(first->name)
                     .arg(first->undoCount)
                     .arg(t.dialogs.count("question")),
                 QString("2 open, P1.bmp with 1 step, 1 asked"));
        QVERIFY(first->bitmap == changed && !first->unchanged);
        QVERIFY(t.window->isVisible());
        t.dialogs.questionAnswers = {false};
    }

    void aWindowDestroyedWithoutClosingLeavesNoSnapshot()
    {
        {
            windowUnderTest t;
            openPictures(t, 2);
            t.click("executeButton");
            t.click("executeButton");
            QCOMPARE(snapshotFiles().size(), 2);
            t.dialogs.questionAnswers = {false};
        }
        QVERIFY(snapshotFiles().isEmpty());
    }

    void aFailedSaveWhileClosingKeepsTheWindowOpen()
    {
        windowUnderTest t;
        openPictures(t, 2);
        t.click("editChangeButton1");
        t.click("executeButton");
        const saveFailureHook old = setSaveFailureHook([](const QString &) { return false; }); // a full disk
        t.dialogs.questionAnswers = {true};
        QVERIFY(!t.window->close());
        setSaveFailureHook(old);
        QCOMPARE(t.dialogs.count("error"), 1);
        QCOMPARE(t.probe().editingCount(), 2);
        QVERIFY(QFile::exists(picturePath(1)));
        t.dialogs.questionAnswers = {false};
        QVERIFY(t.window->close());
        QCOMPARE(t.probe().editingCount(), 0);
    }
};

QTEST_MAIN(testMainFormSelect)
#include "test_mainform_select.moc"
