// The main window's saving: the question before closing a changed picture, save and save under a
// new name (the quality window, the name as typed, names that may stand for another file), and
// what happens when writing fails.
#include "halvespicture.h"
#include "test_mainform_support.h"

#include "colour/colorfilter.h"

#include <QTimer>
#include <functional>
#include <unistd.h>

using namespace testing_support;

namespace {
const QString changedPrompt = QStringLiteral("画像は変更されています。保存しますか？");
} // namespace

class testMainFormSaving : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    QString picturePath(const QString &name) const { return scratch.folder + "/" + name; }

    // What the save under a new name did: "<the picture's new name> <the type its file is
    // read as> <quality windows shown>", and the files of the folder besides the source when they
    // are not just that one.
    QString savedAs(const windowUnderTest &t) const
    {
        const QString path = t.current()->path;
        QImage back;
        const int type = QFileInfo::exists(path) ? loadImageFile(back, path) : 0;
        const QString name = extractFileName(path);
        QString probe = QString("%1 %2 %3").arg(name).arg(type).arg(t.dialogs.count("modal"));
        if (t.window->windowTitle() != name || t.text("editingFileStaticText1") != name) probe += " (not shown)";
        QStringList files = QDir(scratch.folder).entryList(QDir::Files | QDir::Hidden);
        files.removeOne("source.bmp");
        if (files != QStringList{name}) probe += " files: " + files.join(' ');
        return probe;
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
    void cleanup() { QVERIFY(snapshotFiles().isEmpty()); }


    void savePromptYesWritesTheJpegAtTheChosenQuality()
    {
        const QString path = picturePath("photo.jpg");
        QVERIFY(writePicture(path, halvesPicture()));
        windowUnderTest t;
        t.open(path);
        t.selectSepia();
        t.click("executeButton");
        const QImage committed = t.current()->bitmap.copy();

        t.dialogs.questionAnswers = {true};
        t.dialogs.modalAnswers = {[](QDialog *dialog) {
            auto *bar = dialog->findChild<QSlider *>("jpegQualitTrackBar");
            if (bar) bar->setValue(90);
            return int(QDialog::Accepted);
        }};
        t.click("theEndButton");
        QCOMPARE(t.dialogs.count("question"), 1);
        QCOMPARE(t.dialogs.entries("question").first().text, changedPrompt);
        QCOMPARE(t.dialogs.entries("question").first().title, QString());
        QCOMPARE(t.dialogs.count("modal"), 1);
        QCOMPARE(t.probe().editingCount(), 0);
        QCOMPARE(QDir(scratch.folder).entryList(QDir::Files), QStringList{"photo.jpg"});
        QCOMPARE(readBytes(path), encodeJpeg(committed, 90));
        QCOMPARE(t.dialogs.unexpected, 0);
    }

    void savePromptNoLeavesTheFileUntouched()
    {
        const QString path = picturePath("keep.bmp");
        QVERIFY(writePicture(path, halvesPicture()));
        const QByteArray before = readBytes(path);
        windowUnderTest t;
        t.open(path);
        t.selectSepia();
        t.click("executeButton");
        t.dialogs.questionAnswers = {false};
        t.click("editCloseButton1");
        QCOMPARE(t.dialogs.count("question"), 1);
        QCOMPARE(t.dialogs.count("modal"), 0);
        QCOMPARE(t.probe().editingCount(), 0);
        QCOMPARE(readBytes(path), before);
        QVERIFY(!QFile::exists(picturePath("keep.BMP")));
    }

    void anUnchangedPictureClosesWithoutAQuestion()
    {
        const QString path = picturePath("plain.bmp");
        QVERIFY(writePicture(path, halvesPicture()));
        windowUnderTest t;
        t.open(path);
        t.click("undoButton"); // nothing to undo: still unchanged
        t.click("theEndButton");
        QCOMPARE(t.dialogs.count("question"), 0);
        QCOMPARE(t.probe().editingCount(), 0);
    }

    void aFailedWriteKeepsTheOriginal()
    {
        // The disk is full when the BMP is written.
        const QString path = picturePath("q.bmp");
        QVERIFY(writePicture(path, halvesPicture()));
        const QByteArray before = readBytes(path);
        windowUnderTest t;
        t.open(path);
        t.selectSepia();
        t.click("executeButton");
        const saveFailureHook full = setSaveFailureHook([](const QString &) { return false; });
        t.click("saveSpeedButton");
        QCOMPARE(t.dialogs.count("error"), 1);
        QCOMPARE(readBytes(path), before);
        QCOMPARE(t.current()->undoCount, 1); // nothing saved, so nothing forgotten
        QVERIFY(!t.current()->unchanged);

        // The close prompt's Yes with a failing save keeps the picture open.
        t.dialogs.questionAnswers = {true};
        t.click("theEndButton");
        setSaveFailureHook(full);
        QCOMPARE(t.dialogs.count("error"), 2);
        QCOMPARE(t.probe().editingCount(), 1);
        QCOMPARE(readBytes(path), before);

        // A JPEG written under its own name: the write fails when the disk is full.
        const QString jpeg = picturePath("r.jpeg");
        QVERIFY(writePicture(jpeg, halvesPicture()));
        const QByteArray jpegBefore = readBytes(jpeg);
        t.open(jpeg);
        t.click("executeButton");
        saveFailureHook old = setSaveFailureHook([](const QString &) { return false; });
        t.click("saveSpeedButton");
        setSaveFailureHook(old);
        QCOMPARE(t.dialogs.count("error"), 3);
        QCOMPARE(readBytes(jpeg), jpegBefore);
        QCOMPARE(QDir(scratch.folder).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary left behind

        t.dialogs.questionAnswers = {false, false};
        t.window.reset();
        QCOMPARE(readBytes(path), before);
        QCOMPARE(readBytes(jpeg), jpegBefore);
    }

    void saveAsJpegAsksTheQualityAndNamesTheFile()
    {
        const QString path = picturePath("source.bmp");
        QVERIFY(writePicture(path, halvesPicture()));
        windowUnderTest t;
        t.open(path);
        t.selectSepia();
        t.click("executeButton");

        // Cancelling the dialog writes nothing and keeps the history.
        t.dialogs.cancelSave();
        t.click("renameSaveSpeedButton");
        QCOMPARE(t.dialogs.count("modal"), 0);
        QCOMPARE(t.current()->undoCount, 1);
        QCOMPARE(QDir(scratch.folder).entryList(QDir::Files), QStringList{"source.bmp"});

        t.dialogs.saveFile(picturePath("result"), 1);
        t.dialogs.modalAnswers = {[](QDialog *dialog) {
            if (auto *bar = dialog->findChild<QSlider *>("jpegQualitTrackBar")) bar->setValue(35);
            return int(QDialog::Accepted);
        }};
        t.click("renameSaveSpeedButton");
        QCOMPARE(t.dialogs.count("error"), 0);
        QCOMPARE(t.dialogs.count("question"), 0); // no file of that name yet
        QCOMPARE(t.dialogs.count("modal"), 1);
        const QString written = picturePath("result.jpeg");
        QCOMPARE(readBytes(written), encodeJpeg(t.current()->bitmap, 35));
        QVERIFY(QFile::exists(path));
        QCOMPARE(t.current()->path, written);
        QCOMPARE(t.current()->fileType, 1);
        QCOMPARE(t.window->windowTitle(), QString("result.jpeg"));
        QCOMPARE(t.text("editingFileStaticText1"), QString("result.jpeg"));
        QCOMPARE(t.current()->undoCount, 0);
        QVERIFY(snapshotFiles().isEmpty());

        // The dialog keeps the quality chosen last; Yes to the overwrite question replaces it.
        t.click("executeButton");
        t.dialogs.saveFile(written, 1);
        t.dialogs.questionAnswers = {true};
        t.click("renameSaveSpeedButton");
        QCOMPARE(t.dialogs.entries("question").last().text,
                 QStringLiteral("ファイルは存在します。上書きしますか? ") + written);
        QCOMPARE(t.dialogs.entries("question").last().title, QString());
        QCOMPARE(readBytes(written), encodeJpeg(t.current()->bitmap, 35));
        QCOMPARE(t.dialogs.unexpected, 0);
    }

    void savingInPlaceWritesTheFileThatWasOpened()
    {
        // Whatever its spelling, the file keeps its name; nothing else appears beside it.
        for (const char *name : {"photo.jpg", "photo.JPG", "photo.jpeg", "photo.JPEG", "picture.bmp",
                                 "picture.BMP", "holiday.2009.jpg"}) {
            const QString path = picturePath(name);
            QVERIFY(writePicture(path, halvesPicture()));
            const QByteArray before = readBytes(path);
            windowUnderTest t;
            t.open(path);
            t.selectSepia();
            t.click("executeButton");
            t.click("saveSpeedButton");
            QCOMPARE(t.dialogs.count("error"), 0);
            QCOMPARE(t.dialogs.count("question"), 0);
            QCOMPARE(QDir(scratch.folder).entryList(QDir::Files | QDir::Hidden), QStringList{name});
            QVERIFY2(readBytes(path) != before, name);
            QImage back;
            QCOMPARE(loadImageFile(back, path), imageFileType(path));
            if (imageFileType(path) == 2) QCOMPARE(back, t.current()->bitmap);
            QCOMPARE(t.current()->path, path);
            QCOMPARE(t.window->windowTitle(), QString(name));
            QCOMPARE(t.text("editingFileStaticText1"), QString(name));
            QVERIFY(t.current()->unchanged);
            QCOMPARE(t.current()->undoCount, 0);
            t.click("theEndButton");
            QVERIFY(QFile::remove(path));
        }
    }

    void saveAsKeepsTheNameAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("saved"); // as savedAs() tells it
        const struct {
            const char *typed;
            int box;
            const char *saved;
        } rows[] = {
            {"a.jpg", 1, "a.jpg 1 1"},     {"b.JPG", 1, "b.JPG 1 1"},     {"c.jpeg", 1, "c.jpeg 1 1"},
            {"d.JPEG", 1, "d.JPEG 1 1"},   {"e.bmp", 2, "e.bmp 2 0"},     {"f.BMP", 2, "f.BMP 2 0"},
            {"h", 1, "h.jpeg 1 1"},        {"i.Jpg", 1, "i.jpeg 1 1"},
            // The typed extension of a format Korvia writes decides, whatever the type box shows;
            // the quality window only for JPEG and WebP.
            {"photo.png", 1, "photo.png 3 0"}, {"photo.tif", 1, "photo.tif 4 0"},
            {"photo.tiff", 2, "photo.tiff 4 0"}, {"photo.webp", 2, "photo.webp 5 1"},
            {"g.bmp", 1, "g.bmp 2 0"},     {"j.jpg", 2, "j.jpg 1 1"},     {"holiday.2009.jpg", 2, "holiday.2009.jpg 1 1"},
            // Any other extension gives way to the box's, the last one only.
            {"holiday.2009.txt", 2, "holiday.2009.BMP 2 0"}, {"k.heic", 3, "k.png 3 0"},
        };
        for (const auto &r : rows) QTest::newRow(r.typed) << QString(r.typed) << r.box << QString(r.saved);
    }

    void saveAsKeepsTheNameAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(int, box);
        QFETCH(QString, saved);
        const QString source = picturePath("source.bmp");
        QVERIFY(writePicture(source, halvesPicture()));
        windowUnderTest t;
        t.open(source);
        t.selectSepia();
        t.click("executeButton");
        t.dialogs.saveFile(picturePath(typed), box);
        t.click("renameSaveSpeedButton");
        QCOMPARE(savedAs(t), saved);
        QCOMPARE(t.dialogs.count("error") + t.dialogs.count("question") + t.dialogs.unexpected, 0);
        QCOMPARE(t.current()->undoCount, 0);
        QFile::remove(t.current()->path);
    }

    void cancellingTheQualityWindowWritesNothing()
    {
        // Escape and the window's close button on the real dialog, and a plain rejection, each on
        // one of the three ways to a JPEG save: in place, under a new name, the close prompt.
        const std::function<int(QDialog *)> cancels[] = {
            [](QDialog *dialog) {
                QTimer::singleShot(0, dialog, [dialog] { QTest::keyClick(dialog, Qt::Key_Escape); });
                return dialog->exec();
            },
            [](QDialog *dialog) {
                QTimer::singleShot(0, dialog, [dialog] { dialog->close(); });
                return dialog->exec();
            },
            [](QDialog *) { return int(QDialog::Rejected); },
        };
        const QString path = picturePath("photo.jpg");
        QVERIFY(writePicture(path, halvesPicture()));
        const QByteArray before = readBytes(path);
        for (int way = 0; way < 3; ++way) {
            for (const auto &cancel : cancels) {
                windowUnderTest t;
                t.open(path);
                t.selectSepia();
                t.click("executeButton");
                t.dialogs.modalAnswers = {cancel};
                if (way == 0) t.click("saveSpeedButton");
                if (way == 1) {
                    t.dialogs.saveFile(picturePath("other.jpg"), 1);
                    t.click("renameSaveSpeedButton");
                }
                if (way == 2) {
                    t.dialogs.questionAnswers = {true};
                    t.click("theEndButton");
                }
                QCOMPARE(t.dialogs.count("modal"), 1);
                QCOMPARE(t.dialogs.count("error"), 0);
                QCOMPARE(t.probe().editingCount(), 1); // the close prompt's save was cancelled too
                QCOMPARE(t.current()->undoCount, 1);
                QVERIFY(!t.current()->unchanged);
                QCOMPARE(t.current()->path, path);
                QCOMPARE(readBytes(path), before);
                QCOMPARE(QDir(scratch.folder).entryList(QDir::Files | QDir::Hidden), QStringList{"photo.jpg"});
                t.dialogs.questionAnswers = {false};
            }
        }
    }

    void aNameThatMayStandForAnotherFileIsRefused()
    {
        // x\xE9.bmp is not UTF-8: the file dialog can only show it as x\uFFFD.bmp, which is the
        // name of another picture here. Neither is opened or written in its place.
        const QByteArray folder = QFile::encodeName(scratch.folder);
        QVERIFY(writePicture(picturePath("source.bmp"), halvesPicture()));
        QVERIFY(::link((folder + "/source.bmp").constData(), (folder + "/x\xe9.bmp").constData()) == 0);
        const QString shown = picturePath(QStringLiteral("x\uFFFD.bmp"));
        QVERIFY(writePicture(shown, filledPicture(3, 3, qRgb(9, 9, 9))));
        const QByteArray other = readBytes(shown);
        windowUnderTest t;
        t.open(shown);
        QCOMPARE(t.probe().editingCount(), 0);
        QCOMPARE(t.dialogs.count("error"), 1);
        QVERIFY2(t.dialogs.entries("error").first().text.contains(QStringLiteral("x\\xE9.bmp")),
                 qPrintable(t.dialogs.entries("error").first().text));
        t.open(picturePath("source.bmp"));
        t.selectSepia();
        t.click("executeButton");
        t.dialogs.saveFile(shown, 2);
        t.dialogs.questionAnswers = {true};
        t.click("renameSaveSpeedButton");
        QCOMPARE(t.dialogs.count("error"), 2);
        QCOMPARE(readBytes(shown), other);
        QCOMPARE(t.current()->undoCount, 1);
        t.dialogs.questionAnswers = {false};
        QCOMPARE(::unlink((folder + "/x\xe9.bmp").constData()), 0); // out of Qt's reach

        // Control characters in a name are shown escaped.
        t.open(picturePath(QStringLiteral("a\nb\x1b.bmp")));
        const QString said = t.dialogs.entries("error").last().text;
        QVERIFY2(said.contains(QStringLiteral("a\\nb\\x1B.bmp")) && !said.contains(QLatin1Char('\n')), qPrintable(said));
    }

    void aNameDifferingInLetterCaseIsAnotherFile()
    {
        QVERIFY(writePicture(picturePath("pic.bmp"), filledPicture(4, 4, qRgb(1, 1, 1))));
        QVERIFY(writePicture(picturePath("Pic.bmp"), filledPicture(4, 4, qRgb(2, 2, 2))));
        windowUnderTest t;
        t.open(picturePath("pic.bmp"));
        t.open(picturePath("Pic.bmp"));
        QCOMPARE(t.dialogs.count("message"), 0);
        QCOMPARE(t.probe().editingCount(), 2);
        t.open(picturePath("Pic.bmp"));
        QCOMPARE(t.dialogs.count("message"), 1);
        QCOMPARE(t.probe().editingCount(), 2);
        QCOMPARE(t.probe().currentIndex(), 1);
    }
};

QTEST_MAIN(testMainFormSaving)
#include "test_mainform_saving.moc"
