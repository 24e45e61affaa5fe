#include "colortool.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr QRgb frameGrey = 0xFFC0C0C0; // light grey (192, 192, 192)

QRgb toRgb(std::uint32_t packed)
{
    int r, g, b;
    splitColor(packed, r, g, b);
    return qRgb(r, g, b);
}

std::uint32_t fromRgb(QRgb pixel)
{
    return packColor(static_cast<std::uint8_t>(qRed(pixel)), static_cast<std::uint8_t>(qGreen(pixel)),
                     static_cast<std::uint8_t>(qBlue(pixel)));
}

void setText(textTarget *target, int value)
{
    if (target) target->setCaption(QString::number(value));
}

// Fills the box with the colour and frames it.
void paintBox(pictureTarget *box, std::uint32_t colour, bool framed)
{
    if (!box) return;
    QImage &canvas = box->canvas();
    canvas.fill(toRgb(colour));
    if (framed && canvas.width() > 0 && canvas.height() > 0) {
        const int w = canvas.width(), h = canvas.height();
        for (int x = 0; x < w; ++x) {
            canvas.setPixel(x, 0, frameGrey);
            canvas.setPixel(x, h - 1, frameGrey);
        }
        for (int y = 0; y < h; ++y) {
            canvas.setPixel(0, y, frameGrey);
            canvas.setPixel(w - 1, y, frameGrey);
        }
    }
    box->canvasChanged();
}

constexpr std::uint32_t rgb(int r, int g, int b)
{
    return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
}
} // namespace

colorTool::colorTool() : fieldBitmap(fieldWidth, fieldHeight, QImage::Format_RGB32)
{
    fieldBitmap.fill(Qt::black);
}

std::array<std::uint32_t, colorTool::swatchCount> colorTool::startSwatchColors(std::uint32_t drawingColour)
{
    return {
        rgb(255, 0, 0),     rgb(0, 128, 0),     rgb(0, 0, 255),     rgb(255, 255, 0),
        rgb(192, 220, 192), rgb(128, 128, 128), rgb(0, 255, 255),   rgb(0, 255, 0),
        rgb(192, 192, 192), rgb(0, 0, 128),     rgb(128, 0, 128),   rgb(160, 160, 164),
        rgb(128, 128, 0),   rgb(166, 202, 240), rgb(0, 128, 128),   rgb(255, 251, 240),
        rgb(128, 128, 128), rgb(255, 0, 255),   rgb(128, 0, 0),     rgb(192, 192, 192),
        rgb(0, 0, 0),       rgb(0, 0, 128),     rgb(128, 128, 0),   rgb(255, 251, 240),
        rgb(0, 128, 128),   rgb(166, 202, 240), rgb(0, 255, 255),   rgb(192, 220, 192),
        rgb(166, 202, 240), drawingColour,
    };
}

int colorTool::saturation() const
{
    return colorChromaTrackBar ? colorChromaTrackBar->position() : 255;
}

void colorTool::initialisePanel()
{
    drawColorField(saturation());
    paintBox(paintColorImage, drawColor ? *drawColor : 0, false);
    swatchColors = startSwatchColors(drawColor ? *drawColor : 0);
    repaintPalette();
}

void colorTool::computeColorField(int s)
{
    for (int i = 0; i < fieldHeight; ++i) {
        auto *row = reinterpret_cast<QRgb *>(fieldBitmap.scanLine(i));
        for (int j = 0; j < fieldWidth; ++j) {
            hlsToRgb(rgbTriple, colorTriple{2 * i, 2 * j, s});
            // The field's lightness stays below 255, so no channel leaves 0..255; clamp anyway
            // so a byte never wraps.
            const int r = std::clamp(rgbTriple.first, 0, 255);
            const int g = std::clamp(rgbTriple.second, 0, 255);
            const int b = std::clamp(rgbTriple.third, 0, 255);
            row[j] = qRgb(r, g, b);
        }
    }
}

