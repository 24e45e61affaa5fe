// The 変形 page's trimming: the rectangle over mainImage with its handles, the trimming edits and
// up-downs that follow it and place it, the sizes before and after, and the mouse on mainImage.
#include "transformpanel.h"

#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "geometry/shapeexecute.h"
#include "geometry/viewmapping.h"
#include "imagedata/imagedocument.h"
#include "operationpages.h"
#include "windowhost.h"
#include "mainform_state.h"
#include "brushpainting.h"
#include "mainview.h"
#include "transformcontrols.h"
#include "ui_mainform.h"
#include "widgets/imagecontrol.h"
#include "widgets/pagecontrol.h"
#include "widgets/updown.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

namespace {
int wholeEdit(const QLineEdit *edit)
{
    return edit->text().toInt();
}
} // namespace

void transformPanel::setUpTrimming()
{
    Ui::TmainForm &ui = *form.ui;
    upperTrimming = new upDown(ui.upperTrimingUpDown, ui.upperTrimingLabeledEdit);
    lowerTrimming = new upDown(ui.lowerTrimingUpDown, ui.lowerTrimingLabeledEdit);
    leftTrimming = new upDown(ui.leftTrimingUpDown, ui.leftTrimingLabeledEdit);
    rightTrimming = new upDown(ui.rightTrimingUpDown, ui.rightTrimingLabeledEdit);
    connect(upperTrimming, &upDown::clicked, this, &transformPanel::upperTrimingUpDownClick);
    connect(lowerTrimming, &upDown::clicked, this, &transformPanel::lowerTrimingUpDownClick);
    connect(leftTrimming, &upDown::clicked, this, &transformPanel::leftTrimingUpDownClick);
    connect(rightTrimming, &upDown::clicked, this, &transformPanel::rightTrimingUpDownClick);

    trimmingRect = std::make_unique<commonResizeRect>();
    trimmingRect->setCursor = [this](resizeCursor shape) {
        form.ui->mainImage->setCursorShape(imageControl::cursorShape(int(shape)));
    };
    trimmingDrawn = false;
    connect(ui.mainImage, &imageControl::mouseDown, this, &transformPanel::mainImageMouseDown);
    connect(ui.mainImage, &imageControl::mouseMove, this, &transformPanel::mainImageMouseMove);
    connect(ui.mainImage, &imageControl::mouseUp, this, &transformPanel::mainImageMouseUp);
    ui.mainImage->setMouseTracking(true); // hovering over a handle shows its cursor
}

void transformPanel::viewLaidOut(const rectangle &pictureArea, double pixelRatio)
{
    trimmingDrawn = false;
    trimmingRect->handleSpan = static_cast<int>(std::lround(commonResizeRect::handleSize * pixelRatio));
    spanPicture(pictureArea);
}

void transformPanel::spanPicture(const rectangle &pictureArea)
{
    trimmingRect->setRect(pictureArea.left, pictureArea.top, pictureArea.right, pictureArea.bottom);
}

void transformPanel::refresh()
{
    magnificationSync(magnification::horizontal);
    // Unticked, the sync leaves the height pair alone; it still follows the current picture, so
    // that the height a resize makes is never another picture's.
    if (!form.ui->reSizeRatioCheckBox->isChecked()) rewriteMagnificationPair(magnification::vertical);
    refreshTrimmingControls();
    trimmingActive = form.state->operationPages->activePageIndex() == transformPage && form.operationCode() == shapeTrim;
    showTrimmingRect(trimmingShown());
    // Without the rectangle no cursor of its handles stays on the picture.
    if (!trimmingShown()) form.ui->mainImage->setCursorShape(imageControl::defaultCursor);
}

viewAxis transformPanel::horizontalViewAxis() const
{
    // Zoomed, mainViewRect is the picture's whole extent at the zoom (beyond the view when scrolled).
    const rectangle &r = form.state->mainViewRect;
    const int length = form.state->view->viewZoomed() ? r.right - r.left + 1 : form.state->mainViewBitmap.width();
    return viewAxis{r.left, length, form.state->currentBitmap ? form.state->currentBitmap->width() : 0};
}

viewAxis transformPanel::verticalViewAxis() const
{
    const rectangle &r = form.state->mainViewRect;
    const int length = form.state->view->viewZoomed() ? r.bottom - r.top + 1 : form.state->mainViewBitmap.height();
    return viewAxis{r.top, length, form.state->currentBitmap ? form.state->currentBitmap->height() : 0};
}

bool transformPanel::trimmingShown() const
{
    // A brush page takes the mouse on mainImage for painting.
    return trimmingActive && !form.state->painting->brushKindShowing() && form.hasImage() && hasPixels(*form.state->currentBitmap);
}

void transformPanel::showTrimmingRect(bool shown)
{
    if (shown == trimmingDrawn) return;
    trimmingRect->draw(form.ui->mainImage->canvas());
    form.ui->mainImage->canvasChanged();
    trimmingDrawn = shown;
}

void transformPanel::refreshPostTrimmingCaptions()
{
    Ui::TmainForm &ui = *form.ui;
    const qint64 width = qint64(wholeEdit(ui.rightTrimingLabeledEdit)) - wholeEdit(ui.leftTrimingLabeledEdit) + 1;
    const qint64 height = qint64(wholeEdit(ui.lowerTrimingLabeledEdit)) - wholeEdit(ui.upperTrimingLabeledEdit) + 1;
    ui.postTrimingImageWidthStaticText->setText(QString::number(width));
    ui.postTrimingImageHeightStaticText->setText(QString::number(height));
    ui.postTrimingImagePixelStaticText->setText(QString::number(width * height));
}

