// The 変形 (transform) page: the transform set-up and its parameters, the preview and commit of
// the transforms, the resize edits and their magnification sync, the rotation, slope, trapezoid
// and distortion edits, the trimming rectangle with its up-downs, and the mouse on mainImage.
#include "mainform.h"
#include "brushpainting.h"
#include "mainview.h"

#include "geometry/commonfigureroutine.h"
#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "geometry/shapeparameters.h"
#include "geometry/viewmapping.h"
#include "widgets/imagecontrol.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "widgets/keyupedit.h"
#include "mytoolbox.h"
#include "widgets/pagecontrol.h"
#include "widgets/progressbar.h"
#include "widgets/radiogroup.h"
#include "transformcontrols.h"
#include "ui_mainform.h"
#include "widgets/updown.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

namespace {

// The application's style, except that a track bar whose "sliderVisible" property is false is
// drawn without its slider: only the groove and the ticks.
class sliderOptionalStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override
    {
        if (control == CC_Slider && widget && widget->property("sliderVisible") == false) {
            if (const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option)) {
                QStyleOptionSlider bare(*slider);
                bare.subControls &= ~SC_SliderHandle;
                bare.activeSubControls &= ~SC_SliderHandle;
                QProxyStyle::drawComplexControl(control, &bare, painter, widget);
                return;
            }
        }
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
};

void setSliderVisible(QSlider *bar, bool visible)
{
    if (!bar->findChild<sliderOptionalStyle *>(QString(), Qt::FindDirectChildrenOnly)) {
        auto *style = new sliderOptionalStyle;
        style->setParent(bar);
        bar->setStyle(style);
    }
    bar->setProperty("sliderVisible", visible);
    bar->update();
}

int wholeEdit(const QLineEdit *edit)
{
    return edit->text().toInt();
}

// The whole number an edit must hold; anything else is refused with the edit's label.
int requiredWholeNumber(const QLineEdit *edit, const char *label)
{
    if (std::optional<int> value = wholeNumberOf(edit->text())) return *value;
    throw imageError(
        TmainForm::tr("%1：「%2」は整数ではありません。").arg(TmainForm::tr(label), edit->text()));
}
} // namespace

// ---- Set-up -----------------------------------------------------------------------------------

void TmainForm::setUpTransformControls()
{
    shapeSetUp = std::make_unique<prepareShape>();
    shapeSetUp->engine->progressBar = progress->indicator();

    // The bars of the transform page from the parameter table.
    for (const shapeParameter &p : shapeParameters()) {
        if (!p.control) continue;
        auto *bar = findChild<QSlider *>(QString::fromLatin1(p.control));
        if (!bar) continue;
        setUpTrackBar(bar, p.minimum, p.maximum, p.start, p.tickSpacing, p.pageStep);
    }

    const std::pair<QLineEdit *, void (TmainForm::*)()> edits[] = {
        {ui->verticalMagParcentEdit, &TmainForm::verticalMagParcentEditKeyUp},
        {ui->verticalMagPixelEdit, &TmainForm::verticalMagPixelEditKeyUp},
        {ui->horizontalMagParcentEdit, &TmainForm::horizontalMagParcentEditKeyUp},
        {ui->horizontalMagPixelEdit, &TmainForm::horizontalMagPixelEditKeyUp},
        {ui->rotateEdit, &TmainForm::rotateEditKeyUp},
        {ui->slopeBalanceEdit, &TmainForm::slopeBalanceEditKeyUp},
        {ui->perspectiveEdit, &TmainForm::perspectiveEditKeyUp},
        {ui->distortoinEdit, &TmainForm::distortoinEditKeyUp},
    };
    for (const auto &[edit, handler] : edits)
        connect(new keyUpEdit(edit), &keyUpEdit::keyUp, this, handler);

    upperTrimming = new upDown(ui->upperTrimingUpDown, ui->upperTrimingLabeledEdit);
    lowerTrimming = new upDown(ui->lowerTrimingUpDown, ui->lowerTrimingLabeledEdit);
    leftTrimming = new upDown(ui->leftTrimingUpDown, ui->leftTrimingLabeledEdit);
    rightTrimming = new upDown(ui->rightTrimingUpDown, ui->rightTrimingLabeledEdit);
    connect(upperTrimming, &upDown::clicked, this, &TmainForm::upperTrimingUpDownClick);
    connect(lowerTrimming, &upDown::clicked, this, &TmainForm::lowerTrimingUpDownClick);
    connect(leftTrimming, &upDown::clicked, this, &TmainForm::leftTrimingUpDownClick);
    connect(rightTrimming, &upDown::clicked, this, &TmainForm::rightTrimingUpDownClick);

    connect(rotateAngleGroup.get(), &radioGroup::clicked, this, &TmainForm::rotateAngleRadioGroupClick);
    connect(ui->mainImage, &imageControl::mouseDown, this, &TmainForm::mainImageMouseDown);
    connect(ui->mainImage, &imageControl::mouseMove, this, &TmainForm::mainImageMouseMove);
    connect(ui->mainImage, &imageControl::mouseUp, this, &TmainForm::mainImageMouseUp);
    ui->mainImage->setMouseTracking(true); // hovering over a handle shows its cursor
}

