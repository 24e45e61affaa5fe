// The tone-curve display and knot editor of the "トーンカーブ" page, free of widgets: the window
// draws into a 132 × 132 Format_RGB32 image, shows it in toneCntImg, and forwards the mouse.
//
// Coordinates: the curve area is 128 pixels square, offset by 2 pixels inside the image. Knot k
// (k = 0..8) stands for input level 32·k and sits at (16k + 2, Pk + 2); its output fraction is
// 1 − Pk/128. The reset knots Pk = 128 − 16k form the identity line.
#pragma once

#include <QImage>
#include <QString>
#include <array>

constexpr int toneCanvasSize = 132;
constexpr int toneNoKnot = 9; // knot selection "none"

// Puts the knots back to startTonePoints (colorfilter.h): Pk = 128 − 16·k.
void resetTonePoints(std::array<int, 9> &points);

// Redraws the whole canvas: white background, light-grey (192, 192, 192) grid lines every 16
// pixels and the diagonal; then, for the kinds S-curve, slope and gamma (filterCode), the curve
// built from the track bar's maximum, minimum and position into displayBuffer128 (128 doubles;
// a local buffer is used when it is null) in black; for filterTonePoints the nine knots as
// sky-blue (166, 202, 240) discs of diameter 8 joined by black lines. Returns the text for
// toneValue: the curve's parameter with two decimals ("1.00"), or "0" for the point kind.
// The canvas is made 132 × 132 Format_RGB32 if it is not already.
QString drawToneCurve(QImage &canvas, int kind, int maximum, int minimum, int position,
                      const std::array<int, 9> &points, double *displayBuffer128);

// The toneValue text of a curve parameter: fixed point with two decimals after rounding to five
// significant digits; values with more than five digits before the point use the exponent form
// ("1.6331E+16").
QString toneValueText(double value);

// Mouse down at (x, y) in the point kind: the knot k = (x + 8) / 16 when Pk − 4 ≤ y ≤ Pk + 4,
// otherwise toneNoKnot (9), also for positions left or right of all knots.
int toneKnotHit(const std::array<int, 9> &points, int x, int y);

// Mouse move with the selection index: when index is 0..8 and 0 ≤ y ≤ imageHeight the knot moves
// to Pk = y − 2 and the result is true (redraw and preview); otherwise nothing changes and the
// result is false.
bool toneKnotDrag(std::array<int, 9> &points, int index, int y, int imageHeight);
