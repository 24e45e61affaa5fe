// The desktop habits of the window: keyboard shortcuts, the busy cursor, dropped files, the file
// dialogs' folder, the two radio groups that refresh the preview, and the untitled question.
#include "test_mainform_support.h"

#include "ui/widgets/busycursor.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

using namespace testing_support;

namespace {

// Notes the folder each file dialog is asked to start in, then lets the scripted service answer.
class startFolderLog final : public dialogService {
public:
    explicit startFolderLog(dialogService &answers) : answers(answers) { setDialogService(this); }
    ~startFolderLog() override { setDialogService(&answers); }
    QStringList asked;

    bool openPicture(QWidget *p, const QString &f, QString &name, int &index) override
    {
        asked << "open:" + name;
        return answers.openPicture(p, f, name, index);
    }
    bool savePicture(QWidget *p, const QString &f, QString &name, int &index) override
    {
        asked << "save:" + name;
        return answers.savePicture(p, f, name, index);
    }
    void message(QWidget *p, const QString &t, const QString &c) override { answers.message(p, t, c); }
    bool question(QWidget *p, const QString &t, const QString &c) override { return answers.question(p, t, c); }
    void error(QWidget *p, const QString &t) override { answers.error(p, t); }
    int showModal(QDialog *d) override { return answers.showModal(d); }

private:
    dialogService &answers;
};

int overrideShape()
{
    const QCursor *shown = QGuiApplication::overrideCursor();
    return shown ? int(shown->shape()) : -1;
}

} // namespace

class testMainFormHabits : public QObject {
    Q_OBJECT
    scratchFolders scratch;

    QString picture(const QString &name, QRgb colour = qRgb(90, 120, 150))
    {
        const QString path = scratch.folder + "/" + name;
        // A little texture so that effects change the sample.
        QImage p = filledPicture(48, 32, colour);
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); x += 3) p.setPixel(x, y, qRgb((x * 5) & 255, (y * 7) & 255, 40));
        return writePicture(path, p) ? path : QString();
    }
    static void press(windowUnderTest &t, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(t.window->windowHandle(), key, modifiers);
    }