void TmainForm::createTrimmingRect()
{
    trimmingRect = std::make_unique<commonResizeRect>();
    trimmingRect->setCursor = [this](resizeCursor shape) {
        ui->mainImage->setCursorShape(imageControl::cursorShape(int(shape)));
    };
    trimmingDrawn = false;
}

void TmainForm::resetTransformControls()
{
    ui->distortoinTrackBar->setValue(0);
    ui->distortoinEdit->setText(QStringLiteral("0"));
    ui->perspectiveTrackBar->setValue(0);
    ui->perspectiveEdit->setText(QStringLiteral("0"));
    ui->slopeBalanceTrackBar->setValue(0);
    ui->slopeBalanceEdit->setText(QStringLiteral("0"));
    rotateAngleGroup->setItemIndex(0);
    ui->rotateTrackBar->setValue(0);
    ui->rotateEdit->setText(QStringLiteral("0"));
    shapeSetUp->horizontalPercent = 100.0;
    shapeSetUp->verticalPercent = 100.0;
    ui->horizontalMagParcentEdit->setText(magnificationText(100.0, 2));
    ui->verticalMagParcentEdit->setText(magnificationText(100.0, 2));
    ui->reSizeRatioCheckBox->setChecked(true);
    guarded([this] { applyOperation(previewMode); });
}

// ---- Parameters ---------------------------------------------------------------------------------

void TmainForm::captureTransformControls()
{
    prepareShape &p = *shapeSetUp;
    shapeExecute &e = *p.engine;
    // The sizes are read by a resize commit only (checkTransformParameters insists on them
    // there): a size edit left empty while the user retypes it stops no preview.
    if (std::optional<int> width = wholeNumberOf(ui->horizontalMagPixelEdit->text())) p.targetWidth = *width;
    if (std::optional<int> height = wholeNumberOf(ui->verticalMagPixelEdit->text())) p.targetHeight = *height;
    if (std::optional<int> hundredths = hundredthsOf(ui->rotateEdit->text()))
        e.rotateAngle = *hundredths;
    else
        throw imageError(TmainForm::tr("回転角度：「%1」は角度として使えない値です。").arg(ui->rotateEdit->text()));
    e.trimLeft = requiredWholeNumber(ui->leftTrimingLabeledEdit, "LeftPoint");
    e.trimRight = requiredWholeNumber(ui->rightTrimingLabeledEdit, "RightPoint");
    e.trimTop = requiredWholeNumber(ui->upperTrimingLabeledEdit, "UpperPoint");
    e.trimBottom = requiredWholeNumber(ui->lowerTrimingLabeledEdit, "LowerPoint");
    e.slopeBalance = requiredWholeNumber(ui->slopeBalanceEdit, QT_TRANSLATE_NOOP("TmainForm", "傾斜調整"));
    e.perspective = requiredWholeNumber(ui->perspectiveEdit, QT_TRANSLATE_NOOP("TmainForm", "台形調整"));
    e.distortion = requiredWholeNumber(ui->distortoinEdit, QT_TRANSLATE_NOOP("TmainForm", "歪曲調整"));
}

