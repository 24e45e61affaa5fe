// Work off the window's thread: with background work on, 画像処理実行, the one-click buttons,
// open and save return at once while the window goes on handling events; the controls that would
// start other work are disabled meanwhile; 中止 and Escape leave the picture, its undo history and
// the files exactly as before; a run after a cancel gives the bytes of a run never cancelled;
// closing the window while work runs cancels it first; the close prompt's save, the save beside
// as JPEG and dropped files run beside the window too, the close (or quit) and the next dropped
// file going on only once the work before has ended.
#include "test_mainform_support.h"

#include "colour/sharedrandom.h"
#include "imagedata/picturesignature.h"
#include "ui/backgroundjob.h"
#include "ui/histogram.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

using namespace testing_support;

namespace {

// Holds background work before it starts for as long as it lives, so a test can look at the
// window while the work is under way, and let go of it whatever happens.
struct heldRuns {
    heldRuns() { backgroundJob::holdRuns(true); }
    ~heldRuns() { backgroundJob::holdRuns(false); }
};

QImage pictureOf(const windowUnderTest &t) { return t.current() ? t.current()->bitmap : QImage(); }

// The window's thread goes on handling events (a timer ticks) while work is held.
bool eventsFlow()
{
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);
    for (int waited = 0; ticks < 3 && waited < 2000; waited += 10) QTest::qWait(10);
    return ticks >= 3;
}

QStringList saveTemporaries(const QString &folder)
{
    return QDir(folder).entryList({".korvia-save-*"}, QDir::Files | QDir::Hidden);
}

// Delivers a drop of files onto the window and lets it take the drop up. Should the window's
// thread block on held work meanwhile, the hold is let go after a while, so that such a window
// fails the checks that follow instead of hanging the test.
void dropFiles(windowUnderTest &t, const QStringList &files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &file : files) urls << QUrl::fromLocalFile(file);
    data.setUrls(urls);
    const QPoint at = t.window->rect().center();
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    std::atomic<bool> returned{false};
    std::thread watchdog([&returned] {
        for (int i = 0; i < 200 && !returned.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!returned.load()) backgroundJob::holdRuns(false);
    });
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(t.window.get(), &enter); // the drop goes where a drag entered
    QCoreApplication::sendEvent(t.window.get(), &drop);
    QCoreApplication::processEvents();
    returned = true;
    watchdog.join();
}

} // namespace

class testMainFormWork : public QObject {
    Q_OBJECT

    scratchFolders scratch;
    QString photo; // textured, large enough for the paint effect to draw random dots

