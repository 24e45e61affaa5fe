// The main window's construction, resizing and closing.
#include "mainform.h"
#include "mainform_state.h"
#include "brushpainting.h"
#include "mainview.h"

#include "aboutdialogbox.h"
#include "backgroundjob.h"
#include "widgets/accessibility.h"
#include "ui/panels/colortool.h"
#include "widgets/busycursor.h"
#include "colour/filterparameters.h"
#include "widgets/dialogservice.h"
#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "ui/panels/brushpanel.h"
#include "ui/panels/controlrefs.h"
#include "widgets/imagecontrol.h"
#include "imagedata/filenames.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "jpegqualitywindow.h"
#include "widgets/pagecontrol.h"
#include "ui/print/printform.h"
#include "widgets/progressbar.h"
#include "widgets/radiogroup.h"
#include "widgets/statictext.h"
#include "transformpanel.h"
#include "ui_mainform.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSlider>
#include <QThread>
#include <QToolButton>
#include <QWindow>
#include <new>
#include <tuple>

namespace {
std::uint32_t packedColor(int red, int green, int blue)
{
    return std::uint32_t(red) | (std::uint32_t(green) << 8) | (std::uint32_t(blue) << 16);
}
} // namespace

mainFormState::mainFormState() : toneSamples(128, 0.0) {}
mainFormState::~mainFormState() = default;
windowHost::windowHost() : ui(std::make_unique<Ui::TmainForm>()), state(std::make_unique<mainFormState>()) {}
windowHost::~windowHost() = default;

TmainForm::TmainForm(QWidget *parent)
    : QMainWindow(parent)
{
    // 1. The controls, their adapters and the handlers.
    ui->setupUi(this);
    setWindowTitle("Korvia");
    // A caption longer than the design's (another language's) widens its tool-bar button.
    for (QToolButton *button : {ui->zoomFitButton, ui->zoomActualButton, ui->compareButton, ui->cancelButton})
        button->setFixedWidth(std::max(button->minimumWidth(), button->sizeHint().width()));
    state->mainPages = std::make_unique<pageControl>(ui->mainPageControl);
    state->settingsPages = std::make_unique<pageControl>(ui->PageControl5);
    state->operationPages = std::make_unique<pageControl>(ui->imageOperationPageControl);
    state->adjustPages = std::make_unique<pageControl>(ui->imageAdjustPageControl);
    state->effectOnePages = std::make_unique<pageControl>(ui->imageEffectOnePageControl);
    state->effectTwoPages = std::make_unique<pageControl>(ui->imageEffectTwoPageControl);
    state->transformPages = std::make_unique<pageControl>(ui->imageTransformPageControl);
    state->toneCurveGroup = std::make_unique<radioGroup>(ui->toneCurveRadioGroup);
    state->fringeShapeGroup = std::make_unique<radioGroup>(ui->fringeShapeRadioGroup);
    state->paintGroup = std::make_unique<radioGroup>(ui->paintRadioGroup);
    state->embosseAngleGroup = std::make_unique<radioGroup>(ui->embosseAngleRadioGroup);
    state->monoColorGroup = std::make_unique<radioGroup>(ui->monoColorRadioGroup);
    state->rotateAngleGroup = std::make_unique<radioGroup>(ui->rotateAngleRadioGroup);
    state->progress = std::make_unique<progressBar>(ui->ProgressBar1);
    connectHandlers();
    installDesktopHabits();

    // Engine messages are shown in the program's message box, on the window's thread also when
    // they come from work running beside it.
    state->previousSink = setMessageSink([this](const QString &text) {
        if (QThread::currentThread() != thread()) {
            QMetaObject::invokeMethod(
                this, [this, text] { dialogs().message(this, text, TmainForm::tr("メッセージ")); },
                Qt::QueuedConnection);
            return;
        }
        dialogs().message(this, text, TmainForm::tr("メッセージ"));
    });

    // 2, 3. Empty views.
    state->mainViewRect = rectangle{};
    state->sampleRect = rectangle{};
    state->mainViewBitmap = QImage();
    state->sampleBitmap = QImage();

    // 4. The five slots of the open-images list, each cleared before it is added.
    QLabel *const fileNames[5] = {ui->editingFileStaticText1, ui->editingFileStaticText2,
                                  ui->editingFileStaticText3, ui->editingFileStaticText4,
                                  ui->editingFileStaticText5};
    QLabel *const widths[5] = {ui->imageWidthStaticText1, ui->imageWidthStaticText2,
                               ui->imageWidthStaticText3, ui->imageWidthStaticText4,
                               ui->imageWidthStaticText5};
    QLabel *const heights[5] = {ui->imageHeightStaticText1, ui->imageHeightStaticText2,
                                ui->imageHeightStaticText3, ui->imageHeightStaticText4,
                                ui->imageHeightStaticText5};
    imageControl *const thumbnails[5] = {ui->editingSampleImage1, ui->editingSampleImage2,
                                         ui->editingSampleImage3, ui->editingSampleImage4,
                                         ui->editingSampleImage5};
    for (int i = 0; i < 5; ++i) {
        staticText *name = state->slotTexts.emplace_back(std::make_unique<staticText>(fileNames[i])).get();
        staticText *width = state->slotTexts.emplace_back(std::make_unique<staticText>(widths[i])).get();
        staticText *height = state->slotTexts.emplace_back(std::make_unique<staticText>(heights[i])).get();
        auto element = std::make_unique<myEditingElement>(name, width, height, thumbnails[i]);
        element->clearElement();
        state->editingList.push_back(std::move(element));
    }
    setUpDisplayColours();

    // 5. The filter engine reports its progress on ProgressBar1.
    state->filter.progressBar = state->progress->indicator();

    // 6. Effect track bars at their start positions, captions showing them.
    setUpParameterControls();

    // 7. The transform page: its set-up (whose engine reports its progress on ProgressBar1), its
    // bars and edits, and the trimming rectangle with its up-downs.
    state->transform = std::make_unique<transformPanel>(host());

    // 8. The tone-curve sample table.
    state->toneSamples.assign(128, 0.0);

    // 9. Transform controls to their start values (requests a preview: nothing without a picture).
    state->transform->reset();

    // 10. Drawing colour and the transform background colour.
    state->drawColor = packedColor(100, 200, 200);
    state->backgroundColor = packedColor(50, 50, 50);

    // 11. The colour panel on the drawing colour.
    setUpColourPanel();

    // 12. The transform background.
    state->transform->setUp().backgroundColor = state->backgroundColor;

    // 13. The brush engine, its profiles, graphs and samples.
    setUpBrush();

    // 14. The print window and the JPEG quality dialog.
    state->printWindow = new TprintWindow(this);
    state->jpegQualityForm = new TjpegQualityForm(this);

    // 15. Tone-curve state and editor, then the transform controls once more.
    toneReset();
    state->transform->reset();

    // 16. The About box (the trimming rectangle came with the transform page).
    state->aboutBox = new TAboutBox(this);

    // 17. Both file dialogs show JPEG or BMP files.
    state->fileFilter = QStringLiteral("JPEG (*.jpeg)|*.jpeg;*.jpg|BMP(*.bmp)|*.bmp");

    // 18.
    state->editingCount = 0;

    // 19. Buttons without a function.
    ui->SpeedButton5->hide();
    ui->SpeedButton6->hide();
    ui->SpeedButton7->hide();
    ui->SpeedButton8->hide();

    // 20. Zoom, scrolling, before/after and the preview on the picture.
    state->view = std::make_unique<::mainView>(host());

    // 21. Work off the window's thread, its progress and 中止.
    setUpBackgroundWork();

    exposeAccessibleNames(this);
}

