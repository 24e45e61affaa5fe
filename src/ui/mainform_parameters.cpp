// The parameter controls of the "調整", "効果1" and "効果2" pages and the tone-curve editor.
#include "mainform.h"

#include "colour/tonecurveview.h"
#include "widgets/imagecontrol.h"
#include "widgets/radiogroup.h"
#include "transformpanel.h"
#include "ui_mainform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

void TmainForm::parameterTrackBarChange(QSlider *trackBar, QLabel *caption)
{
    caption->setText(QString::number(trackBar->value()));
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::monoColorRadioGroupClick()
{
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::embosseAngleRadioGroupClick()
{
    filter.embossAngle = embosseAngleGroup->itemIndex() * 45;
    guarded([this] { applyOperation(previewMode); });
}

// ---- Tone-curve editor ----------------------------------------------------------------------

namespace {
enum toneKind { sCurveKind = 0, slopeKind = 1, pointsKind = 2, gammaKind = 3 };

} // namespace

void TmainForm::drawToneCurveEditor()
{
    const int item = toneCurveGroup->itemIndex();
    const int kind = filterToneSCurve + (item >= sCurveKind && item <= gammaKind ? item : sCurveKind);
    const QString value = drawToneCurve(ui->toneCntImg->canvas(), kind, ui->toneTrackBar->maximum(),
                                        ui->toneTrackBar->minimum(), ui->toneTrackBar->value(),
                                        filter.tonePoints, toneSamples.data());
    ui->toneCntImg->canvasChanged();
    ui->toneValue->setText(value);
}

void TmainForm::toneReset()
{
    toneSCurveLevel = 0;
    toneSlopeLevel = 25;
    toneGammaLevel = 0;
    toneDragIndex = toneNoKnot;
    resetTonePoints(filter.tonePoints);
    drawToneCurveEditor();
}

void TmainForm::toneTrackBarChange()
{
    const int position = ui->toneTrackBar->value();
    switch (toneCurveGroup->itemIndex()) {
    case sCurveKind: toneSCurveLevel = position; break;
    case slopeKind: toneSlopeLevel = position; break;
    case gammaKind: toneGammaLevel = position; break;
    case pointsKind:
        if (position != 0) {
            // The point curve has no position: the bar snaps back, and that change redraws.
            ui->toneTrackBar->setValue(0);
            return;
        }
        break;
    default: break;
    }
    drawToneCurveEditor();
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::toneCurveRadioGroupClick()
{
    int position = 0;
    switch (toneCurveGroup->itemIndex()) {
    case sCurveKind: position = toneSCurveLevel; break;
    case slopeKind: position = toneSlopeLevel; break;
    case gammaKind: position = toneGammaLevel; break;
    default: break;
    }
    ui->toneTrackBar->setValue(position);
    drawToneCurveEditor();
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::curveResetButtonClick()
{
    toneReset();
    transform->reset();
    drawToneCurveEditor();
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::toneCntImgMouseDown(Qt::MouseButton, int x, int y)
{
    // Any button starts a drag; only the point curve has knots.
    if (toneCurveGroup->itemIndex() != pointsKind) return;
    toneDragIndex = toneKnotHit(filter.tonePoints, x, y);
}

void TmainForm::toneCntImgMouseMove(Qt::MouseButtons, int, int y)
{
    if (toneDragIndex < 0 || toneDragIndex > 8) return;
    if (!toneKnotDrag(filter.tonePoints, toneDragIndex, y, ui->toneCntImg->height())) return;
    drawToneCurveEditor();
    guarded([this] { applyOperation(previewMode); });
}

void TmainForm::toneCntImgMouseUp(Qt::MouseButton, int, int)
{
    toneDragIndex = toneNoKnot;
}