void TmainForm::checkTransformParameters(std::uint32_t code, bool commit)
{
    const shapeExecute &e = *shapeSetUp->engine;
    if (code == shapeResize && commit) {
        requiredWholeNumber(ui->horizontalMagPixelEdit, QT_TRANSLATE_NOOP("TmainForm", "幅"));
        requiredWholeNumber(ui->verticalMagPixelEdit, QT_TRANSLATE_NOOP("TmainForm", "高さ"));
        const shapeParameter *w = findShapeParameter("targetWidth");
        const shapeParameter *h = findShapeParameter("targetHeight");
        if (w && h &&
            (shapeSetUp->targetWidth < w->minimum || shapeSetUp->targetWidth > w->maximum ||
             shapeSetUp->targetHeight < h->minimum || shapeSetUp->targetHeight > h->maximum))
            throw imageError(TmainForm::tr("幅と高さは %1 から %2 ピクセルの範囲で指定してください。")
                                 .arg(QString::number(w->minimum), QString::number(w->maximum)));
    }
    // An edit may hold a value its bar cannot reach (the bar stood at its end already).
    struct amount {
        std::uint32_t code;
        const char *field;
        const char *label;
    };
    const amount amounts[] = {{shapeSlope, "slopeBalance", QT_TRANSLATE_NOOP("TmainForm", "傾斜調整")},
                              {shapePerspective, "perspective", QT_TRANSLATE_NOOP("TmainForm", "台形調整")},
                              {shapeDistort, "distortion", QT_TRANSLATE_NOOP("TmainForm", "歪曲調整")}};
    for (const amount &a : amounts) {
        const shapeParameter *p = findShapeParameter(a.field);
        if (a.code != code || !p) continue;
        const int value = e.*(p->member);
        if (value < p->minimum || value > p->maximum)
            throw imageError(TmainForm::tr("%1は %2 から %3 の範囲で指定してください。")
                                 .arg(TmainForm::tr(a.label), QString::number(p->minimum), QString::number(p->maximum)));
    }
    // A result larger than any picture Korvia opens is refused before the work.
    if (commit && currentBitmap) shapeSetUp->checkShapedSize(currentBitmap->width(), currentBitmap->height());
}

// ---- Preview and commit -------------------------------------------------------------------------

void TmainForm::previewTransform(std::uint32_t code)
{
    if (hasPixels(sampleBitmap)) {
        if (std::optional<QImage> preview = shapeSetUp->makePreviewBitmap(sampleBitmap))
            sampleBitmap = std::move(*preview);
        if (code == shapeRotateRight90 || code == shapeRotateLeft90) {
            const rectangle old = sampleRect;
            sampleRect = rectangle{old.top, old.left, old.bottom, old.right};
        }
    }
    drawViews(sampleView);
    drawSampleGrid();
}

void TmainForm::drawSampleGrid()
{
    // The guide grid over the whole sample view, drawn inverting.
    QImage &canvas = ui->sampleImage->canvas();
    if (canvas.width() >= 8 && canvas.height() >= 8) {
        figureCanvas pen(canvas);
        pen.inverting = true;
        drawGrid(pen, canvas.width(), canvas.height(), 8);
        pen.inverting = false;
    }
    ui->sampleImage->canvasChanged();
}

void TmainForm::commitTransform(imageDocument &d)
{
    if (!hasPixels(d.bitmap)) return;
    QImage shaped = shapeSetUp->makeShapedBitmap(d.bitmap); // throws when it cannot be made
    if (shaped.isNull()) return; // no transform chosen: the picture stays as it was
    d.bitmap = std::move(shaped);
    layoutViews(bothViews);
    drawViews(mainView);
}

// ---- Resize edits -------------------------------------------------------------------------------

