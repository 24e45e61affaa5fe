// The main view's zoom and scroll arithmetic, without widgets: the zoom steps, the caption, where
// a picture pixel lands in the view and which picture pixel a view pixel shows (viewmapping.h's
// pictureAt and viewSpanOfPixel), the scroll limits,
// zooming about a point, and drawing the visible part of a picture at a zoom factor.
//
// A placement puts picture pixel (px, py) at view position (px · scale − offsetX, py · scale −
// offsetY): the offset is the scroll position in scaled pixels, negative when the scaled picture
// is smaller than the view and centred in it.
#pragma once
#include "geometry/viewmapping.h"
#include "widgets/devicepixels.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

constexpr double minimumZoom = 0.0625; // 6.25 %
constexpr double maximumZoom = 16.0;   // 1600 %

// The zoom steps from 6.25 % to 1600 %, ascending.
const std::vector<double> &zoomSteps();
// The next step above (below) zoom; zoom itself at the end of the range.
double zoomStepIn(double zoom);
double zoomStepOut(double zoom);
double clampZoom(double zoom);
// "全体" in fit mode, else the factor in percent with at most one decimal ("100 %", "33.3 %"),
// two below 10 % ("6.25 %").
QString zoomCaption(bool fit, double zoom);

// The scaled picture's length in view pixels (rounded up: a partly shown pixel counts).
int scaledLength(int pictureLength, double scale);
// The largest scroll offset; 0 when the scaled picture fits.
int scrollLimit(int pictureLength, double scale, int viewLength);
// The offset kept inside 0..scrollLimit when the scaled picture is longer than the view; the
// centring (negative) offset when it is shorter.
int clampOffset(double offset, int pictureLength, double scale, int viewLength);
// The offset that keeps the picture point under view position anchor there when the scale
// changes from oldScale to newScale (before clamping).
double offsetAfterZoom(double offset, double oldScale, double newScale, double anchor);
// The picture pixels a view of viewWidth × viewHeight pixels shows at the placement, cut to the
// picture (empty when it shows none).
QRect visiblePictureRect(int viewWidth, int viewHeight, int offsetX, int offsetY, double scale, int pictureWidth,
                         int pictureHeight);

// A picture reduced by halves (2 × 2 means per step), for smooth drawing below 100 %.
class halfSizes {
public:
    // The level whose size is nearest above the picture at scale (level 0 is the picture).
    const QImage &levelFor(const QImage &picture, double scale, double &levelScale);
    void clear() { levels.clear(); key = 0; }
    // After the picture's pixels in area (inclusive) were changed in place: the levels made so
    // far are brought up to date over that area only and follow the picture's new state.
    void update(const QImage &picture, int left, int top, int right, int bottom);

private:
    qint64 key = 0;
    std::vector<QImage> levels; // levels[0] halves the picture
};

// Draws the view's w × h pixels of the picture at the placement into canvas at (0, 0), the rest
// filled with background: above 100 % each picture pixel is a sharp square (the view pixel shows
// pictureAt's pixel), at 100 % the pixels themselves, below it smoothly scaled.
void drawZoomed(const QImage &picture, halfSizes &reductions, QImage &canvas, double scale, int offsetX,
                int offsetY, QRgb background);
// Draws part (its pixel (0, 0) being picture pixel (partX, partY)) over the canvas where the
// placement puts it, as drawZoomed does at 100 % and above; the rest of the canvas is left alone.
void drawZoomedPart(const QImage &part, int partX, int partY, QImage &canvas, double scale, int offsetX,
                    int offsetY);
// Draws look, a reduced picture standing for the picture pixels of area, stretched over the view
// pixels the placement shows area in (a quick look below 100 %); the rest of the canvas is left.
void drawLookOver(const QImage &look, const QRect &area, QImage &canvas, double scale, int offsetX, int offsetY);
// Draws the picture over the canvas as drawZoomed does, without filling the rest: for redrawing a
// part of the view (the canvas being that part, the offsets its position).
void drawZoomedOver(const QImage &picture, halfSizes &reductions, QImage &canvas, double scale, int offsetX,
                    int offsetY);
