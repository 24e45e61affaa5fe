// Work off the window's thread: the commit of 画像処理実行 and of the one-click buttons, and the
// file reads and writes of open and save, run as background work (backgroundjob.h) while the
// window repaints and moves ProgressBar1. Meanwhile the controls that would change a picture or
// start other work are disabled, and 中止 (or Escape) stops the work: the engines end at their
// next band, and nothing the work made reaches the picture or its undo history.
#include "mainform.h"
#include "mainform_state.h"
#include "mainview.h"

#include "backgroundjob.h"
#include "colour/sharedrandom.h"
#include "geometry/prepareshape.h"
#include "histogram.h"
#include "widgets/imagecontrol.h"
#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "imagedata/workerpool.h"
#include "widgets/pagecontrol.h"
#include "widgets/progressbar.h"
#include "transformpanel.h"
#include "ui_mainform.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <utility>

void TmainForm::setUpBackgroundWork()
{
    state->job = std::make_unique<backgroundJob>(state->progress->indicator());
    state->job->guard = [this](const std::function<void()> &step) { return guarded(step); };
    state->job->ended = [this](workOutcome how) {
        if (const auto next = std::exchange(state->afterWork, nullptr)) next(how);
    };
    state->job->busyChanged = [this](bool working) { showBusy(working); };
    state->progressTimer = new QTimer(this);
    state->progressTimer->setInterval(40);
    connect(state->progressTimer, &QTimer::timeout, this, [this] {
        QProgressBar *bar = ui->ProgressBar1;
        const int maximum = state->job->maximum();
        if (maximum <= 0) return; // nothing counted yet: the bar keeps moving on its own
        if (bar->maximum() != maximum) bar->setRange(0, maximum);
        bar->setValue(std::clamp(state->job->position(), 0, maximum));
    });
    connect(ui->cancelButton, &QAbstractButton::clicked, this, &TmainForm::cancelButtonClick);
    ui->cancelButton->setShortcut(QKeySequence(Qt::Key_Escape));
    ui->cancelButton->setEnabled(false);
}

bool TmainForm::busy() const
{
    return state->job && state->job->busy();
}

void TmainForm::cancelButtonClick()
{
    if (state->job) state->job->cancel();
}

void TmainForm::showBusy(bool working)
{
    // Everything on the left (pages, their controls, 画像処理実行, the one-click buttons, the
    // open-images list) and the tool bar's file commands; the view's zoom, scrolling and the
    // comparison stay, and so does the window's repainting.
    QWidget *const controls[] = {ui->Panel1,          ui->fileOpenButton, ui->saveSpeedButton,
                                 ui->renameSaveSpeedButton, ui->printSpeedButton, ui->undoButton,
                                 ui->theEndButton,    ui->viewPreviewCheckBox};
    for (QWidget *control : controls) control->setEnabled(!working);
    ui->cancelButton->setEnabled(working);
    QProgressBar *bar = ui->ProgressBar1;
    if (working) {
        bar->setRange(0, 0); // moving until the work counts its rows
        state->progressTimer->start();
    } else {
        state->progressTimer->stop();
        bar->setRange(0, std::max(bar->maximum(), 1));
        bar->setValue(0);
    }
}

// The commit of the active page as the controls stand (operationCode, captureControls, the
// transform checks); nothing for a page without an operation.
std::optional<commitStep> TmainForm::captureCommitStep()
{
    if (!hasImage()) return std::nullopt;
    selectOperation();
    captureControls();
    const int page = state->operationPages->activePageIndex();
    commitStep step;
    if (isFilterPage(page)) {
        step.filter = state->filter;
        step.filter.progressBar = nullptr;
        return step;
    }
    if (page == transformPage) {
        // Values the transform cannot use are refused before the picture gets an undo step.
        state->transform->check(state->transform->setUp().engine->shapeType, true);
        step.transform = true;
        step.shape = copyOfShapeSetUp(state->transform->setUp());
        return step;
    }
    return std::nullopt;
}

// Runs the gathered steps on the current picture; when they are done the picture gets its one
// undo step and the result (a cancel leaves both as they were).
void TmainForm::startCommit(std::vector<commitStep> steps)
{
    if (!hasImage()) return;
    imageDocument *d = documentAt(state->currentIndex);
    const int slot = state->currentIndex;
    const QImage picture = d->bitmap; // shared: the work never writes into it
    const bool relayout =
        std::any_of(steps.begin(), steps.end(), [](const commitStep &step) { return step.transform; });
    // The jitter effects draw from the window's random sequence: the work continues it from here
    // on a private copy, and the window's moves on only with a result that is kept, so a
    // cancelled commit leaves it where it was.
    const std::uint32_t randomStart = sharedRandom::instance().position();
    // The histogram shows on this page: the result's is counted with the work, not afterwards on
    // the window's thread.
    const bool counted = ui->histogramImage->isVisible();
    struct outcome {
        QImage picture;
        std::uint32_t randomEnd = 0;
        pictureHistogram counts;
    };
    auto result = std::make_shared<outcome>();
    auto work = std::make_shared<std::vector<commitStep>>(std::move(steps));
    state->view->stopViewPreviewWork(); // no preview competes with the commit for the cores
    state->job->start(
        [picture, randomStart, result, work, counted](const progressIndicator &progress) {
            sharedRandom::privateStream stream(randomStart);
            result->picture = runCommitSteps(picture, *work, progress);
            result->randomEnd = stream.generator().position();
            if (counted) result->counts = histogramOf(result->picture);
        },
        [this, d, slot, result, relayout, counted, work] {
            if (documentAt(slot) != d) return; // nothing closes while work runs
            const losslessEdits edits = editsAfterSteps(d->edits, *work);
            d->takeSnapshot(); // throws before anything changes when it cannot be stored
            d->edits = edits;  // turns, mirrors and trims keep the chain the snapshot ended
            sharedRandom::instance().seed(result->randomEnd);
            d->bitmap = std::move(result->picture);
            d->unchanged = false;
            if (counted) state->view->rememberPictureCounts(d->bitmap, result->counts);
            if (slot == state->currentIndex && hasImage()) {
                if (relayout) {
                    state->view->dropViewPreview();
                    layoutViews(viewChoice::both);
                } else {
                    if (hasPixels(*state->currentBitmap) && hasPixels(state->mainViewBitmap))
                        stretchCopy(*state->currentBitmap, state->mainViewBitmap);
                    state->view->dropViewPreview();
                }
                drawViews(viewChoice::main);
            }
            refreshControls();
            state->editingList[slot]->refreshElement();
            showCommittedSample();
        });
}
