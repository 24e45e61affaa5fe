// Colortool: the colour panel of the "カラー" tab. It holds the drawing colour's field (lightness
// down, hue across, at the saturation of colorChromaTrackBar), the box and readouts of the
// drawing colour and of the colour under the mouse, and the 30 palette swatches. The window
// hands it its controls as drawing surfaces and captions and forwards the controls' events.
#pragma once
#include "colour/colorcontrol.h"
#include "controlrefs.h"

#include <QImage>
#include <array>
#include <cstdint>

class colorTool {
public:
    static constexpr int swatchCount = 30;
    static constexpr int fieldWidth = 180;
    static constexpr int fieldHeight = 128;

    colorTool();

    // Controls, borrowed from the window.
    std::array<pictureTarget *, swatchCount> swatches{}; // paletImage1 .. paletImage30
    std::array<std::uint32_t, swatchCount> swatchColors{}; // each swatch's fill colour (packed)
    pictureTarget *paintColorImage = nullptr;
    pictureTarget *sampleColorImage = nullptr;
    pictureTarget *choiceColorImage = nullptr;
    textTarget *drawColorRStaticText = nullptr;
    textTarget *drawColorGStaticText = nullptr;
    textTarget *drawColorBStaticText = nullptr;
    textTarget *drawColorVStaticText = nullptr;
    textTarget *drawColorHStaticText = nullptr;
    textTarget *drawColorSStaticText = nullptr;
    textTarget *colorChromaStaticText = nullptr;
    textTarget *choiceColorRStaticText = nullptr;
    textTarget *choiceColorGStaticText = nullptr;
    textTarget *choiceColorBStaticText = nullptr;
    textTarget *choiceColorVStaticText = nullptr;
    textTarget *choiceColorSStaticText = nullptr;
    textTarget *choiceColorHStaticText = nullptr;
    trackBarSource *colorChromaTrackBar = nullptr;
    std::uint32_t *drawColor = nullptr; // the window's drawing colour (packed)

    QImage fieldBitmap;   // 180 × 128, 32 bits per pixel
    colorTriple rgbTriple; // scratch for the conversions
    colorTriple hlsTriple;

    // The start colours of the swatches; swatch 30 is the drawing colour.
    static std::array<std::uint32_t, swatchCount> startSwatchColors(std::uint32_t drawingColour);

    // Field at the bar's position, drawing-colour box, swatches at their start colours.
    void initialisePanel();
    // Row i, column j of the field is hlsToRgb(2·i, 2·j, s); drawn at (0, 0) of sampleColorImage.
    void drawColorField(int s);
    // The field's colours into fieldBitmap only (what drawColorField draws).
    void computeColorField(int s);
    void setDrawColor(std::uint32_t c);
    void showChoiceColor(std::uint32_t c);
    // Swatch k + 1 takes swatch k's colour, swatch 1 the drawing colour; swatch 30's is lost.
    void pushPalette();
    void repaintPalette();

    // Events of the panel's controls, forwarded by the window. Positions outside the field's
    // image are ignored (a drag that leaves the field keeps reporting the mouse).
    void colorChromaChanged();
    void sampleColorMouseMove(int x, int y);
    void sampleColorMouseDown(int x, int y);
    void swatchMouseDown(int index); // 0-based
    void swatchMouseEnter(int index);

private:
    bool fieldColorAt(int x, int y, std::uint32_t &c);
    void showColor(std::uint32_t c, pictureTarget *box, textTarget *r, textTarget *g, textTarget *b,
                   textTarget *v, textTarget *h, textTarget *s);
    int saturation() const;
};
