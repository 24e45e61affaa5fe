// The parameter controls of the "調整", "効果1" and "効果2" pages and the tone-curve editor.
#include "mainform.h"

#include "imagecontrol.h"
#include "radiogroup.h"
#include "ui_mainform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>

void TmainForm::parameterTrackBarChange(QSlider *trackBar, QLabel *caption)
{
    caption->setText(QString::number(trackBar->value()));
    guarded([this] { applyOperation(1); });
}

void TmainForm::brightTrackBarChange() { parameterTrackBarChange(ui->brightTrackBar, ui->brightStaticText); }
void TmainForm::chromaTrackBarChange() { parameterTrackBarChange(ui->chromaTrackBar, ui->chromaStaticText); }
void TmainForm::hueTrackBarChange() { parameterTrackBarChange(ui->hueTrackBar, ui->hueStaticText); }
void TmainForm::redTrackBarChange() { parameterTrackBarChange(ui->redTrackBar, ui->redStaticText); }
void TmainForm::greenTrackBarChange() { parameterTrackBarChange(ui->greenTrackBar, ui->greenStaticText); }
void TmainForm::blueTrackBarChange() { parameterTrackBarChange(ui->blueTrackBar, ui->blueStaticText); }
void TmainForm::outFocusSizeTrackBarChange()
{
    parameterTrackBarChange(ui->outFocusSizeTrackBar, ui->outFocusSizeSizeStaticText);
}
void TmainForm::outFocusDensityTrackBarChange()
{
    parameterTrackBarChange(ui->outFocusDensityTrackBar, ui->outFocusDensityStaticText);
}
void TmainForm::fringeSizeTrackBarChange()
{
    parameterTrackBarChange(ui->fringeSizeTrackBar, ui->fringeSizeStaticText);
}
void TmainForm::fringeLevelTrackBarChange()
{
    parameterTrackBarChange(ui->fringeLevelTrackBar, ui->fringeLeveStaticText);
}
void TmainForm::paintTrackBarChange() { parameterTrackBarChange(ui->paintTrackBar, ui->paintStaticText); }
void TmainForm::softSizeTrackBarChange()
{
    parameterTrackBarChange(ui->softSizeTrackBar, ui->softSizeStaticText);
}
void TmainForm::softCoreLevelTrackBarChange()
{
    parameterTrackBarChange(ui->softCoreLevelTrackBar, ui->softCoreLevelStaticText);
}
void TmainForm::embosseLevelTrackBarChange()
{
    parameterTrackBarChange(ui->embosseLevelTrackBar, ui->embosseLevelStaticText);
}
void TmainForm::edgeTrackBarChange() { parameterTrackBarChange(ui->edgeTrackBar, ui->edgeStaticText); }
void TmainForm::colorLevelTrackBarChange()
{
    parameterTrackBarChange(ui->colorLevelTrackBar, ui->colorLevelStaticText);
}
void TmainForm::mosaicTrackBarChange() { parameterTrackBarChange(ui->mosaicTrackBar, ui->mosaicStaticText); }
void TmainForm::vibrateSizeTrackBarChange()
{
    parameterTrackBarChange(ui->vibrateSizeTrackBar, ui->vibrateSizeStaticText);
}
void TmainForm::vibrateAngleTrackBarChange()
{
    parameterTrackBarChange(ui->vibrateAngleTrackBar, ui->vibrateAngleStaticText);
}
void TmainForm::medianTrackBarChange() { parameterTrackBarChange(ui->medianTrackBar, ui->medianStaticText); }

void TmainForm::monoColorRadioGroupClick()
{
    guarded([this] { applyOperation(1); });
}

void TmainForm::embosseAngleRadioGroupClick()
{
    filter.embossAngle = embosseAngleGroup->itemIndex() * 45;
    guarded([this] { applyOperation(1); });
}

// ---- Tone-curve editor ----------------------------------------------------------------------

namespace {
enum toneKind { sCurveKind = 0, slopeKind = 1, pointsKind = 2, gammaKind = 3 };

// The curve display on the 132 x 132 editor: grid and diagonal in light grey, then the curve of
// the S, slope and gamma kinds (its parameter returned as text) or the nine knots of the point
// kind ("0").
QString drawToneCurve(QImage &canvas, int kind, int maximum, int minimum, int position,
                      const std::array<int, 9> &points, double *samples)
{
    canvas.fill(0xFFFFFFFF);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(192, 192, 192));
    p.drawLine(2, 130, 130, 2);
    for (int i = 0; i <= 8; ++i) {
        p.drawLine(2, 2 + 16 * i, 130, 2 + 16 * i);
        p.drawLine(2 + 16 * i, 2, 2 + 16 * i, 130);
    }
    if (kind == 13) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(166, 202, 240));
        for (int k = 0; k < 9; ++k) p.drawEllipse(QRect(16 * k - 2, points[k] - 2, 8, 8));
        p.setBrush(Qt::NoBrush);
        p.setPen(Qt::black);
        for (int k = 0; k < 8; ++k)
            p.drawLine(16 * k + 2, points[k] + 2, 16 * k + 18, points[k + 1] + 2);
        return QStringLiteral("0");
    }
    const double result = buildToneCurve(kind, maximum, minimum, position, points, samples, 128);
    p.setPen(Qt::black);
    QPoint last(0, int(128 - 128 * samples[0]) + 2);
    for (int i = 0; i < 128; ++i) {
        const QPoint next(i + 1, int(128 - 128 * samples[i]) + 2);
        p.drawLine(last, next);
        last = next;
    }
    return QString::number(result, 'f', 2);
}

// The knot under a press at (x, y): within 4 pixels above or below knot (x + 8) / 16, else 9.
int toneKnotHit(const std::array<int, 9> &points, int x, int y)
{
    const int k = (x + 8) / 16;
    if (k < 0 || k > 8) return 9;
    return points[k] - 4 <= y && y <= points[k] + 4 ? k : 9;
}

// Moves a knot to row y - 2 when 0 <= y <= the editor's height; returns whether it moved.
bool toneKnotDrag(std::array<int, 9> &points, int index, int y, int imageHeight)
{
    if (index < 0 || index > 8 || y < 0 || y > imageHeight) return false;
    points[index] = y - 2;
    return true;
}
} // namespace

void TmainForm::drawToneCurveEditor()
{
    const int item = toneCurveGroup->itemIndex();
    const int kind = 11 + (item >= 0 && item <= 3 ? item : 0);
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
    toneDragIndex = 9;
    for (int k = 0; k < 9; ++k) filter.tonePoints[k] = 128 - 16 * k;
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
    guarded([this] { applyOperation(1); });
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
    guarded([this] { applyOperation(1); });
}

void TmainForm::curveResetButtonClick()
{
    toneReset();
    resetTransformControls();
    drawToneCurveEditor();
    guarded([this] { applyOperation(1); });
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
    guarded([this] { applyOperation(1); });
}

void TmainForm::toneCntImgMouseUp(Qt::MouseButton, int, int)
{
    toneDragIndex = 9;
}

// ---- Transform controls ---------------------------------------------------------------------

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
    // The transform set-up's percentages go back to 100 here once it lands.
    ui->horizontalMagParcentEdit->setText(QString::number(100.0, 'f', 2));
    ui->verticalMagParcentEdit->setText(QString::number(100.0, 'f', 2));
    ui->reSizeRatioCheckBox->setChecked(true);
    guarded([this] { applyOperation(1); });
}