void colorTool::drawColorField(int s)
{
    computeColorField(s);
    if (!sampleColorImage) return;
    QImage &canvas = sampleColorImage->canvas();
    const int rows = std::min(fieldHeight, canvas.height());
    const int columns = std::min(fieldWidth, canvas.width());
    if (canvas.format() == QImage::Format_RGB32 || canvas.format() == QImage::Format_ARGB32) {
        for (int y = 0; y < rows; ++y)
            std::memcpy(canvas.scanLine(y), fieldBitmap.constScanLine(y), std::size_t(columns) * 4);
    } else {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < columns; ++x) canvas.setPixel(x, y, fieldBitmap.pixel(x, y));
    }
    sampleColorImage->canvasChanged();
}

void colorTool::showColor(std::uint32_t c, pictureTarget *box, textTarget *r, textTarget *g,
                          textTarget *b, textTarget *v, textTarget *h, textTarget *s)
{
    paintBox(box, c, true);
    splitColor(c, rgbTriple.first, rgbTriple.second, rgbTriple.third);
    setText(r, rgbTriple.first);
    setText(g, rgbTriple.second);
    setText(b, rgbTriple.third);
    rgbToHls(rgbTriple, hlsTriple);
    setText(v, hlsTriple.first);
    setText(h, hlsTriple.second);
    setText(s, hlsTriple.third);
}

void colorTool::setDrawColor(std::uint32_t c)
{
    if (drawColor) *drawColor = c;
    showColor(c, paintColorImage, drawColorRStaticText, drawColorGStaticText, drawColorBStaticText,
              drawColorVStaticText, drawColorHStaticText, drawColorSStaticText);
}

void colorTool::showChoiceColor(std::uint32_t c)
{
    showColor(c, choiceColorImage, choiceColorRStaticText, choiceColorGStaticText, choiceColorBStaticText,
              choiceColorVStaticText, choiceColorHStaticText, choiceColorSStaticText);
}

void colorTool::pushPalette()
{
    for (int k = swatchCount - 1; k > 0; --k) swatchColors[std::size_t(k)] = swatchColors[std::size_t(k - 1)];
    swatchColors[0] = drawColor ? *drawColor : 0;
}

void colorTool::repaintPalette()
{
    for (int k = 0; k < swatchCount; ++k) paintBox(swatches[std::size_t(k)], swatchColors[std::size_t(k)], false);
}

void colorTool::colorChromaChanged()
{
    const int s = saturation();
    setText(colorChromaStaticText, s);
    drawColorField(s);
}

bool colorTool::fieldColorAt(int x, int y, std::uint32_t &c)
{
    if (!sampleColorImage) return false;
    const QImage &canvas = sampleColorImage->canvas();
    if (x < 0 || y < 0 || x >= canvas.width() || y >= canvas.height()) return false;
    c = fromRgb(canvas.pixel(x, y));
    return true;
}

void colorTool::sampleColorMouseMove(int x, int y)
{
    std::uint32_t c;
    if (!fieldColorAt(x, y, c)) return;
    showChoiceColor(c);
    setText(choiceColorVStaticText, std::min(2 * y, 255));
    setText(choiceColorHStaticText, 2 * x);
    setText(choiceColorSStaticText, saturation());
}

void colorTool::sampleColorMouseDown(int x, int y)
{
    std::uint32_t c;
    if (!fieldColorAt(x, y, c)) return;
    setDrawColor(c);
    setText(drawColorVStaticText, std::min(2 * y, 255));
    setText(drawColorHStaticText, 2 * x);
    setText(drawColorSStaticText, saturation());
    pushPalette();
    repaintPalette();
}

void colorTool::swatchMouseDown(int index)
{
    if (index < 0 || index >= swatchCount) return;
    setDrawColor(swatchColors[std::size_t(index)]);
}

void colorTool::swatchMouseEnter(int index)
{
    if (index < 0 || index >= swatchCount) return;
    showChoiceColor(swatchColors[std::size_t(index)]);
}
