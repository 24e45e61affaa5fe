// Painting with the brushes: a stroke is a path in picture pixels along which the brush's dabs are
// laid a quarter of its diameter apart; each dab is the brush engine's dab operation at that point,
// written back into the picture and clipped to it. Where a view's pixel lies on the picture is
// viewmapping.h's.
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

// One dab of the given kind (brushTool::airKind or waterKind) centred at (x, y) of the picture:
// the engine's applyDab, its result written back over the (n − 1) × (n − 1) square it read. Near
// the edges only pixels of the picture are read or written: the square is read from the picture
// as if its edge pixels went on outwards. Returns the picture pixels written (right < left when
// the dab misses the picture).
rectangle paintDab(brushTool &brush, QImage &picture, std::uint32_t colour, int x, int y, int kind);