TmainForm::~TmainForm()
{
    // Work still running is stopped first: nothing it made reaches a picture, and nothing goes on
    // after it.
    state->afterWork = nullptr;
    state->droppedQueue.clear();
    if (state->job) {
        state->job->cancel();
        state->job->wait();
    }
    // A window destroyed without being closed still offers every changed picture for saving.
    closeAllImages();
    state->editingCount = 0;
    state->editingList.clear();
    setMessageSink(state->previousSink);
}

void TmainForm::connectHandlers()
{
    // The commands that read, write or change pictures show the busy cursor while they work.
    const auto busy = [this](void (TmainForm::*handler)()) {
        return [this, handler] {
            const busyCursor working;
            (this->*handler)();
        };
    };

    // Tool bar.
    connect(ui->fileOpenButton, &QAbstractButton::clicked, this, busy(&TmainForm::fileOpenButtonClick));
    connect(ui->saveSpeedButton, &QAbstractButton::clicked, this, busy(&TmainForm::saveSpeedButtonClick));
    connect(ui->renameSaveSpeedButton, &QAbstractButton::clicked, this,
            busy(&TmainForm::renameSaveSpeedButtonClick));
    connect(ui->printSpeedButton, &QAbstractButton::clicked, this, busy(&TmainForm::printSpeedButtonClick));
    connect(ui->undoButton, &QAbstractButton::clicked, this, busy(&TmainForm::undoButtonClick));
    connect(ui->undoSpeedButton, &QAbstractButton::clicked, this, busy(&TmainForm::undoSpeedButtonClick));
    connect(ui->informationButton, &QAbstractButton::clicked, this,
            &TmainForm::informationButtonClick);
    connect(ui->theEndButton, &QAbstractButton::clicked, this, busy(&TmainForm::theEndButtonClick));

    // Pipeline.
    connect(ui->executeButton, &QAbstractButton::clicked, this, busy(&TmainForm::executeButtonClick));
    connect(state->mainPages.get(), &pageControl::changed, this, &TmainForm::mainPageControlChange);
    connect(state->operationPages.get(), &pageControl::changed, this,
            &TmainForm::imageOperationPageControlChange);
    connect(state->adjustPages.get(), &pageControl::changed, this, &TmainForm::imageAdjustPageControlChange);
    connect(state->effectOnePages.get(), &pageControl::changed, this,
            &TmainForm::imageEffectOnePageControlChange);
    connect(state->effectTwoPages.get(), &pageControl::changed, this,
            &TmainForm::imageEffectTwoPageControlChange);
    connect(state->transformPages.get(), &pageControl::changed, this,
            &TmainForm::imageTransformPageControlChange);

    // Open-images list.
    connect(ui->editChangeButton1, &QAbstractButton::clicked, this, busy(&TmainForm::editChangeButton1Click));
    connect(ui->editChangeButton2, &QAbstractButton::clicked, this, busy(&TmainForm::editChangeButton2Click));
    connect(ui->editChangeButton3, &QAbstractButton::clicked, this, busy(&TmainForm::editChangeButton3Click));
    connect(ui->editChangeButton4, &QAbstractButton::clicked, this, busy(&TmainForm::editChangeButton4Click));
    connect(ui->editChangeButton5, &QAbstractButton::clicked, this, busy(&TmainForm::editChangeButton5Click));
    connect(ui->editCloseButton1, &QAbstractButton::clicked, this, busy(&TmainForm::editCloseButton1Click));
    connect(ui->editCloseButton2, &QAbstractButton::clicked, this, busy(&TmainForm::editCloseButton2Click));
    connect(ui->editCloseButton3, &QAbstractButton::clicked, this, busy(&TmainForm::editCloseButton3Click));
    connect(ui->editCloseButton4, &QAbstractButton::clicked, this, busy(&TmainForm::editCloseButton4Click));
    connect(ui->editCloseButton15, &QAbstractButton::clicked, this, busy(&TmainForm::editCloseButton5Click));

    // The other bars (the colour pages' parameter bars are connected with their table in
    // setUpParameterControls).
    const std::pair<QSlider *, void (TmainForm::*)()> trackBars[] = {
        {ui->toneTrackBar, &TmainForm::toneTrackBarChange},
        {ui->colorChromaTrackBar, &TmainForm::colorChromaTrackBarChange},
    };
    for (const auto &[bar, handler] : trackBars) connect(bar, &QSlider::valueChanged, this, handler);
    // The brush pages' six bars: each shows its position and sets its brush up again.
    const std::tuple<QSlider *, QLabel *, int> brushBars[] = {
        {ui->airBrushSizeTrackBar, ui->airBrushSizeStaticText, brushTool::airKind},
        {ui->airBrushDensityTrackBar, ui->airBrushDensityStaticText, brushTool::airKind},
        {ui->airBrushShapeTrackBar, ui->airBrushShapeStaticText, brushTool::airKind},
        {ui->wateBrushSizeTrackBar, ui->wateBrushSizeStaticText, brushTool::waterKind},
        {ui->wateBrushDensityTrackBar, ui->wateBrushDensityStaticText, brushTool::waterKind},
        {ui->wateBrushShapeTrackBar, ui->wateBrushShapeStaticText, brushTool::waterKind},
    };
    for (const auto &[bar, caption, kind] : brushBars)
        connect(bar, &QSlider::valueChanged, this,
                [this, bar = bar, caption = caption, kind = kind] { brushTrackBarChange(bar, caption, kind); });
    connect(state->monoColorGroup.get(), &radioGroup::clicked, this, &TmainForm::monoColorRadioGroupClick);
    connect(state->embosseAngleGroup.get(), &radioGroup::clicked, this,
            &TmainForm::embosseAngleRadioGroupClick);
    connect(state->toneCurveGroup.get(), &radioGroup::clicked, this, &TmainForm::toneCurveRadioGroupClick);
    connect(ui->curveResetButton, &QAbstractButton::clicked, this, &TmainForm::curveResetButtonClick);
    connect(ui->toneCntImg, &imageControl::mouseDown, this, &TmainForm::toneCntImgMouseDown);
    connect(ui->toneCntImg, &imageControl::mouseMove, this, &TmainForm::toneCntImgMouseMove);
    connect(ui->toneCntImg, &imageControl::mouseUp, this, &TmainForm::toneCntImgMouseUp);

    // One-click buttons of the 簡単調整 page.
    connectRecipeButtons();
}