void transformPanel::refreshTrimmingControls()
{
    if (!form.hasImage()) return;
    Ui::TmainForm &ui = *form.ui;
    const double W = form.state->pictureWidth, H = form.state->pictureHeight;
    ui.preTrimingImageWidthStaticText->setText(QString::number(W, 'f', 0));
    ui.preTrimingImageHeightStaticText->setText(QString::number(H, 'f', 0));
    ui.preTrimingImagePixelText->setText(QString::number(W * H, 'f', 0));
    const imageDocument *d = form.documentAt(form.state->currentIndex);
    const double s = d ? d->viewScale : 0.0;
    if (!hasPixels(*form.state->currentBitmap) || !(s > 0)) return; // nothing to trim

    upperTrimming->setRange(0, int(H - 1));
    lowerTrimming->setRange(0, int(H - 1));
    leftTrimming->setRange(0, int(W - 1));
    rightTrimming->setRange(0, int(W - 1));

    // The rectangle's edges are the picture's columns and rows under its lines: the whole view is
    // the whole picture at every scale.
    const rectangle &r = trimmingRect->rect;
    const viewAxis across = horizontalViewAxis(), down = verticalViewAxis();
    const std::pair<QLineEdit *, int> edges[] = {
        {ui.leftTrimingLabeledEdit, firstPictureOf(across, r.left)},
        {ui.rightTrimingLabeledEdit, lastPictureOf(across, r.right)},
        {ui.upperTrimingLabeledEdit, firstPictureOf(down, r.top)},
        {ui.lowerTrimingLabeledEdit, lastPictureOf(down, r.bottom)},
    };
    for (const auto &[edit, value] : edges) edit->setText(QString::number(value));
    refreshPostTrimmingCaptions();

    // The up-downs step from the values shown, wherever the mouse left them.
    const std::pair<upDown *, QLineEdit *> buddies[] = {
        {upperTrimming, ui.upperTrimingLabeledEdit}, {lowerTrimming, ui.lowerTrimingLabeledEdit},
        {leftTrimming, ui.leftTrimingLabeledEdit}, {rightTrimming, ui.rightTrimingLabeledEdit}};
    for (const auto &[buddy, edit] : buddies) {
        const QSignalBlocker quiet(buddy->widget());
        buddy->widget()->setValue(wholeEdit(edit));
    }
}

void transformPanel::trimmingUpDownClick()
{
    form.guarded([this] {
        if (!form.hasImage()) return;
        const imageDocument *d = form.documentAt(form.state->currentIndex);
        const double s = d ? d->viewScale : 0.0;
        if (!hasPixels(*form.state->currentBitmap) || !(s > 0)) return;
        Ui::TmainForm &ui = *form.ui;
        showTrimmingRect(false);
        const int ox = form.state->mainViewRect.left, oy = form.state->mainViewRect.top;
        // Each line goes onto the first control pixel showing its column or row; the picture's
        // last ones onto the view's last, so that the whole picture is the untouched rectangle.
        const auto lineAt = [](const viewAxis &axis, int value) {
            return value >= axis.pictureLength - 1 ? lastControlOf(axis, value) : firstControlOf(axis, value);
        };
        const viewAxis across = horizontalViewAxis(), down = verticalViewAxis();
        trimmingRect->setEdges(lineAt(across, wholeEdit(ui.leftTrimingLabeledEdit)),
                               lineAt(across, wholeEdit(ui.rightTrimingLabeledEdit)),
                               lineAt(down, wholeEdit(ui.upperTrimingLabeledEdit)),
                               lineAt(down, wholeEdit(ui.lowerTrimingLabeledEdit)));
        refreshPostTrimmingCaptions();
        trimmingRect->clampRect();
        trimmingRect->placeHandles();
        showTrimmingRect(trimmingShown());
        // Cross limits: the edges keep 27 control pixels apart. A limit stays inside the picture
        // and never passes its own edge's value (a rectangle at its smallest, a picture shown
        // fewer than 27 pixels high), which would move that edge behind the rectangle's back.
        const rectangle &r = trimmingRect->rect;
        const int lastColumn = int(form.state->pictureWidth - 1), lastRow = int(form.state->pictureHeight - 1);
        upperTrimming->setMaximum(
            std::clamp(trimEditFromControl(r.bottom - 27, oy, s), upperTrimming->position(), lastRow));
        lowerTrimming->setMinimum(std::clamp(trimEditFromControl(r.top + 27, oy, s), 0, lowerTrimming->position()));
        leftTrimming->setMaximum(
            std::clamp(trimEditFromControl(r.right - 27, ox, s), leftTrimming->position(), lastColumn));
        rightTrimming->setMinimum(std::clamp(trimEditFromControl(r.left + 27, ox, s), 0, rightTrimming->position()));
    });
}

// ---- Mouse on mainImage -------------------------------------------------------------------------

void transformPanel::mainImageMouseDown(Qt::MouseButton, int x, int y)
{
    trimmingRect->lastPoint = point{x, y};
    trimmingRect->pressPoint = point{x, y};
    trimmingRect->hitTest(x, y, false);
    // Without the rectangle on the picture there is nothing a cursor could point at.
    if (!trimmingShown()) form.ui->mainImage->setCursorShape(imageControl::defaultCursor);
}

void transformPanel::mainImageMouseMove(Qt::MouseButtons buttons, int x, int y)
{
    if (!trimmingShown()) return;
    if (buttons & Qt::LeftButton) {
        form.guarded([&] {
            showTrimmingRect(true);
            trimmingRect->dragEdges(form.ui->mainImage->canvas(), x, y);
            form.ui->mainImage->canvasChanged();
            refreshTrimmingControls();
        });
    } else {
        trimmingRect->hitTest(x, y, false);
    }
}

void transformPanel::mainImageMouseUp(Qt::MouseButton, int, int)
{
    trimmingRect->dragMode = dragNone;
}