void TmainForm::rewriteMagnificationPair(int kind)
{
    // The edit being typed in is rewritten too: an unchanged text keeps its selection, and a
    // changed one keeps the caret where it was, so that typing 1, 5, 0 into a percent edit
    // reads 1.00, 15.00, 150.00 rather than running on behind the decimals.
    const auto rewrite = [](QLineEdit *edit, const QString &text) {
        if (edit->text() == text) return;
        const int caret = edit->cursorPosition();
        edit->setText(text);
        edit->setCursorPosition(std::min(caret, int(text.size())));
    };
    const bool vertical = kind == verticalKind;
    const double percent = vertical ? shapeSetUp->verticalPercent : shapeSetUp->horizontalPercent;
    const double size = vertical ? pictureHeight : pictureWidth;
    rewrite(vertical ? ui->verticalMagPixelEdit : ui->horizontalMagPixelEdit,
            magnificationText(percent * size * 0.01, 0));
    rewrite(vertical ? ui->verticalMagParcentEdit : ui->horizontalMagParcentEdit, magnificationText(percent, 2));
}

void TmainForm::magnificationSync(int kind)
{
    if (!hasImage()) return;
    if (ui->reSizeRatioCheckBox->isChecked()) {
        if (kind == verticalKind)
            shapeSetUp->horizontalPercent = shapeSetUp->verticalPercent;
        else
            shapeSetUp->verticalPercent = shapeSetUp->horizontalPercent;
        rewriteMagnificationPair(horizontalKind);
        rewriteMagnificationPair(verticalKind);
    } else {
        rewriteMagnificationPair(kind);
    }
}

