// Painting with the brushes: a stroke is a path in picture pixels along which the brush's dabs are
// laid a quarter of its diameter apart; each dab is the brush engine's dab operation at that point,
// written back into the picture and clipped to it. Also the mapping from a view's pixels to the
// picture's while the picture is shown fitted.
#pragma once
#include "imagedata/rectangle.h"

#include <QImage>
#include <cstdint>
#include <vector>

class brushTool;

// Distance between the dabs of a brush of the given diameter: a quarter of it, at least 1 pixel.
int dabSpacing(int diameter);

// The dab centres of one stroke. begin() gives the dab at the press point; each moveTo() gives
// the dabs of the path's next straight piece, every `spacing` pixels of path counted from the
// last dab (what is left of a piece carries over into the next), rounded to the nearest pixel.
class strokePath {
public:
    void begin(point at, std::vector<point> &dabs);
    void moveTo(point to, int spacing, std::vector<point> &dabs);

private:
    point last;            // the path's last point
    double travelled = 0;  // path length since the last dab
};

// The picture column (or row) under a view column (or row) when the picture's pictureLength
// pixels are shown stretched over the view's viewLength pixels starting at viewStart. The picture
// pixel returned is one of those the view pixel shows, and the view's first and last pixels give
// the picture's first and last. Positions before or after the view continue the same scale (off
// the picture). A view or picture without pixels gives 0.
int pictureFromView(int position, int viewStart, int viewLength, int pictureLength);

// The view columns (or rows) that show any of the picture pixels first..last when the picture's
// pictureLength pixels are stretched over viewLength (stretchCopy's choice of source pixel);
// 0-based in the view, limited to it; last < first when none.
void viewSpanOf(int first, int last, int pictureLength, int viewLength, int &viewFirst, int &viewLast);

// One dab of the given kind (brushTool::airKind or waterKind) centred at (x, y) of the picture:
// the engine's applyDab, its result written back over the (n − 1) × (n − 1) square it read. Near
// the edges only pixels of the picture are read or written: the square is read from the picture
// as if its edge pixels went on outwards. Returns the picture pixels written (right < left when
// the dab misses the picture).
rectangle paintDab(brushTool &brush, QImage &picture, std::uint32_t colour, int x, int y, int kind);

// Copies the w × h block of source at (sx, sy) to (dx, dy) of destination (both 32-bit), the
// destination's fourth byte kept; pixels outside either bitmap are left alone.
void copyPixelBlock(const QImage &source, int sx, int sy, QImage &destination, int dx, int dy, int w, int h);