// Sets a track bar's range, start position, ticks and steps (the start is kept whatever the
// bar's range was before).
void windowHost::setUpTrackBar(QSlider *bar, int minimum, int maximum, int start, int tickSpacing,
                              int pageStep)
{
    // Widen first so that neither the old nor the new range clamps the start value away.
    bar->setRange(std::min(bar->minimum(), minimum), std::max(bar->maximum(), maximum));
    bar->setValue(start);
    bar->setRange(minimum, maximum);
    bar->setTickInterval(tickSpacing);
    bar->setPageStep(pageStep);
    bar->setSingleStep(1);
    bar->setTickPosition(QSlider::TicksBelow);
}

void TmainForm::setUpParameterControls()
{
    state->parameterControls.clear();
    for (const filterParameter &p : filterParameters()) {
        auto *bar = findChild<QSlider *>(QString::fromLatin1(p.control));
        if (!bar) continue; // every bar of the table is on the form; skip rather than crash
        QLabel *caption = p.caption ? findChild<QLabel *>(QString::fromLatin1(p.caption)) : nullptr;
        state->parameterControls.push_back({&p, bar, caption});
        // Each bar with a caption shows its position there and runs a preview; the tone bar
        // (no caption) has the tone-curve editor's own handler.
        if (caption)
            connect(bar, &QSlider::valueChanged, this,
                    [this, bar, caption] { parameterTrackBarChange(bar, caption); });
        setUpTrackBar(bar, p.minimum, p.maximum, p.start, p.tickSpacing, p.pageStep);
        if (caption) caption->setText(QString::number(bar->value()));
    }
}