void TmainForm::resizeEditKeyUp(QLineEdit *edit, int kind, bool pixels)
{
    if (!hasImage()) return;
    if (isRealNumberEntry(edit->text(), {})) {
        const double value = edit->text().toDouble();
        const double size = kind == verticalKind ? pictureHeight : pictureWidth;
        double &percent = kind == verticalKind ? shapeSetUp->verticalPercent : shapeSetUp->horizontalPercent;
        bool changed = false;
        if (!pixels && value > 0) {
            percent = value;
            changed = true;
        } else if (pixels && value >= 1 && size >= 1) {
            percent = value / size * 100.0;
            changed = true;
        }
        if (changed) magnificationSync(kind);
    }
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::verticalMagParcentEditKeyUp() { resizeEditKeyUp(ui->verticalMagParcentEdit, verticalKind, false); }
void TmainForm::verticalMagPixelEditKeyUp() { resizeEditKeyUp(ui->verticalMagPixelEdit, verticalKind, true); }
void TmainForm::horizontalMagParcentEditKeyUp()
{
    resizeEditKeyUp(ui->horizontalMagParcentEdit, horizontalKind, false);
}
void TmainForm::horizontalMagPixelEditKeyUp()
{
    resizeEditKeyUp(ui->horizontalMagPixelEdit, horizontalKind, true);
}

// ---- Rotation, slope, trapezoid and distortion edits ---------------------------------------------

void TmainForm::rotateEditKeyUp()
{
    QLineEdit *edit = ui->rotateEdit;
    if (!isRealNumberEntry(edit->text(), {})) return;
    QSlider *bar = ui->rotateTrackBar;
    const double degrees = std::trunc(edit->text().toDouble());
    bar->setValue(int(std::clamp(degrees, double(bar->minimum()), double(bar->maximum()))));
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::integerEditKeyUp(QLineEdit *edit, QSlider *trackBar)
{
    if (!isIntegerEntry(edit->text(), {})) return;
    trackBar->setValue(edit->text().toInt());
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::slopeBalanceEditKeyUp() { integerEditKeyUp(ui->slopeBalanceEdit, ui->slopeBalanceTrackBar); }
void TmainForm::perspectiveEditKeyUp() { integerEditKeyUp(ui->perspectiveEdit, ui->perspectiveTrackBar); }
void TmainForm::distortoinEditKeyUp() { integerEditKeyUp(ui->distortoinEdit, ui->distortoinTrackBar); }

void TmainForm::rotateAngleRadioGroupClick()
{
    const bool byAngle =
        operationCodeOf(transformPage, rotateTab, rotateAngleGroup->itemIndex()) == shapeRotateAngle;
    setSliderVisible(ui->rotateTrackBar, byAngle);
    ui->rotateEdit->setEnabled(byAngle);
    ui->rotateAngleStaticText->setEnabled(byAngle);
    guarded([this] { applyOperation(previewMode); });
}

// ---- Trimming -----------------------------------------------------------------------------------

viewAxis TmainForm::horizontalViewAxis() const
{
    // Zoomed, mainViewRect is the picture's whole extent at the zoom (beyond the view when scrolled).
    const int length = view->viewZoomed() ? mainViewRect.right - mainViewRect.left + 1 : mainViewBitmap.width();
    return viewAxis{mainViewRect.left, length, currentBitmap ? currentBitmap->width() : 0};
}

viewAxis TmainForm::verticalViewAxis() const
{
    const int length = view->viewZoomed() ? mainViewRect.bottom - mainViewRect.top + 1 : mainViewBitmap.height();
    return viewAxis{mainViewRect.top, length, currentBitmap ? currentBitmap->height() : 0};
}

bool TmainForm::trimmingShown()
{
    // A brush page takes the mouse on mainImage for painting.
    return trimmingActive && !painting->brushKindShowing() && trimmingRect && hasImage() && hasPixels(*currentBitmap);
}

void TmainForm::showTrimmingRect(bool shown)
{
    if (!trimmingRect || shown == trimmingDrawn) return;
    trimmingRect->draw(ui->mainImage->canvas());
    ui->mainImage->canvasChanged();
    trimmingDrawn = shown;
}

void TmainForm::refreshPostTrimmingCaptions()
{
    const qint64 width = qint64(wholeEdit(ui->rightTrimingLabeledEdit)) - wholeEdit(ui->leftTrimingLabeledEdit) + 1;
    const qint64 height = qint64(wholeEdit(ui->lowerTrimingLabeledEdit)) - wholeEdit(ui->upperTrimingLabeledEdit) + 1;
    ui->postTrimingImageWidthStaticText->setText(QString::number(width));
    ui->postTrimingImageHeightStaticText->setText(QString::number(height));
    ui->postTrimingImagePixelStaticText->setText(QString::number(width * height));
}

void TmainForm::refreshTrimmingControls()
{
    if (!hasImage() || !trimmingRect) return;
    const double W = pictureWidth, H = pictureHeight;
    ui->preTrimingImageWidthStaticText->setText(QString::number(W, 'f', 0));
    ui->preTrimingImageHeightStaticText->setText(QString::number(H, 'f', 0));
    ui->preTrimingImagePixelText->setText(QString::number(W * H, 'f', 0));
    const imageDocument *d = documentAt(currentIndex);
    const double s = d ? d->viewScale : 0.0;
    if (!hasPixels(*currentBitmap) || !(s > 0)) return; // nothing to trim

    upperTrimming->setRange(0, int(H - 1));
    lowerTrimming->setRange(0, int(H - 1));
    leftTrimming->setRange(0, int(W - 1));
    rightTrimming->setRange(0, int(W - 1));

    // The rectangle's edges are the picture's columns and rows under its lines: the whole view is
    // the whole picture at every scale.
    const rectangle &r = trimmingRect->rect;
    const viewAxis across = horizontalViewAxis(), down = verticalViewAxis();
    const std::pair<QLineEdit *, int> edges[] = {
        {ui->leftTrimingLabeledEdit, firstPictureOf(across, r.left)},
        {ui->rightTrimingLabeledEdit, lastPictureOf(across, r.right)},
        {ui->upperTrimingLabeledEdit, firstPictureOf(down, r.top)},
        {ui->lowerTrimingLabeledEdit, lastPictureOf(down, r.bottom)},
    };
    for (const auto &[edit, value] : edges) edit->setText(QString::number(value));
    refreshPostTrimmingCaptions();

    // The up-downs step from the values shown, wherever the mouse left them.
    const std::pair<upDown *, QLineEdit *> buddies[] = {
        {upperTrimming, ui->upperTrimingLabeledEdit}, {lowerTrimming, ui->lowerTrimingLabeledEdit},
        {leftTrimming, ui->leftTrimingLabeledEdit}, {rightTrimming, ui->rightTrimingLabeledEdit}};
    for (const auto &[buddy, edit] : buddies) {
        const QSignalBlocker quiet(buddy->widget());
        buddy->widget()->setValue(wholeEdit(edit));
    }
}

void TmainForm::trimmingUpDownClick()
{
    guarded([this] {
        if (!hasImage() || !trimmingRect) return;
        const imageDocument *d = documentAt(currentIndex);
        const double s = d ? d->viewScale : 0.0;
        if (!hasPixels(*currentBitmap) || !(s > 0)) return;
        showTrimmingRect(false);
        const int ox = mainViewRect.left, oy = mainViewRect.top;
        // Each line goes onto the first control pixel showing its column or row; the picture's
        // last ones onto the view's last, so that the whole picture is the untouched rectangle.
        const auto lineAt = [](const viewAxis &axis, int value) {
            return value >= axis.pictureLength - 1 ? lastControlOf(axis, value) : firstControlOf(axis, value);
        };
        const viewAxis across = horizontalViewAxis(), down = verticalViewAxis();
        trimmingRect->setEdges(lineAt(across, wholeEdit(ui->leftTrimingLabeledEdit)),
                               lineAt(across, wholeEdit(ui->rightTrimingLabeledEdit)),
                               lineAt(down, wholeEdit(ui->upperTrimingLabeledEdit)),
                               lineAt(down, wholeEdit(ui->lowerTrimingLabeledEdit)));
        refreshPostTrimmingCaptions();
        trimmingRect->clampRect();
        trimmingRect->placeHandles();
        showTrimmingRect(trimmingShown());
        // Cross limits: the edges keep 27 control pixels apart. A limit stays inside the picture
        // and never passes its own edge's value (a rectangle at its smallest, a picture shown
        // fewer than 27 pixels high), which would move that edge behind the rectangle's back.
        const rectangle &r = trimmingRect->rect;
        const int lastColumn = int(pictureWidth - 1), lastRow = int(pictureHeight - 1);
        upperTrimming->setMaximum(
            std::clamp(trimEditFromControl(r.bottom - 27, oy, s), upperTrimming->position(), lastRow));
        lowerTrimming->setMinimum(std::clamp(trimEditFromControl(r.top + 27, oy, s), 0, lowerTrimming->position()));
        leftTrimming->setMaximum(
            std::clamp(trimEditFromControl(r.right - 27, ox, s), leftTrimming->position(), lastColumn));
        rightTrimming->setMinimum(std::clamp(trimEditFromControl(r.left + 27, ox, s), 0, rightTrimming->position()));
    });
}

void TmainForm::upperTrimingUpDownClick() { trimmingUpDownClick(); }
void TmainForm::leftTrimingUpDownClick() { trimmingUpDownClick(); }
void TmainForm::rightTrimingUpDownClick() { trimmingUpDownClick(); }
void TmainForm::lowerTrimingUpDownClick() { trimmingUpDownClick(); }

// ---- Mouse on mainImage -------------------------------------------------------------------------

void TmainForm::mainImageMouseDown(Qt::MouseButton, int x, int y)
{
    if (!trimmingRect) return;
    trimmingRect->lastPoint = point{x, y};
    trimmingRect->pressPoint = point{x, y};
    trimmingRect->hitTest(x, y, false);
    // Without the rectangle on the picture there is nothing a cursor could point at.
    if (!trimmingShown()) ui->mainImage->setCursorShape(imageControl::defaultCursor);
}

void TmainForm::mainImageMouseMove(Qt::MouseButtons buttons, int x, int y)
{
    if (!trimmingShown()) return;
    if (buttons & Qt::LeftButton) {
        guarded([&] {
            showTrimmingRect(true);
            trimmingRect->dragEdges(ui->mainImage->canvas(), x, y);
            ui->mainImage->canvasChanged();
            refreshTrimmingControls();
        });
    } else {
        trimmingRect->hitTest(x, y, false);
    }
}

void TmainForm::mainImageMouseUp(Qt::MouseButton, int, int)
{
    if (trimmingRect) trimmingRect->dragMode = dragNone;
}
