// The window with undo snapshots written behind, as the program runs: undo while the write is
// held back, a failed write told once in the message box with the step kept, and closing with
// writes pending.
#include "test_mainform_support.h"

#include "imagedata/snapshotwriter.h"

using namespace testing_support;

class testMainFormUndo : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    QString picture()
    {
        const QString path = scratch.folder + "/p.bmp";
        QImage p = filledPicture(40, 30, qRgb(200, 100, 50));
        for (int x = 0; x < 20; ++x)
            for (int y = 0; y < 30; ++y) p.setPixel(x, y, qRgb(10, 20, 30));
        return writePicture(path, p) ? path : QString();
    }
    static snapshotWriter &writer() { return snapshotWriter::process(); }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.start());
        imageDocument::setWriteBehind(true);
    }
    void init() { QVERIFY(scratch.enterTest()); }
    void cleanup()
    {
        writer().holdWrites(false);
        writer().waitForAll();
        setSaveFailureHook({});
        QVERIFY(snapshotFiles().isEmpty());
    }
    void cleanupTestCase() { imageDocument::setWriteBehind(false); }

    void undoWhileTheWriteIsHeldAndCloseWithoutWaiting()
    {
        const QString path = picture();
        QVERIFY(!path.isEmpty());
        windowUnderTest t;
        t.open(path);
        const QImage opened = t.current()->bitmap.copy();
        t.selectSepia();
        writer().holdWrites(true);
        t.click("executeButton");
        const QImage first = t.current()->bitmap.copy();
        QVERIFY(first != opened);
        t.click("executeButton");
        QCOMPARE(t.current()->undoCount, 2);
        QVERIFY(snapshotFiles().isEmpty()); // still held
        t.click("undoButton");              // from memory
        QCOMPARE(t.current()->bitmap, first);
        QCOMPARE(t.current()->undoCount, 1);
        t.dialogs.questionAnswers = {false};
        t.click("theEndButton"); // the held write is not waited for
        QCOMPARE(t.probe().editingCount(), 0);
        QVERIFY(snapshotFiles().isEmpty());
        QCOMPARE(t.dialogs.count("error"), 0);
    }

    void aFailedWriteIsToldOnceAndTheStepKept()
    {
        const QString path = picture();
        QVERIFY(!path.isEmpty());
        windowUnderTest t;
        t.open(path);
        const QImage opened = t.current()->bitmap.copy();
        t.selectSepia();
        setSaveFailureHook([](const QString &) { return false; }); // the cache's disk is full
        t.click("executeButton");
        t.click("executeButton");
        t.current()->waitForSnapshots();
        setSaveFailureHook({});
        QTRY_COMPARE(t.dialogs.count("message"), 1);
        QCoreApplication::processEvents();
        QCOMPARE(t.dialogs.count("message"), 1);
        const auto told = t.dialogs.entries("message");
        QVERIFY(told.front().text.startsWith(QStringLiteral("元に戻すための控えをディスクに書き込めませんでした。")));
        QCOMPARE(told.front().title, QStringLiteral("メッセージ"));
        QCOMPARE(t.dialogs.count("error"), 0);
        QCOMPARE(t.current()->undoCount, 2);
        t.click("undoButton");
        t.click("undoButton");
        QCOMPARE(t.current()->bitmap, opened);
        QVERIFY(t.current()->unchanged);
        QCOMPARE(t.dialogs.count("message"), 1);
    }
};

QTEST_MAIN(testMainFormUndo)
#include "test_mainform_undo.moc"
