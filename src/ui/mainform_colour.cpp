// The colour panel of the "カラー" tab and the settings of the two brushes: the window hands the
// engines its controls and forwards the controls' events to them.
#include "mainform.h"
#include "mainform_state.h"
#include "brushpainting.h"

#include "ui/panels/colortool.h"
#include "ui/panels/brushpanel.h"
#include "widgets/imagecontrol.h"
#include "widgets/statictext.h"
#include "ui_mainform.h"

#include <QLabel>
#include <QSlider>

namespace {
class sliderSource : public trackBarSource {
public:
    explicit sliderSource(QSlider *slider) : slider(slider) {}
    int position() const override { return slider->value(); }
    int minimum() const override { return slider->minimum(); }
    int maximum() const override { return slider->maximum(); }

private:
    QSlider *slider;
};
} // namespace

// The colour panel (construction step 11; the brush is step 13).
void TmainForm::setUpColourPanel()
{
    state->colorPanel = std::make_unique<colorTool>();
    colorTool &panel = *state->colorPanel;
    auto text = [this](QLabel *label) {
        return state->panelTexts.emplace_back(std::make_unique<staticText>(label)).get();
    };
    for (int k = 0; k < colorTool::swatchCount; ++k) {
        auto *swatch = findChild<imageControl *>(QStringLiteral("paletImage%1").arg(k + 1));
        panel.swatches[std::size_t(k)] = swatch;
        if (!swatch) continue;
        connect(swatch, &imageControl::mouseDown, this, [this, k] { paletImageMouseDown(k); });
        connect(swatch, &imageControl::mouseEnter, this, [this, k] { paletImageMouseEnter(k); });
    }
    panel.paintColorImage = ui->paintColorImage;
    panel.sampleColorImage = ui->sampleColorImage;
    panel.choiceColorImage = ui->choiceColorImage;
    panel.drawColorRStaticText = text(ui->drawColorRStaticText);
    panel.drawColorGStaticText = text(ui->drawColorGStaticText);
    panel.drawColorBStaticText = text(ui->drawColorBStaticText);
    panel.drawColorVStaticText = text(ui->drawColorVStaticText);
    panel.drawColorHStaticText = text(ui->drawColorHStaticText);
    panel.drawColorSStaticText = text(ui->drawColorSStaticText);
    panel.colorChromaStaticText = text(ui->colorChromaStaticText);
    panel.choiceColorRStaticText = text(ui->choiceColorRStaticText);
    panel.choiceColorGStaticText = text(ui->choiceColorGStaticText);
    panel.choiceColorBStaticText = text(ui->choiceColorBStaticText);
    panel.choiceColorVStaticText = text(ui->choiceColorVStaticText);
    panel.choiceColorSStaticText = text(ui->choiceColorSStaticText);
    panel.choiceColorHStaticText = text(ui->choiceColorHStaticText);
    panel.colorChromaTrackBar =
        state->trackBarSources.emplace_back(std::make_unique<sliderSource>(ui->colorChromaTrackBar)).get();
    panel.drawColor = &state->drawColor;
    ui->colorChromaStaticText->setText(QString::number(ui->colorChromaTrackBar->value()));
    panel.initialisePanel();
    // The drawing colour's readouts show it from the start, as they do after every pick.
    panel.setDrawColor(state->drawColor);

    // The hover box follows the mouse over the field without a button held.
    ui->sampleColorImage->setMouseTracking(true);
    connect(ui->sampleColorImage, &imageControl::mouseMove, this, &TmainForm::sampleColorImageMouseMove);
    connect(ui->sampleColorImage, &imageControl::mouseDown, this, &TmainForm::sampleColorImageMouseDown);
}

void TmainForm::colorChromaTrackBarChange()
{
    if (state->colorPanel)
        state->colorPanel->colorChromaChanged();
    else
        ui->colorChromaStaticText->setText(QString::number(ui->colorChromaTrackBar->value()));
}

void TmainForm::sampleColorImageMouseMove(Qt::MouseButtons, int x, int y)
{
    if (state->colorPanel) state->colorPanel->sampleColorMouseMove(x, y);
}

void TmainForm::sampleColorImageMouseDown(Qt::MouseButton, int x, int y)
{
    if (state->colorPanel) state->colorPanel->sampleColorMouseDown(x, y);
}

// One body for the 30 swatches (0-based).
void TmainForm::paletImageMouseDown(int index)
{
    if (state->colorPanel) state->colorPanel->swatchMouseDown(index);
}

void TmainForm::paletImageMouseEnter(int index)
{
    if (state->colorPanel) state->colorPanel->swatchMouseEnter(index);
}

// ---- Brushes --------------------------------------------------------------------------------

void TmainForm::viewMoved()
{
    if (state->painting) state->painting->refreshBrushCursor();
}

void TmainForm::setUpBrush()
{
    state->brush = std::make_unique<brushPanel>();
    brushPanel &b = *state->brush;
    auto text = [this](QLabel *label) {
        return state->panelTexts.emplace_back(std::make_unique<staticText>(label)).get();
    };
    auto bar = [this](QSlider *slider) {
        return state->trackBarSources.emplace_back(std::make_unique<sliderSource>(slider)).get();
    };
    b.airBrushSampleImage = ui->airBrushSampleImage;
    b.airBrushShapeImage = ui->airBrushShapeImage;
    b.waterBrushSampleImage = ui->waterBrushSampleImage;
    b.wateBrushShapeImage = ui->wateBrushShapeImage;
    b.airBrushSizeStaticText = text(ui->airBrushSizeStaticText);
    b.airBrushDensityStaticText = text(ui->airBrushDensityStaticText);
    b.airBrushShapeStaticText = text(ui->airBrushShapeStaticText);
    b.wateBrushSizeStaticText = text(ui->wateBrushSizeStaticText);
    b.wateBrushDensityStaticText = text(ui->wateBrushDensityStaticText);
    b.wateBrushShapeStaticText = text(ui->wateBrushShapeStaticText);
    b.airBrushSizeTrackBar = bar(ui->airBrushSizeTrackBar);
    b.airBrushDensityTrackBar = bar(ui->airBrushDensityTrackBar);
    b.airBrushShapeTrackBar = bar(ui->airBrushShapeTrackBar);
    b.wateBrushSizeTrackBar = bar(ui->wateBrushSizeTrackBar);
    b.wateBrushDensityTrackBar = bar(ui->wateBrushDensityTrackBar);
    b.wateBrushShapeTrackBar = bar(ui->wateBrushShapeTrackBar);
    b.drawColorRef = &state->drawColor;
    b.setupAirBrush();
    b.setupWaterBrush();
    state->painting = std::make_unique<brushPainting>(host());
}

// A brush bar: its position into its caption, then the brush of that kind set up again.
void TmainForm::brushTrackBarChange(QSlider *trackBar, QLabel *caption, int kind)
{
    caption->setText(QString::number(trackBar->value()));
    guarded([this, kind] {
        if (!state->brush) return;
        if (kind == brushTool::airKind)
            state->brush->setupAirBrush();
        else
            state->brush->setupWaterBrush();
    });
}
