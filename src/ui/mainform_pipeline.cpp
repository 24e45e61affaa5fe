// The operation pipeline: which operation the active tabs select, preview and commit, the two
// picture views, and the refresh of the dependent controls.
#include "mainform.h"
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

imageDocument *TmainForm::documentAt(int index) const
{
    if (index < 0 || index >= int(editingList.size())) return nullptr;
    const myEditingElement &slot = *editingList[index];
    return slot.isEmpty ? nullptr : slot.document.get();
}

bool TmainForm::hasImage()
{
    if (editingCount == 0) {
        currentIndex = -1;
        currentBitmap = nullptr;
        return false;
    }
    imageDocument *d = documentAt(currentIndex);
    if (!d) { // never expected: the slots are packed and currentIndex points into them
        currentBitmap = nullptr;
        return false;
    }
    currentBitmap = &d->bitmap;
    pictureWidth = currentBitmap->width();
    pictureHeight = currentBitmap->height();
    return true;
}

pageControl *TmainForm::operationTabs(int page) const
{
    switch (page) {
    case adjustPage: return adjustPages.get();
    case effectOnePage: return effectOnePages.get();
    case effectTwoPage: return effectTwoPages.get();
    case transformPage: return transformPages.get();
    default: return nullptr;
    }
}

radioGroup *TmainForm::operationRadioGroup(operationRadio radio) const
{
    switch (radio) {
    case operationRadio::toneCurve: return toneCurveGroup.get();
    case operationRadio::fringeShape: return fringeShapeGroup.get();
    case operationRadio::paint: return paintGroup.get();
    case operationRadio::monoColor: return monoColorGroup.get();
    case operationRadio::rotateAngle: return rotateAngleGroup.get();
    case operationRadio::none: break;
    }
    return nullptr;
}

int TmainForm::operationCode() const
{
    const int page = operationPages->activePageIndex();
    const pageControl *tabs = operationTabs(page);
    if (!tabs) return 0;
    const int tab = tabs->activePageIndex();
    const radioGroup *group = operationRadioGroup(operationRadioOf(page, tab));
    return int(operationCodeOf(page, tab, group ? group->itemIndex() : -1));
}

int TmainForm::selectOperation()
{
    const int page = operationPages->activePageIndex();
    const int code = operationCode();
    if (isFilterPage(page))
        filter.filterType = code;
    else if (page == transformPage)
        transform->setUp().chooseShape(std::uint32_t(code));
    return code;
}

void TmainForm::captureControls()
{
    for (const parameterControl &c : parameterControls) filter.*(c.parameter->member) = c.trackBar->value();
    filter.toneMin = ui->toneTrackBar->minimum();
    filter.toneMax = ui->toneTrackBar->maximum();
    filter.tonePosition = ui->toneTrackBar->value();
    filter.drawColor = drawColor;
    // The transform edits only matter to the transforms: a stray text in one of them never
    // stops a colour operation.
    if (operationPages->activePageIndex() == transformPage) transform->capture();
}

void TmainForm::applyOperation(operationMode mode)
{
    // The engines follow the choice even without a picture to run on.
    selectOperation();
    if (!hasImage()) return;
    if (mode == 0 && collectingSteps) { // a command gathering its commit for the background work
        if (std::optional<commitStep> step = captureCommitStep()) collectingSteps->push_back(std::move(*step));
        return;
    }
    imageDocument *d = documentAt(currentIndex);
    QImage *target = &d->bitmap;
    if (mode == previewMode) {
        layoutViews(sampleView);
        target = &sampleBitmap;
    }
    captureControls();

    const int page = operationPages->activePageIndex();
    if (isFilterPage(page)) {
        if (hasPixels(*target)) {
            filter.runOnBitmap(*target);
        }
        if (mode == commitMode) {
            if (hasPixels(*currentBitmap) && hasPixels(mainViewBitmap))
                stretchCopy(*currentBitmap, mainViewBitmap);
            view->dropViewPreview();
            drawViews(mainView);
        } else {
            drawViews(sampleView);
            view->requestViewPreview(); // the same result on the main view, off the UI thread
        }
    } else if (page == transformPage) {
        view->dropViewPreview();
        const std::uint32_t code = transform->setUp().engine->shapeType;
        transform->check(code, mode == commitMode);
        if (mode == commitMode)
            transform->commit(*d);
        else
            transform->preview(code);
    }
}

