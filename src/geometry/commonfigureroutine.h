// Drawing routines shared by the geometry code: a point-in-rectangle test, a pen that draws lines
// on a 32-bit picture in copy or inverting mode, a rectangle outline, a line grid and the bounding
// box of a rotated rectangle.
#pragma once
#include "imagedata/rectangle.h"

#include <QImage>

// True when left <= x <= right and top <= y <= bottom.
bool pointInRect(int left, int top, int right, int bottom, int x, int y);

// A canvas with a pen over a Format_RGB32 picture. In inverting mode every pixel a line covers
// becomes its colour's complement (the fourth byte is kept), so drawing the same figure twice
// restores the picture byte for byte. Lines follow the line-to rule: the end point is not drawn.
class figureCanvas {
public:
    explicit figureCanvas(QImage &picture) : image(picture) {}

    QImage &image;
    bool inverting = false;       // pen mode: false = plain copy with penColor
    QRgb penColor = 0xFF000000;   // used in copy mode
    point penPosition;

    void moveTo(int x, int y);
    // A line from the pen position to (x, y), not including (x, y); the pen ends at (x, y).
    // Pixels outside the picture are skipped.
    void lineTo(int x, int y);
};

// A closed outline: move to (x1, y1), lines to (x2, y1), (x2, y2), (x1, y2) and back to (x1, y1).
void drawFrame(figureCanvas &canvas, int x1, int y1, int x2, int y2);

// Lines over 0..width-1 × 0..height-1 in n divisions each way; the last line sits on the far edge.
// Width and height must be at least n.
void drawGrid(figureCanvas &canvas, int width, int height, int divisions);

// The bounding box (left = top = 0) of the rectangle rotated by angle degrees.
rectangle rotatedBounds(const rectangle &r, double angleDegrees);
