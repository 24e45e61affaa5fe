// The operation pipeline: which operation the active tabs select, preview and commit, the two
// picture views, and the refresh of the dependent controls.
#include "mainform.h"
#include "mainform_state.h"
#include "mainview.h"

#include "colour/filterparameters.h"
#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "widgets/imagecontrol.h"
#include "imagedata/exifreader.h"
#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "widgets/pagecontrol.h"
#include "widgets/radiogroup.h"
#include "transformpanel.h"
#include "ui_mainform.h"

#include <QLabel>
#include <QScopeGuard>
#include <QSlider>

#include <cmath>

namespace {
const QRgb white = 0xFFFFFFFF;

// Fits picture into a view of the given size; area receives the fitted rectangle and view the
// scaled copy. A picture without pixels (or a view without room) gives an empty view bitmap.
double fitIntoView(const QImage &picture, int viewWidth, int viewHeight, rectangle &area, QImage &view)
{
    area = rectangle{0, 0, viewWidth - 1, viewHeight - 1};
    if (!hasPixels(picture) || viewWidth <= 0 || viewHeight <= 0) {
        view = QImage();
        return 0.0;
    }
    const double scale = fitRect(0, 0, picture.width() - 1, picture.height() - 1, area);
    view = QImage(area.right - area.left + 1, area.bottom - area.top + 1, QImage::Format_RGB32);
    if (view.isNull()) return scale;
    view.fill(white);
    stretchCopy(picture, view);
    return scale;
}
} // namespace

// The document of a slot, or nullptr for an empty or invalid slot.
imageDocument *TmainForm::documentAt(int index) const
{
    if (index < 0 || index >= int(state->editingList.size())) return nullptr;
    const myEditingElement &slot = *state->editingList[index];
    return slot.isEmpty ? nullptr : slot.document.get();
}

bool TmainForm::hasImage()
{
    if (state->editingCount == 0) {
        state->currentIndex = -1;
        state->currentBitmap = nullptr;
        return false;
    }
    imageDocument *d = documentAt(state->currentIndex);
    if (!d) { // never expected: the slots are packed and currentIndex points into them
        state->currentBitmap = nullptr;
        return false;
    }
    state->currentBitmap = &d->bitmap;
    state->pictureWidth = state->currentBitmap->width();
    state->pictureHeight = state->currentBitmap->height();
    return true;
}

// The tab control of an operation page and the radio group a tab chooses with; nullptr for none.
pageControl *TmainForm::operationTabs(int page) const
{
    switch (page) {
    case adjustPage: return state->adjustPages.get();
    case effectOnePage: return state->effectOnePages.get();
    case effectTwoPage: return state->effectTwoPages.get();
    case transformPage: return state->transformPages.get();
    default: return nullptr;
    }
}

radioGroup *TmainForm::operationRadioGroup(operationRadio radio) const
{
    switch (radio) {
    case operationRadio::toneCurve: return state->toneCurveGroup.get();
    case operationRadio::fringeShape: return state->fringeShapeGroup.get();
    case operationRadio::paint: return state->paintGroup.get();
    case operationRadio::monoColor: return state->monoColorGroup.get();
    case operationRadio::rotateAngle: return state->rotateAngleGroup.get();
    case operationRadio::none: break;
    }
    return nullptr;
}

// The operation code of the current page, tab and radio choice (operationpages.h); writes
// nothing.
int TmainForm::operationCode() const
{
    const int page = state->operationPages->activePageIndex();
    const pageControl *tabs = operationTabs(page);
    if (!tabs) return 0;
    const int tab = tabs->activePageIndex();
    const radioGroup *group = operationRadioGroup(operationRadioOf(page, tab));
    return int(operationCodeOf(page, tab, group ? group->itemIndex() : -1));
}