void TmainForm::layoutViews(viewChoice which)
{
    if (!hasImage()) {
        clearViews(which);
        return;
    }
    imageDocument *d = documentAt(currentIndex);
    if (which == mainView || which == bothViews) {
        imageControl *control = ui->mainImage;
        d->viewScale = fitIntoView(*currentBitmap, control->pixelSize().width(), control->pixelSize().height(),
                                   mainViewRect, mainViewBitmap);
        if (view && view->viewZoomed())
            view->placeZoomedView(); // the picture's extent at the zoom, scrolled
        else if (view)
            view->placeFittedView();
        mainViewCanvas = QImage(control->canvas().size(), QImage::Format_RGB32);
        mainViewCanvas.fill(white);
        control->canvas() = mainViewCanvas;
        transform->viewLaidOut(mainViewRect, control->pixelRatio());
    }
    if (which == sampleView || which == bothViews) {
        imageControl *view = ui->sampleImage;
        fitIntoView(*currentBitmap, view->width(), view->height(), sampleRect, sampleBitmap);
    }
}

void TmainForm::clearViews(viewChoice which)
{
    if (which == mainView || which == bothViews) {
        ui->mainImage->fill(white);
        ui->mainImage->canvasChanged();
        transform->viewCleared();
        if (!hasImage() && view) view->refreshHistogram(); // empty with the view
    }
    if (which == sampleView || which == bothViews) {
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
    if ((which == mainView || which == bothViews) && view->viewZoomed()) {
        view->drawZoomedView(); // converts what it draws the same way
    } else if ((which == mainView || which == bothViews) && !mainViewBitmap.isNull()) {
        ui->mainImage->drawImage(mainViewRect.left, mainViewRect.top, mainViewShown.of(view->fittedView(), colours));
        ui->mainImage->canvasChanged();
    }
    if (which == mainView || which == bothViews) view->refreshHistogram();
    if ((which == sampleView || which == bothViews) && !sampleBitmap.isNull()) {
        ui->sampleImage->drawImage(sampleRect.left, sampleRect.top, sampleShown.of(sampleBitmap, colours));
        ui->sampleImage->canvasChanged();
    }
}

void TmainForm::refreshControls()
{
    if (!hasImage()) {
        showPictureInfo(); // the title and the information page forget the closed picture
        return;
    }
    transform->refresh();
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
    imageDocument *d = documentAt(currentIndex);
    setWindowTitle(d->name);
    for (const pictureInfoLine &line :
         pictureInfo(currentBitmap->width(), currentBitmap->height(), d->exif, d->name)) {
        if (auto *label = findChild<QLabel *>(QString::fromLatin1(line.control)))
            label->setText(line.value);
    }
    showColourProfileInfo();
}

void TmainForm::refreshAfterPageChange()
{
    guarded([this] {
        applyOperation(previewMode);
        drawViews(mainView);
        refreshControls();
    });
}

void TmainForm::executeButtonClick()
{
    guarded([this] {
        if (busy()) return; // one piece of work at a time
        if (!hasImage()) return;
        // A picture without pixels (an unknown file type) has nothing to process or to store.
        if (!hasPixels(*currentBitmap)) return;
        // The operation as the controls stand now (a transform whose edits cannot be read, or
        // hold values it cannot use, is refused here, before the undo history gets a step); the
        // picture gets its snapshot and the result once the work is done.
        std::vector<commitStep> steps;
        collectingSteps = &steps;
        const auto gathered = qScopeGuard([this] { collectingSteps = nullptr; });
        applyOperation(commitMode);
        collectingSteps = nullptr;
        startCommit(std::move(steps));
    });
}

void TmainForm::showCommittedSample()
{
    // The preview the user committed is now the picture: the sample shows the picture itself,
    // not the operation applied to it once more, until a control asks for a new preview.
    if (!hasImage()) return;
    layoutViews(sampleView);
    drawViews(sampleView);
    if (operationPages->activePageIndex() == transformPage) transform->drawSampleGrid();
}

void TmainForm::mainPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageOperationPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageAdjustPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageEffectOnePageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageEffectTwoPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageTransformPageControlChange() { refreshAfterPageChange(); }
