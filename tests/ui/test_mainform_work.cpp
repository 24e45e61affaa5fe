// Work off the window's thread: with background work on, 画像処理実行, the one-click buttons,
// open and save return at once while the window goes on handling events; the controls that would
// start other work are disabled meanwhile; 中止 and Escape leave the picture, its undo history and
// the files exactly as before; a run after a cancel gives the bytes of a run never cancelled; and
// closing the window while work runs cancels it first.
#include "test_mainform_support.h"

#include "colour/sharedrandom.h"
#include "ui/backgroundjob.h"
#include "ui/histogram.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QTimer>

using namespace testing_support;

namespace {

// Holds background work before it starts for as long as it lives, so a test can look at the
// window while the work is under way, and let go of it whatever happens.
struct heldRuns {
    heldRuns() { backgroundJob::holdRuns(true); }
    ~heldRuns() { backgroundJob::holdRuns(false); }
};

QImage pictureOf(const windowUnderTest &t) { return t.current() ? t.current()->bitmap : QImage(); }

} // namespace

class testMainFormWork : public QObject {
    Q_OBJECT

    scratchFolders scratch;
    QString photo; // textured, large enough for the paint effect to draw random dots

    // Pointillism draws from the window's random sequence: a cancelled commit must not move it.
    static void choosePointillism(windowUnderTest &t)
    {
        t.selectTabs(1, 2);
        t.window->paintGroup->setItemIndex(1);
    }
    // A transform makes a picture of another size, swapped in at the end.
    static void chooseRotation(windowUnderTest &t)
    {
        t.selectTabs(3, 1);
        t.window->rotateAngleGroup->setItemIndex(0);
        t.child<QLineEdit>("rotateEdit")->setText("30");
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
            QTRY_VERIFY(!t.window->busy());
            const QImage original = pictureOf(t);
            QVERIFY(expected != original);
            t.window->mainPages->widget()->setCurrentIndex(2); // 詳細調整, with the histogram
            c.choose(t);
            sharedRandom::instance().seed(7);
            {
                heldRuns held;
                t.click("executeButton");
                QVERIFY2(t.window->busy(), c.how);
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
                QVERIFY(t.window->busy());
                if (QByteArray(c.how) == "Escape")
                    QTest::keyClick(t.window.get(), Qt::Key_Escape);
                else
                    t.click("cancelButton");
                QTRY_VERIFY2(!t.window->busy(), c.how);
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
            QTRY_VERIFY(!t.window->busy());
            QCOMPARE(pictureOf(t), expected);
            // The histogram the work counted is the result's.
            imageControl *histogram = t.image("histogramImage");
            QImage counts(histogram->canvas().size(), QImage::Format_RGB32);
            drawHistogram(histogramOf(expected), counts);
            QCOMPARE(histogram->canvas(), counts);
            QCOMPARE(t.current()->undoCount, 1);
            QVERIFY(!t.current()->unchanged);
            t.click("undoButton");
            QCOMPARE(pictureOf(t), original);
        }
    }

    // A one-click button, an open and a save cancelled: the pictures, the list and the files stay.
    void cancelledButtonsOpensAndSavesLeaveEverything()
    {
        windowUnderTest t;
        t.open(photo);
        QTRY_VERIFY(!t.window->busy());
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
                QVERIFY2(t.window->busy(), c.what);
                t.click("cancelButton");
                QTRY_VERIFY2(!t.window->busy(), c.what);
            }
            QCOMPARE(t.window->editingCount, 1);
            QCOMPARE(pictureOf(t), original);
            QCOMPARE(t.current()->undoCount, 0);
            QCOMPARE(readBytes(photo), onDisk);
            // No temporary of the save is left beside the photo.
            QCOMPARE(QDir(scratch.path()).entryList({".korvia-save-*"}, QDir::Files | QDir::Hidden), QStringList());
            QCOMPARE(t.dialogs.count("error"), 0);
        }
        // The open, run through, adds its picture after the cancelled ones.
        t.open(second);
        QTRY_VERIFY(!t.window->busy());
        QCOMPARE(t.window->editingCount, 2);
        QCOMPARE(t.current()->path, second);
    }

    void closingWhileWorkRunsCancelsItFirst()
    {
        windowUnderTest t;
        t.open(photo);
        QTRY_VERIFY(!t.window->busy());
        const QString closed = t.current()->path;
        t.selectTabs(1, 5);
        {
            heldRuns held;
            t.click("executeButton");
            QVERIFY(t.window->busy());
            QVERIFY(t.window->close());
        }
        QVERIFY(!t.window->busy());
        QCOMPARE(t.window->editingCount, 0);          // closed without a question: nothing changed
        QCOMPARE(t.dialogs.count("question"), 0);
        QCOMPARE(snapshotFiles(), QStringList());
        QCOMPARE(closed, photo);
    }
};

QTEST_MAIN(testMainFormWork)
#include "test_mainform_work.moc"