private slots:
    void initTestCase() { QVERIFY(scratch.start()); }
    void init() { QVERIFY(scratch.enterTest()); }

    void shortcutsRunTheButtonsHandlersUnderABusyCursor()
    {
        windowUnderTest t;
        t.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(t.window.get()));
        const QString path = picture("photo.jpg");

        t.dialogs.openFile(path);
        press(t, Qt::Key_O);
        QCOMPARE(t.probe().editingCount(), 1);

        // Ctrl+Enter executes only while "画像処理実行" is on screen.
        press(t, Qt::Key_Return);
        QCOMPARE(t.current()->undoCount, 0);
        t.probe().mainPages()->widget()->setCurrentIndex(2);
        press(t, Qt::Key_Return);
        QCOMPARE(t.current()->undoCount, 1);
        press(t, Qt::Key_Z);
        QCOMPARE(t.current()->undoCount, 0);

        // Ctrl+S saves the JPEG, asking for its quality while the busy cursor is up.
        int shapeDuringSave = -1;
        t.dialogs.modalAnswers.append([&shapeDuringSave](QDialog *) {
            shapeDuringSave = overrideShape();
            return int(QDialog::Accepted);
        });
        const QByteArray beforeSave = readBytes(path);
        press(t, Qt::Key_S);
        QVERIFY(readBytes(path) != beforeSave); // saved in place, under its own name
        QCOMPARE(shapeDuringSave, int(Qt::WaitCursor));
        QCOMPARE(overrideShape(), -1);

        press(t, Qt::Key_W);
        QCOMPARE(t.probe().editingCount(), 0);
        QCOMPARE(t.dialogs.unexpected, 0);
    }

    void dialogsPutTheBusyCursorAsideAndTheCloseQuestionHasNoTitle()
    {
        // The real message box: its title stays empty, and the normal cursor shows while it waits.
        QString title = "<not shown>";
        int shapeWhileAsking = 0;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            shapeWhileAsking = overrideShape();
            box->button(QMessageBox::No)->click();
        });
        {
            const busyCursor working;
            QVERIFY(!dialogs().question(nullptr, "画像は変更されています。保存しますか？", QString()));
            QCOMPARE(overrideShape(), int(Qt::WaitCursor));
        }
        QCOMPARE(title, QString());
        QCOMPARE(shapeWhileAsking, -1);
        QCOMPARE(overrideShape(), -1);

        // The window asks with an empty title.
        windowUnderTest t;
        t.open(picture("a.bmp"));
        t.probe().mainPages()->widget()->setCurrentIndex(2);
        t.click("executeButton");
        t.dialogs.questionAnswers << false;
        t.click("theEndButton");
        QCOMPARE(t.dialogs.count("question"), 1);
        QCOMPARE(t.dialogs.entries("question").first().title, QString());
    }

    void droppedFilesOpenThroughTheOpenCommandAndItsLimit()
    {
        windowUnderTest t;
        for (const char *name : {"1.bmp", "2.bmp", "3.bmp"}) t.open(picture(name));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(picture("4.bmp")), QUrl::fromLocalFile(scratch.folder),
                      QUrl::fromLocalFile(picture("5.jpg")), QUrl::fromLocalFile(picture("6.bmp"))});
        const QPoint at = t.window->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(t.window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(t.window.get(), &drop);
        QCoreApplication::processEvents();

        QCOMPARE(t.probe().editingCount(), 5);
        QCOMPARE(t.document(3)->name, QString("4.bmp"));
        QCOMPARE(t.document(4)->name, QString("5.jpg"));
        QCOMPARE(t.probe().currentIndex(), 4);
        // 6.bmp meets the limit message once; the folder is not a file and is left out.
        QCOMPARE(t.dialogs.count("message"), 1);
        QCOMPARE(t.dialogs.entries("message").first().text, QString("最大編集ファイル数を超えました。"));
        QCOMPARE(t.dialogs.count("open"), 3); // only the three opened by the button
        QCOMPARE(t.dialogs.unexpected, 0);

        QMimeData text;
        text.setText("not a file");
        QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QCoreApplication::sendEvent(t.window.get(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    void fileDialogsStartInTheCurrentPicturesFolder()
    {
        windowUnderTest t;
        startFolderLog log(t.dialogs);
        const QString path = picture("a.bmp");
        t.open(path);
        t.dialogs.cancelOpen();
        t.click("fileOpenButton");
        t.dialogs.cancelSave();
        t.click("renameSaveSpeedButton");
        QCOMPARE(log.asked, QStringList({"open:", "open:" + scratch.folder, "save:" + scratch.folder}));

        // The real dialogs: a folder given wins, otherwise the folder last chosen in one.
        const QString other = scratch.path();
        QCOMPARE(fileDialogFolder(scratch.folder), scratch.folder);
        rememberFileDialogChoice(other + "/x.jpeg");
        QCOMPARE(fileDialogFolder(QString()), other);
        QCOMPARE(fileDialogFolder(scratch.folder + "/gone"), other);
        QCOMPARE(fileDialogFolder(scratch.folder), scratch.folder);
    }

    void shapeAndStyleChoicesRefreshThePreview()
    {
        windowUnderTest t;
        t.open(picture("a.bmp"));
        t.selectTabs(effectOnePage, paintTab); // 効果1 / ペイント
        QCOMPARE(t.probe().filter().filterType, int(filterPaintNormal));
        const QImage before = t.image("sampleImage")->canvas();
        t.probe().paintGroup()->setItemIndex(1); // 点描
        QCOMPARE(t.probe().filter().filterType, int(filterPaintPointillism));
        QVERIFY(t.image("sampleImage")->canvas() != before);

        t.selectTabs(effectOnePage, fringeShapeTab); // 効果1 / 縁取明暗
        QCOMPARE(t.probe().filter().filterType, int(filterFringeCircle));
        t.probe().fringeShapeGroup()->setItemIndex(1); // 四角
        QCOMPARE(t.probe().filter().filterType, int(filterFringeSquare));
    }
};

QTEST_MAIN(testMainFormHabits)
#include "test_mainform_habits.moc"