    // Pointillism draws from the window's random sequence: a cancelled commit must not move it.
    static void choosePointillism(windowUnderTest &t)
    {
        t.selectTabs(1, 2);
        t.probe().paintGroup()->setItemIndex(1);
    }
    // A transform makes a picture of another size, swapped in at the end.
    static void chooseRotation(windowUnderTest &t)
    {
        t.selectTabs(3, 1);
        t.probe().rotateAngleGroup()->setItemIndex(0);
        t.bar("rotateTrackBar")->setValue(30);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.start());
        photo = texturedPicture(scratch.path(), "photo.bmp", 320, 240);
    }
    void init() { QVERIFY(scratch.enterTest()); backgroundJob::setEnabled(true); }
    void cleanup() { backgroundJob::setEnabled(false); }

    void aCancelledCommitChangesNothingAndTheNextRunIsWhole()
    {
        const struct {
            const char *how;
            void (*choose)(windowUnderTest &);
        } cases[] = {{"cancelButton", choosePointillism}, {"Escape", choosePointillism},
                     {"cancelButton", chooseRotation}};
        for (const auto &c : cases) {
            // The same commit made the synchronous way, from the same place in the random sequence.
            QImage expected;
            {
                backgroundJob::setEnabled(false);
                windowUnderTest s;
                s.open(photo);
                c.choose(s);
                sharedRandom::instance().seed(7);
                s.click("executeButton");
                expected = pictureOf(s);
                backgroundJob::setEnabled(true);
            }
            windowUnderTest t;
            t.open(photo);
            QTRY_VERIFY(!t.probe().busy());
            const QImage original = pictureOf(t);
            QVERIFY(expected != original);
            t.probe().mainPages()->widget()->setCurrentIndex(2); // 詳細調整, with the histogram
            c.choose(t);
            sharedRandom::instance().seed(7);
            {
                heldRuns held;
                t.click("executeButton");
                QVERIFY2(t.probe().busy(), c.how);
                // Disabled while busy: what would change a picture or start work; 中止 is not.
                for (const char *name : {"executeButton", "fileOpenButton", "saveSpeedButton", "undoButton",
                                         "theEndButton", "grayScaleSpeedButton"})
                    QVERIFY2(!t.child<QWidget>(name)->isEnabled(), name);
                QVERIFY(t.child<QWidget>("cancelButton")->isEnabled());
                // A picture dragged onto the window is refused meanwhile.
                QMimeData dragged;
                dragged.setUrls({QUrl::fromLocalFile(photo)});
                QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(t.window.get(), &enter);
                QVERIFY(!enter.isAccepted());
                // The window goes on handling events while the work runs.
                int ticks = 0;
                QTimer ticker;
                connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
                ticker.start(5);
                QTRY_VERIFY(ticks >= 3);
                QVERIFY(t.probe().busy());
                if (QByteArray(c.how) == "Escape")
                    QTest::keyClick(t.window.get(), Qt::Key_Escape);
                else
                    t.click("cancelButton");
                QTRY_VERIFY2(!t.probe().busy(), c.how);
            }
            // Bytes, undo depth and snapshot files as before; the controls back.
            QCOMPARE(pictureOf(t), original);
            QCOMPARE(t.current()->undoCount, 0);
            QVERIFY(t.current()->unchanged);
            QCOMPARE(snapshotFiles(), QStringList());
            QVERIFY(t.child<QWidget>("executeButton")->isEnabled());
            QVERIFY(t.child<QWidget>("undoButton")->isEnabled());
            QVERIFY(!t.child<QWidget>("cancelButton")->isEnabled());
            QCOMPARE(t.dialogs.count("error"), 0);

            // Run again, uncancelled: the bytes of the synchronous run, one undo step.
            t.click("executeButton");
            QTRY_VERIFY(!t.probe().busy());
            QCOMPARE(pictureOf(t), expected);
            // The histogram the work counted is the result's.
            imageControl *histogram = t.image("histogramImage");
            QImage counts(histogram->canvas().size(), QImage::Format_RGB32);
            drawHistogram(histogramOf(expected), counts);
            QCOMPARE(histogram->canvas(), counts);
            QCOMPARE(t.current()->undoCount, 1);
            QVERIFY(!t.current()->unchanged);
            // Undo reads its snapshot beside the window too: held, nothing has changed yet;
            // cancelled, the step stays.
            {
                heldRuns held;
                t.click("undoButton");
                QVERIFY(t.probe().busy());
                QCOMPARE(pictureOf(t), expected);
                t.click("cancelButton");
                QTRY_VERIFY(!t.probe().busy());
                QCOMPARE(t.current()->undoCount, 1);
                QCOMPARE(pictureOf(t), expected);
            }
            t.click("undoButton");
            QTRY_VERIFY(!t.probe().busy());
            QCOMPARE(pictureOf(t), original);
        }
    }

    // A one-click button, an open and a save cancelled: the pictures, the list and the files stay.
    void cancelledButtonsOpensAndSavesLeaveEverything()
    {
        windowUnderTest t;
        t.open(photo);
        QTRY_VERIFY(!t.probe().busy());
        const QImage original = pictureOf(t);
        const QByteArray onDisk = readBytes(photo);
        const QString second = texturedPicture(scratch.folder, "second.bmp", 40, 30);
        const struct {
            const char *what;
            std::function<void()> start;
        } cases[] = {
            {"ペイント", [&] { t.click("paintSpeedButton"); }},
            {"ビビット", [&] { t.click("clearSpeedButton"); }},
            {"open", [&] { t.open(second); }},
            {"save", [&] { t.click("saveSpeedButton"); }},
        };
        for (const auto &c : cases) {
            {
                heldRuns held;
                c.start();
                QVERIFY2(t.probe().busy(), c.what);
                t.click("cancelButton");
                QTRY_VERIFY2(!t.probe().busy(), c.what);
            }
            QCOMPARE(t.probe().editingCount(), 1);
            QCOMPARE(pictureOf(t), original);
            QCOMPARE(t.current()->undoCount, 0);
            QCOMPARE(readBytes(photo), onDisk);
            // No temporary of the save is left beside the photo.
            QCOMPARE(QDir(scratch.path()).entryList({".korvia-save-*"}, QDir::Files | QDir::Hidden), QStringList());
            QCOMPARE(t.dialogs.count("error"), 0);
        }
        // The open, run through, adds its picture after the cancelled ones.
        t.open(second);
        QTRY_VERIFY(!t.probe().busy());
        QCOMPARE(t.probe().editingCount(), 2);
        QCOMPARE(t.current()->path, second);
    }

    void closingWhileWorkRunsCancelsItFirst()
    {
        windowUnderTest t;
        t.open(photo);
        QTRY_VERIFY(!t.probe().busy());
        const QString closed = t.current()->path;
        t.selectTabs(1, 5);
        {
            heldRuns held;
            t.click("executeButton");
            QVERIFY(t.probe().busy());
            QVERIFY(t.window->close());
        }
        QVERIFY(!t.probe().busy());
        QCOMPARE(t.probe().editingCount(), 0);          // closed without a question: nothing changed
        QCOMPARE(t.dialogs.count("question"), 0);
        QCOMPARE(snapshotFiles(), QStringList());
        QCOMPARE(closed, photo);
    }

    // "Yes" to the close prompt: the picture is written beside the window, which stays live with
    // the picture open until the write ends; then it closes (a quit goes on with the next
    // picture). A cancelled or failed write keeps the picture open, changed, with its undo step,
    // and the file as it was.
    void theClosePromptsSaveRunsBesideTheWindow()
    {
        enum ending { writes, cancelled, fails };
        const struct {
            const char *what;
            bool quit;
            ending end;
        } cases[] = {{"close", false, writes},   {"close cancelled", false, cancelled},
                     {"close fails", false, fails}, {"quit", true, writes},
                     {"quit cancelled", true, cancelled}};
        int row = 0;
        for (const auto &c : cases) {
            // Two changed pictures for a quit, one for a close; files of the row's own.
            const int pictures = c.quit ? 2 : 1;
            windowUnderTest t;
            QStringList files;
            QByteArray before[2];
            QImage changed[2];
            for (int i = 0; i < pictures; ++i) {
                files << texturedPicture(scratch.folder, QString("row%1-%2.bmp").arg(row).arg(i).toLatin1().constData(), 64, 48);
                t.open(files[i]);
                QTRY_VERIFY(!t.probe().busy());
                t.selectSepia();
                t.click("executeButton");
                QTRY_VERIFY(!t.probe().busy());
                before[i] = readBytes(files[i]);
                changed[i] = pictureOf(t);
            }
            ++row;
            t.dialogs.questionAnswers = c.quit ? QList<bool>{true, true} : QList<bool>{true};
            const saveFailureHook old =
                setSaveFailureHook(c.end == fails ? saveFailureHook([](const QString &) { return false; }) : saveFailureHook());
            {
                heldRuns held;
                if (c.quit)
                    QVERIFY2(!t.window->close(), c.what);
                else
                    t.click("theEndButton");
                QVERIFY2(t.probe().busy(), c.what);
                QVERIFY(eventsFlow());
                QCOMPARE(t.probe().editingCount(), pictures);
                QVERIFY(t.window->isVisible());
                QCOMPARE(t.dialogs.count("question"), 1);
                if (c.quit) QVERIFY(!t.window->close()); // closing again meanwhile asks nothing more
                QCOMPARE(t.dialogs.count("question"), 1);
                if (c.end == cancelled) t.click("cancelButton");
                backgroundJob::holdRuns(false);
                QTRY_VERIFY2(!t.probe().busy(), c.what);
            }
            setSaveFailureHook(old);
            QCOMPARE(t.dialogs.unexpected, 0);
            if (c.end == writes) {
                QCOMPARE(t.probe().editingCount(), 0);
                QCOMPARE(t.window->isVisible(), !c.quit);
                QCOMPARE(t.dialogs.count("question"), pictures);
                for (int i = 0; i < pictures; ++i) {
                    QImage back;
                    QCOMPARE(loadImageFile(back, files[i]), 2);
                    QCOMPARE(back, changed[i]);
                }
                QCOMPARE(t.dialogs.count("error"), 0);
                continue;
            }
            QCOMPARE(t.probe().editingCount(), pictures);
            QVERIFY(t.window->isVisible());
            QCOMPARE(t.probe().documentAt(0)->path, files[0]);
            QCOMPARE(t.probe().documentAt(0)->bitmap, changed[0]);
            QCOMPARE(t.probe().documentAt(0)->undoCount, 1);
            QVERIFY(!t.probe().documentAt(0)->unchanged);
            QCOMPARE(readBytes(files[0]), before[0]);
            QCOMPARE(saveTemporaries(scratch.folder), QStringList());
            QCOMPARE(t.dialogs.count("error"), c.end == fails ? 1 : 0);
            t.dialogs.questionAnswers = QList<bool>(pictures, false); // the window's end asks again
        }
    }

    // A HEIF (or RAW) picture saved in place goes beside its file as a JPEG, written beside the
    // window; it takes the JPEG's name, and the user is told, only after a write that ran
    // through. Cancelling the write, or the quality dialog, leaves everything as it was.
    void theSaveBesideAsJpegRunsBesideTheWindow()
    {
        enum ending { writes, cancelled, qualityCancelled };
        const struct {
            const char *what;
            const char *button;
            ending end;
        } cases[] = {{"save", "saveSpeedButton", writes},
                     {"save cancelled", "saveSpeedButton", cancelled},
                     {"quality cancelled", "saveSpeedButton", qualityCancelled},
                     {"close", "theEndButton", writes}};
        int row = 0;
        for (const auto &c : cases) {
            const QString folder = scratch.folder + "/" + QString::number(row++);
            QVERIFY(QDir().mkpath(folder));
            const QString camera = texturedPicture(folder, "camera.bmp", 64, 48);
            const QString jpeg = folder + "/camera.jpeg";
            windowUnderTest t;
            t.open(camera);
            QTRY_VERIFY(!t.probe().busy());
            t.current()->fileType = heifPicture; // read, never written back
            t.selectSepia();
            t.click("executeButton");
            QTRY_VERIFY(!t.probe().busy());
            const QByteArray original = readBytes(camera);
            if (QByteArray(c.button) == "theEndButton") t.dialogs.questionAnswers = {true};
            if (c.end == qualityCancelled) t.dialogs.modalAnswers = {[](QDialog *) { return int(QDialog::Rejected); }};
            {
                heldRuns held;
                t.click(c.button);
                QCOMPARE(t.dialogs.count("modal"), 1);
                if (c.end != qualityCancelled) {
                    QVERIFY2(t.probe().busy(), c.what);
                    QVERIFY(eventsFlow());
                    // Nothing renamed nor told before the file is there.
                    QCOMPARE(t.current()->path, camera);
                    QCOMPARE(t.current()->fileType, int(heifPicture));
                    QCOMPARE(t.dialogs.count("message"), 0);
                    QVERIFY(!QFile::exists(jpeg));
                }
                if (c.end == cancelled) t.click("cancelButton");
                backgroundJob::holdRuns(false);
                QTRY_VERIFY2(!t.probe().busy(), c.what);
            }
            QCOMPARE(readBytes(camera), original);
            QCOMPARE(t.dialogs.count("error"), 0);
            QCOMPARE(saveTemporaries(folder), QStringList());
            if (c.end == writes) {
                QImage back;
                QCOMPARE(loadImageFile(back, jpeg), 1);
                QCOMPARE(back.size(), QSize(64, 48));
                QCOMPARE(t.dialogs.count("message"), 1);
                QVERIFY(t.dialogs.entries("message").first().text.contains("camera.jpeg"));
                if (QByteArray(c.button) == "theEndButton") {
                    QCOMPARE(t.probe().editingCount(), 0);
                } else {
                    QCOMPARE(t.current()->path, jpeg);
                    QCOMPARE(t.current()->fileType, 1);
                    QCOMPARE(t.current()->undoCount, 0);
                    QVERIFY(t.current()->unchanged);
                }
            } else {
                QVERIFY2(!QFile::exists(jpeg), c.what);
                QCOMPARE(t.dialogs.count("message"), 0);
                QCOMPARE(t.current()->path, camera);
                QCOMPARE(t.current()->fileType, int(heifPicture));
                QCOMPARE(t.current()->undoCount, 1);
                QVERIFY(!t.current()->unchanged);
                t.dialogs.questionAnswers = {false}; // the window's end asks
            }
        }
    }

    // Dropped files open one after the other, each once the one before has ended, the window live
    // throughout: 中止 stops the one running and the rest of the drop; a broken file is reported
    // and the rest go on; at five pictures the rest are refused with one message.
    void droppedFilesOpenOneAfterAnotherBesideTheWindow()
    {
        const QString a = texturedPicture(scratch.folder, "a.bmp", 30, 20);
        const QString b = texturedPicture(scratch.folder, "b.bmp", 31, 21);
        const QString c = texturedPicture(scratch.folder, "c.bmp", 32, 22);
        const QString broken = scratch.folder + "/broken.jpg";
        QVERIFY(writeBytes(broken, QByteArray("\xFF\xD8\xFF\xE0 not a picture at all", 26)));
        const auto names = [](const windowUnderTest &t) {
            QStringList opened;
            for (int i = 0; i < t.probe().editingCount(); ++i) opened << t.document(i)->name;
            return opened;
        };

        {
            // Held: nothing opens and the window stays live; then each end holds the next open.
            windowUnderTest t;
            {
                heldRuns held;
                dropFiles(t, {a, b, c});
                QVERIFY(t.probe().busy());
                QCOMPARE(t.probe().editingCount(), 0);
                QVERIFY(eventsFlow());
                const auto shown = t.probe().job()->busyChanged;
                t.probe().job()->busyChanged = [shown](bool working) {
                    if (!working) backgroundJob::holdRuns(true);
                    shown(working);
                };
                backgroundJob::holdRuns(false);
                QTRY_VERIFY(t.probe().editingCount() == 1 && t.probe().busy());
                QCOMPARE(names(t), QStringList({"a.bmp"}));
                t.click("cancelButton");
                QTRY_VERIFY(!t.probe().busy());
            }
            QTest::qWait(50);
            QVERIFY(!t.probe().busy());
            QCOMPARE(names(t), QStringList({"a.bmp"}));
            QCOMPARE(t.dialogs.count("error"), 0);
        }
        {
            windowUnderTest t;
            dropFiles(t, {a, broken, c});
            QTRY_VERIFY(t.probe().editingCount() == 2 && !t.probe().busy());
            QCOMPARE(names(t), QStringList({"a.bmp", "c.bmp"}));
            QCOMPARE(t.probe().currentIndex(), 1);
            QCOMPARE(t.dialogs.count("error"), 1);
            QVERIFY(t.dialogs.entries("error").first().text.contains("broken.jpg"));
        }
        {
            windowUnderTest t;
            for (const QString &file : {a, b, c}) {
                t.open(file);
                QTRY_VERIFY(!t.probe().busy());
            }
            const QString d = texturedPicture(scratch.folder, "d.bmp", 33, 23);
            const QString e = texturedPicture(scratch.folder, "e.bmp", 34, 24);
            const QString f = texturedPicture(scratch.folder, "f.bmp", 35, 25);
            dropFiles(t, {d, e, f});
            QTRY_VERIFY(t.probe().editingCount() == 5 && !t.probe().busy());
            QTest::qWait(50);
            QCOMPARE(names(t), QStringList({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
            QCOMPARE(t.dialogs.count("message"), 1);
            QCOMPARE(t.dialogs.entries("message").first().text, QString("最大編集ファイル数を超えました。"));
            QCOMPARE(t.dialogs.count("open"), 3); // only those of the button
            QCOMPARE(t.dialogs.unexpected, 0);
        }
    }
};

QTEST_MAIN(testMainFormWork)
#include "test_mainform_work.moc"