// Writes the current choice's code into its engine (filterType on the colour pages, the
// transform set-up's shapeType on 変形; nothing without an active page) and returns it.
int TmainForm::selectOperation()
{
    const int page = state->operationPages->activePageIndex();
    const int code = operationCode();
    if (isFilterPage(page))
        state->filter.filterType = code;
    else if (page == transformPage)
        state->transform->setUp().chooseShape(std::uint32_t(code));
    return code;
}

void TmainForm::captureControls()
{
    for (const mainFormState::parameterControl &c : state->parameterControls) state->filter.*(c.parameter->member) = c.trackBar->value();
    state->filter.toneMin = ui->toneTrackBar->minimum();
    state->filter.toneMax = ui->toneTrackBar->maximum();
    state->filter.tonePosition = ui->toneTrackBar->value();
    state->filter.drawColor = state->drawColor;
    // The transform edits only matter to the transforms: a stray text in one of them never
    // stops a colour operation.
    if (state->operationPages->activePageIndex() == transformPage) state->transform->capture();
}

void TmainForm::applyOperation(operationMode mode)
{
    // The engines follow the choice even without a picture to run on.
    selectOperation();
    if (!hasImage()) return;
    if (mode == operationMode::commit && state->collectingSteps) { // a command gathering its commit for the background work
        if (std::optional<commitStep> step = captureCommitStep()) state->collectingSteps->push_back(std::move(*step));
        return;
    }
    imageDocument *d = documentAt(state->currentIndex);
    QImage *target = &d->bitmap;
    if (mode == operationMode::preview) {
        layoutViews(viewChoice::sample);
        target = &state->sampleBitmap;
    }
    captureControls();

    const int page = state->operationPages->activePageIndex();
    if (isFilterPage(page)) {
        if (hasPixels(*target)) {
            state->filter.runOnBitmap(*target);
        }
        if (mode == operationMode::commit) {
            if (hasPixels(*state->currentBitmap) && hasPixels(state->mainViewBitmap))
                stretchCopy(*state->currentBitmap, state->mainViewBitmap);
            state->view->dropViewPreview();
            drawViews(viewChoice::main);
        } else {
            drawViews(viewChoice::sample);
            state->view->requestViewPreview(); // the same result on the main view, off the UI thread
        }
    } else if (page == transformPage) {
        state->view->dropViewPreview();
        const std::uint32_t code = state->transform->setUp().engine->shapeType;
        state->transform->check(code, mode == operationMode::commit);
        if (mode == operationMode::commit)
            state->transform->commit(*d);
        else
            state->transform->preview(code);
    }
}

void TmainForm::layoutViews(viewChoice which)
{
    if (!hasImage()) {
        clearViews(which);
        return;
    }
    imageDocument *d = documentAt(state->currentIndex);
    if (which == viewChoice::main || which == viewChoice::both) {
        imageControl *control = ui->mainImage;
        d->viewScale = fitIntoView(*state->currentBitmap, control->pixelSize().width(), control->pixelSize().height(),
                                   state->mainViewRect, state->mainViewBitmap);
        if (state->view && state->view->viewZoomed())
            state->view->placeZoomedView(); // the picture's extent at the zoom, scrolled
        else if (state->view)
            state->view->placeFittedView();
        state->mainViewCanvas = QImage(control->canvas().size(), QImage::Format_RGB32);
        state->mainViewCanvas.fill(white);
        control->canvas() = state->mainViewCanvas;
        state->transform->viewLaidOut(state->mainViewRect, control->pixelRatio());
    }
    if (which == viewChoice::sample || which == viewChoice::both) {
        imageControl *control = ui->sampleImage;
        fitIntoView(*state->currentBitmap, control->width(), control->height(), state->sampleRect, state->sampleBitmap);
    }
}

void TmainForm::clearViews(viewChoice which)
{
    if (which == viewChoice::main || which == viewChoice::both) {
        ui->mainImage->fill(white);
        ui->mainImage->canvasChanged();
        state->transform->viewCleared();
        if (!hasImage() && state->view) state->view->refreshHistogram(); // empty with the view
    }
    if (which == viewChoice::sample || which == viewChoice::both) {
        ui->sampleImage->fill(white);
        ui->sampleImage->canvasChanged();
    }
}

