// The parameter controls of the "調整", "効果1" and "効果2" pages and the tone-curve editor.
#include "mainform.h"
#include "mainform_state.h"

#include "colour/tonecurveview.h"
#include "widgets/imagecontrol.h"
#include "widgets/radiogroup.h"
#include "transformpanel.h"
#include "ui_mainform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

// Writes a track bar's position into its caption and requests a preview.
void TmainForm::parameterTrackBarChange(QSlider *trackBar, QLabel *caption)
{
    caption->setText(QString::number(trackBar->value()));
    guarded([this] { applyOperation(operationMode::preview); });
}

void TmainForm::monoColorRadioGroupClick()
{
    guarded([this] { applyOperation(operationMode::preview); });
}

void TmainForm::embosseAngleRadioGroupClick()
{
    state->filter.embossAngle = state->embosseAngleGroup->itemIndex() * 45;
    guarded([this] { applyOperation(operationMode::preview); });
}

// ---- Tone-curve editor ----------------------------------------------------------------------

namespace {
enum toneKind { sCurveKind = 0, slopeKind = 1, pointsKind = 2, gammaKind = 3 };

} // namespace

void TmainForm::drawToneCurveEditor()
{
    const int item = state->toneCurveGroup->itemIndex();
    const int kind = filterToneSCurve + (item >= sCurveKind && item <= gammaKind ? item : sCurveKind);
    const QString value = drawToneCurve(ui->toneCntImg->canvas(), kind, ui->toneTrackBar->maximum(),
                                        ui->toneTrackBar->minimum(), ui->toneTrackBar->value(),
                                        state->filter.tonePoints, state->toneSamples.data());
    ui->toneCntImg->canvasChanged();
    ui->toneValue->setText(value);
}

void TmainForm::toneReset()
{
    state->toneSCurveLevel = 0;
    state->toneSlopeLevel = 25;
    state->toneGammaLevel = 0;
    state->toneDragIndex = toneNoKnot;
    resetTonePoints(state->filter.tonePoints);
    drawToneCurveEditor();
}

void TmainForm::toneTrackBarChange()
{
    const int position = ui->toneTrackBar->value();
    switch (state->toneCurveGroup->itemIndex()) {
    case sCurveKind: state->toneSCurveLevel = position; break;
    case slopeKind: state->toneSlopeLevel = position; break;
    case gammaKind: state->toneGammaLevel = position; break;
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
    guarded([this] { applyOperation(operationMode::preview); });
}

void TmainForm::toneCurveRadioGroupClick()
{
    int position = 0;
    switch (state->toneCurveGroup->itemIndex()) {
    case sCurveKind: position = state->toneSCurveLevel; break;
    case slopeKind: position = state->toneSlopeLevel; break;
    case gammaKind: position = state->toneGammaLevel; break;
    default: break;
    }
    ui->toneTrackBar->setValue(position);
    drawToneCurveEditor();
    guarded([this] { applyOperation(operationMode::preview); });
}

void TmainForm::curveResetButtonClick()
{
    toneReset();
    state->transform->reset();
    drawToneCurveEditor();
    guarded([this] { applyOperation(operationMode::preview); });
}

void TmainForm::toneCntImgMouseDown(Qt::MouseButton, int x, int y)
{
    // Any button starts a drag; only the point curve has knots.
    if (state->toneCurveGroup->itemIndex() != pointsKind) return;
    state->toneDragIndex = toneKnotHit(state->filter.tonePoints, x, y);
}

void TmainForm::toneCntImgMouseMove(Qt::MouseButtons, int, int y)
{
    if (state->toneDragIndex < 0 || state->toneDragIndex > 8) return;
    if (!toneKnotDrag(state->filter.tonePoints, state->toneDragIndex, y, ui->toneCntImg->height())) return;
    drawToneCurveEditor();
    guarded([this] { applyOperation(operationMode::preview); });
}

void TmainForm::toneCntImgMouseUp(Qt::MouseButton, int, int)
{
    state->toneDragIndex = toneNoKnot;
}
