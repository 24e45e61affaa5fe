// What a desktop user expects of the window besides its buttons: the usual keyboard shortcuts,
// picture files dropped onto the window, the file dialogs starting in the current picture's
// folder, and every choice on the effect pages refreshing the preview.
#include "mainform.h"
#include "mainform_state.h"

#include "backgroundjob.h"
#include "widgets/busycursor.h"
#include "widgets/dialogservice.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imagefilemanager.h"
#include "widgets/radiogroup.h"
#include "ui_mainform.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QShortcut>
#include <QUrl>

namespace {

// The local files among the dropped items, in order.
QStringList droppedFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
    return files;
}

// Answers the open command's file dialog with a dropped file, once; everything else goes to the
// dialog service in use. So a dropped file meets exactly the checks of a chosen one.
class droppedFileAnswer final : public dialogService {
public:
    explicit droppedFileAnswer(const QString &file) : previous(&dialogs()), file(file)
    {
        setDialogService(this);
    }
    ~droppedFileAnswer() override { setDialogService(previous); }
    droppedFileAnswer(const droppedFileAnswer &) = delete;
    droppedFileAnswer &operator=(const droppedFileAnswer &) = delete;

    bool asked = false; // the open command got as far as its dialog

    bool openPicture(QWidget *parent, const QString &filter, QString &fileName, int &filterIndex) override
    {
        if (asked) return previous->openPicture(parent, filter, fileName, filterIndex);
        asked = true;
        fileName = file;
        filterIndex = imageFileType(file) == 2 ? 2 : 1;
        return true;
    }
    bool savePicture(QWidget *parent, const QString &filter, QString &fileName, int &filterIndex) override
    {
        return previous->savePicture(parent, filter, fileName, filterIndex);
    }
    void message(QWidget *parent, const QString &text, const QString &title) override
    {
        previous->message(parent, text, title);
    }
    bool question(QWidget *parent, const QString &text, const QString &title) override
    {
        return previous->question(parent, text, title);
    }
    reply questionOrCancel(QWidget *parent, const QString &text, const QString &title) override
    {
        return previous->questionOrCancel(parent, text, title);
    }
    void error(QWidget *parent, const QString &text) override { previous->error(parent, text); }
    int showModal(QDialog *dialog) override { return previous->showModal(dialog); }

private:
    dialogService *previous;
    QString file;
};

} // namespace

// Keyboard shortcuts of the tool bar and execute, dropped files, and the two radio groups
// that refresh the preview.
void TmainForm::installDesktopHabits()
{
    // Each shortcut does what a click on its button does, and only when that button could be
    // clicked: Ctrl+Enter executes while "画像処理実行" is on screen.
    const std::pair<QKeySequence, QAbstractButton *> shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), ui->fileOpenButton},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ui->saveSpeedButton},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), ui->renameSaveSpeedButton},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ui->printSpeedButton},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ui->undoButton},
        {QKeySequence(Qt::CTRL | Qt::Key_W), ui->theEndButton},
        {QKeySequence(Qt::CTRL | Qt::Key_Return), ui->executeButton},
        {QKeySequence(Qt::CTRL | Qt::Key_Enter), ui->executeButton},
    };
    for (const auto &[keys, button] : shortcuts) {
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isVisible() && button->isEnabled()) button->click();
        });
    }

    setAcceptDrops(true);

    connect(state->fringeShapeGroup.get(), &radioGroup::clicked, this, &TmainForm::fringeShapeRadioGroupClick);
    connect(state->paintGroup.get(), &radioGroup::clicked, this, &TmainForm::paintRadioGroupClick);
}

void TmainForm::fringeShapeRadioGroupClick()
{
    guarded([this] { applyOperation(operationMode::preview); });
}

void TmainForm::paintRadioGroupClick()
{
    guarded([this] { applyOperation(operationMode::preview); });
}

// The folder of the current picture, where the file dialogs start; empty without one.
QString TmainForm::currentPictureFolder()
{
    if (!hasImage()) return QString();
    const imageDocument *d = documentAt(state->currentIndex);
    return d && !d->path.isEmpty() ? QFileInfo(d->path).absolutePath() : QString();
}

void TmainForm::dragEnterEvent(QDragEnterEvent *event)
{
    // While work runs nothing opens: the drop is refused where the user can see it.
    if (!busy() && !droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TmainForm::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty() || busy()) return;
    event->acceptProposedAction();
    // Opened once the drop itself has finished, so the source is not kept waiting by a message.
    QMetaObject::invokeMethod(this, [this, files] { openDroppedFiles(files); }, Qt::QueuedConnection);
}

// Opens dropped files one after the other through the open command, each once the one before
// has been read, stopping at its limit; a file that fails is reported and the rest go on, and
// 中止 stops the rest too.
void TmainForm::openDroppedFiles(const QStringList &files)
{
    state->droppedQueue = files;
    openNextDroppedFile();
}

void TmainForm::openNextDroppedFile()
{
    while (!state->droppedQueue.isEmpty()) {
        const busyCursor working;
        droppedFileAnswer answer(state->droppedQueue.takeFirst());
        fileOpenButtonClick();
        if (!answer.asked) { // the open command stopped before its dialog: five are open
            state->droppedQueue.clear();
            return;
        }
        if (busy()) {
            // The file is read beside the window: the next one is opened once it is in its slot,
            // or after its failure has been reported; 中止 stops the rest of the drop too.
            state->afterWork = [this](workOutcome how) {
                if (how == workOutcome::cancelled) state->droppedQueue.clear();
                openNextDroppedFile();
            };
            return;
        }
    }
}