void TmainForm::drawViews(viewChoice which)
{
    if (!hasImage()) return;
    clearViews(which);
    // Shown converted to sRGB from the picture's profile; the view bitmaps stay as they are.
    const std::shared_ptr<const displayTransform> colours = currentDisplayColours().transform;
    if ((which == viewChoice::main || which == viewChoice::both) && state->view->viewZoomed()) {
        state->view->drawZoomedView(); // converts what it draws the same way
    } else if ((which == viewChoice::main || which == viewChoice::both) && !state->mainViewBitmap.isNull()) {
        ui->mainImage->drawImage(state->mainViewRect.left, state->mainViewRect.top, state->mainViewShown.of(state->view->fittedView(), colours));
        ui->mainImage->canvasChanged();
    }
    if (which == viewChoice::main || which == viewChoice::both) state->view->refreshHistogram();
    if ((which == viewChoice::sample || which == viewChoice::both) && !state->sampleBitmap.isNull()) {
        ui->sampleImage->drawImage(state->sampleRect.left, state->sampleRect.top, state->sampleShown.of(state->sampleBitmap, colours));
        ui->sampleImage->canvasChanged();
    }
}

void TmainForm::refreshControls()
{
    if (!hasImage()) {
        showPictureInfo(); // the title and the information page forget the closed picture
        return;
    }
    state->transform->refresh();
    showPictureInfo();
}

void TmainForm::showPictureInfo()
{
    if (!hasImage()) {
        setWindowTitle(QStringLiteral("Korvia"));
        for (const pictureInfoLine &line : pictureInfo(0, 0, exifReader(), QString()))
            if (auto *label = findChild<QLabel *>(QString::fromLatin1(line.control))) label->clear();
        showLeftOutMetadata();
        return;
    }
    imageDocument *d = documentAt(state->currentIndex);
    setWindowTitle(d->name);
    for (const pictureInfoLine &line :
         pictureInfo(state->currentBitmap->width(), state->currentBitmap->height(), d->exif, d->name)) {
        if (auto *label = findChild<QLabel *>(QString::fromLatin1(line.control)))
            label->setText(line.value);
    }
    showColourProfileInfo();
}

void TmainForm::refreshAfterPageChange()
{
    guarded([this] {
        applyOperation(operationMode::preview);
        drawViews(viewChoice::main);
        refreshControls();
    });
}

void TmainForm::executeButtonClick()
{
    guarded([this] {
        if (busy()) return; // one piece of work at a time
        if (!hasImage()) return;
        // A picture without pixels (an unknown file type) has nothing to process or to store.
        if (!hasPixels(*state->currentBitmap)) return;
        // The operation as the controls stand now (a transform whose edits cannot be read, or
        // hold values it cannot use, is refused here, before the undo history gets a step); the
        // picture gets its snapshot and the result once the work is done.
        std::vector<commitStep> steps;
        state->collectingSteps = &steps;
        const auto gathered = qScopeGuard([this] { state->collectingSteps = nullptr; });
        applyOperation(operationMode::commit);
        state->collectingSteps = nullptr;
        startCommit(std::move(steps));
    });
}

// After a commit: the sample view shows the committed picture (with the guide grid on 変形).
void TmainForm::showCommittedSample()
{
    // The preview the user committed is now the picture: the sample shows the picture itself,
    // not the operation applied to it once more, until a control asks for a new preview.
    if (!hasImage()) return;
    layoutViews(viewChoice::sample);
    drawViews(viewChoice::sample);
    if (state->operationPages->activePageIndex() == transformPage) state->transform->drawSampleGrid();
}

void TmainForm::mainPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageOperationPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageAdjustPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageEffectOnePageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageEffectTwoPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageTransformPageControlChange() { refreshAfterPageChange(); }
