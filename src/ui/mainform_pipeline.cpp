// The operation pipeline: which operation the active tabs select, preview and commit, the two
// picture views, and the refresh of the dependent controls.
#include "mainform.h"

#include "colour/filterparameters.h"
#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "widgets/imagecontrol.h"
#include "imagedata/exifreader.h"
#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "widgets/pagecontrol.h"
#include "widgets/radiogroup.h"
#include "ui_mainform.h"

#include <QLabel>
#include <QSlider>

namespace {
const QRgb white = 0xFFFFFFFF;

bool hasPixels(const QImage &picture)
{
    return picture.width() > 0 && picture.height() > 0;
}

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

int TmainForm::operationCode()
{
    const int page = operationPages->activePageIndex();
    int code = 0;
    switch (page) {
    case 0: // 調整
        switch (adjustPages->activePageIndex()) {
        case 0: code = filterBrightChromaHue; break;
        case 1: code = filterRgbShift; break;
        case 2: {
            const int item = toneCurveGroup->itemIndex();
            code = item >= 0 && item <= 3 ? filterToneSCurve + item : 0;
            break;
        }
        default: break;
        }
        filter.filterType = code;
        break;
    case 1: // 効果1
        switch (effectOnePages->activePageIndex()) {
        case 0: code = filterFringeBlur; break;
        case 1: {
            const int item = fringeShapeGroup->itemIndex();
            code = item == 0 ? filterFringeCircle : item == 1 ? filterFringeSquare : 0;
            break;
        }
        case 2: {
            const int item = paintGroup->itemIndex();
            code = item == 0 ? filterPaintNormal : item == 1 ? filterPaintPointillism : 0;
            break;
        }
        case 3: code = filterSoftFocus; break;
        case 4: code = filterEmboss; break;
        case 5: {
            const int item = monoColorGroup->itemIndex();
            code = item >= 0 && item <= 2 ? filterGreyscale + item : 0;
            break;
        }
        default: break;
        }
        filter.filterType = code;
        break;
    case 2: { // 効果2
        static const int codes[] = {filterSharpen, filterColorLevels, filterMosaic, filterMotionBlur,
                                    filterMedian};
        const int tab = effectTwoPages->activePageIndex();
        code = tab >= 0 && tab < 5 ? codes[tab] : 0;
        filter.filterType = code;
        break;
    }
    case 3: // 変形: the set-up writes the code into its engine
        code = int(shapeSetUp->chooseShape(transformPages->activePageIndex(), rotateAngleGroup->itemIndex()));
        break;
    default: // no active page: nothing is written
        break;
    }
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
    if (operationPages->activePageIndex() == 3) captureTransformControls();
}

void TmainForm::applyOperation(int mode)
{
    if (!hasImage()) return;
    imageDocument *d = documentAt(currentIndex);
    QImage *target = &d->bitmap;
    if (mode == 1) {
        layoutViews(1);
        target = &sampleBitmap;
    }
    operationCode();
    captureControls();

    const int page = operationPages->activePageIndex();
    if (page >= 0 && page <= 2) {
        if (hasPixels(*target)) {
            filter.runOnBitmap(*target);
        }
        if (mode == 0) {
            if (hasPixels(*currentBitmap) && hasPixels(mainViewBitmap))
                stretchCopy(*currentBitmap, mainViewBitmap);
            dropViewPreview();
            drawViews(0);
        } else {
            drawViews(1);
            requestViewPreview(); // the same result on the main view, off the UI thread
        }
    } else if (page == 3) {
        dropViewPreview();
        const std::uint32_t code = shapeSetUp->engine->shapeType;
        checkTransformParameters(code, mode == 0);
        if (mode == 0)
            commitTransform(*d);
        else
            previewTransform(code);
    }
}

void TmainForm::layoutViews(int which)
{
    if (!hasImage()) {
        clearViews(which);
        return;
    }
    imageDocument *d = documentAt(currentIndex);
    if (which == 0 || which == 99) {
        imageControl *view = ui->mainImage;
        d->viewScale = fitIntoView(*currentBitmap, view->width(), view->height(), mainViewRect,
                                   mainViewBitmap);
        if (viewZoomed()) placeZoomedView(); // the picture's extent at the zoom, scrolled
        mainViewCanvas = QImage(view->canvas().size(), QImage::Format_RGB32);
        mainViewCanvas.fill(white);
        view->canvas() = mainViewCanvas;
        trimmingDrawn = false;
        if (trimmingRect)
            trimmingRect->setRect(mainViewRect.left, mainViewRect.top, mainViewRect.right,
                                  mainViewRect.bottom);
    }
    if (which == 1 || which == 99) {
        imageControl *view = ui->sampleImage;
        fitIntoView(*currentBitmap, view->width(), view->height(), sampleRect, sampleBitmap);
    }
}

void TmainForm::clearViews(int which)
{
    if (which == 0 || which == 99) {
        ui->mainImage->fill(white);
        ui->mainImage->canvasChanged();
        trimmingDrawn = false;
        if (!hasImage()) refreshHistogram(); // empty with the view
    }
    if (which == 1 || which == 99) {
        ui->sampleImage->fill(white);
        ui->sampleImage->canvasChanged();
    }
}

void TmainForm::drawViews(int which)
{
    if (!hasImage()) return;
    clearViews(which);
    // Shown converted to sRGB from the picture's profile; the view bitmaps stay as they are.
    const std::shared_ptr<const displayTransform> colours = currentDisplayColours().transform;
    if ((which == 0 || which == 99) && viewZoomed()) {
        drawZoomedView(); // converts what it draws the same way
    } else if ((which == 0 || which == 99) && !mainViewBitmap.isNull()) {
        ui->mainImage->drawImage(mainViewRect.left, mainViewRect.top, mainViewShown.of(fittedView(), colours));
        ui->mainImage->canvasChanged();
    }
    if (which == 0 || which == 99) refreshHistogram();
    if ((which == 1 || which == 99) && !sampleBitmap.isNull()) {
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
    magnificationSync(2);
    // Unticked, the sync leaves the height pair alone; it still follows the current picture, so
    // that the height a resize makes is never another picture's.
    if (!ui->reSizeRatioCheckBox->isChecked()) rewriteMagnificationPair(1);
    refreshTrimmingControls();
    showPictureInfo();
    trimmingActive = operationPages->activePageIndex() == 3 && operationCode() == shapeTrim;
    showTrimmingRect(trimmingShown());
    // Without the rectangle no cursor of its handles stays on the picture.
    if (!trimmingShown()) ui->mainImage->setCursorShape(imageControl::defaultCursor);
}

void TmainForm::showPictureInfo()
{
    if (!hasImage()) {
        setWindowTitle(QStringLiteral("Korvia"));
        for (const pictureInfoLine &line : pictureInfo(0, 0, exifReader(), QString()))
            if (auto *label = findChild<QLabel *>(QString::fromLatin1(line.control))) label->clear();
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
        applyOperation(1);
        drawViews(0);
        refreshControls();
    });
}

void TmainForm::executeButtonClick()
{
    guarded([this] {
        if (!hasImage()) return;
        // A picture without pixels (an unknown file type) has nothing to process or to store.
        if (!hasPixels(*currentBitmap)) return;
        imageDocument *d = documentAt(currentIndex);
        // A transform whose edits cannot be read, or hold values it cannot use, is refused
        // before the undo history gets a step.
        if (operationPages->activePageIndex() == 3) {
            const std::uint32_t code = std::uint32_t(operationCode());
            captureControls();
            checkTransformParameters(code, true);
        }
        d->takeSnapshot();
        applyOperation(0);
        refreshControls();
        d->unchanged = false;
        editingList[currentIndex]->refreshElement();
        showCommittedSample();
    });
}

void TmainForm::showCommittedSample()
{
    // The preview the user committed is now the picture: the sample shows the picture itself,
    // not the operation applied to it once more, until a control asks for a new preview.
    if (!hasImage()) return;
    layoutViews(1);
    drawViews(1);
    if (operationPages->activePageIndex() == 3) drawSampleGrid();
}

void TmainForm::mainPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageOperationPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageAdjustPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageEffectOnePageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageEffectTwoPageControlChange() { refreshAfterPageChange(); }
void TmainForm::imageTransformPageControlChange() { refreshAfterPageChange(); }