// Runs a command, showing its errors through the application's error display; returns
// false when the command ended in an error.
bool TmainForm::guarded(const std::function<void()> &command)
{
    try {
        command();
        return true;
    } catch (const operationAbandoned &) {
        // The user has already been told.
    } catch (const imageError &e) {
        dialogs().error(this, printableName(e.message())); // control characters of a name escaped
    } catch (const std::bad_alloc &) {
        dialogs().error(this, TmainForm::tr("メモリが不足しています。"));
    } catch (const std::exception &e) {
        dialogs().error(this, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void TmainForm::FormResize()
{
    guarded([this] {
        layoutViews(viewChoice::main);
        if (hasImage()) drawViews(viewChoice::main);
        refreshControls();
    });
}

void TmainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!state->editingList.empty()) FormResize();
}

void TmainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The main view counts the screen's own pixels: moved to a screen of another scale, it is
    // laid out again at once, not only at the next resize or zoom.
    QWindow *handle = windowHandle();
    if (handle && !state->watchedWindow) {
        state->watchedWindow = handle;
        connect(handle, &QWindow::screenChanged, this, [this] {
            if (!state->editingList.empty()) FormResize();
        });
    }
}

// The window's end: closes every picture through the save prompt, slot 0 each time, each save
// written at once; a picture whose save fails, or whose prompt is left unanswered, goes all
// the same, as the window itself goes.
void TmainForm::closeAllImages()
{
    while (state->editingCount > 0) {
        const int before = state->editingCount;
        guarded([this] { closeImage(0, false); });
        if (state->editingCount < before) continue;
        // The save prompt's save failed: the picture goes without being saved, as the window
        // itself goes.
        guarded([this] { removeImage(0); });
        if (state->editingCount >= before) { // cannot happen; never loop forever on teardown
            state->editingList[0]->clearElement();
            --state->editingCount;
        }
    }
    state->editingCount = 0;
}

// The window's close: the pictures close one after the other through the save prompt (its
// saves in the background); returns whether all are closed. A save that fails or is
// cancelled, or a prompt left unanswered, ends it and keeps the rest open; while one is
// written the close waits (quitting) and goes on once it has ended well.
bool TmainForm::closePicturesToQuit()
{
    const busyCursor working;
    while (state->editingCount > 0) {
        const int before = state->editingCount;
        guarded([this] { closeImage(0); });
        if (state->editingCount < before) continue;
        if (busy()) {
            // The picture's save is written beside the window: the quit goes on once it has
            // ended well; one that fails or is cancelled keeps this picture and the rest open.
            state->quitting = true;
            state->afterWork = [this](workOutcome how) {
                state->quitting = false;
                if (how == workOutcome::finished) close();
            };
        }
        return false; // a save that failed keeps the pictures (and the window)
    }
    return true;
}

void TmainForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (busy()) {
        if (state->quitting) return; // the quit's save is being written; the quit goes on after it
        // Other work under way is cancelled (it changed nothing yet).
        state->job->cancel();
        state->job->wait();
    }
    if (closePicturesToQuit()) event->accept();
}
