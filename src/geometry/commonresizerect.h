// An interactive rectangle with four corner handles dragged over a picture shown in an image
// control: the trimming rectangle of the main window and the picture's placement on the print
// preview. Coordinates are the control's pixels; right and bottom are inclusive. It draws on the
// control's surface and tells its owner through canvasChanged.
#pragma once
#include "imagedata/rectangle.h"

#include <QImage>
#include <cstdint>
#include <functional>

// The cursor hitTest asks for: plain arrow, move (drag), the north-west/south-east diagonal and
// the north-east/south-west one. Same order as imageControl::cursorShape.
enum class resizeCursor { defaultCursor, dragCursor, diagonalCursor, antiDiagonalCursor };

// dragMode values.
enum : std::uint32_t {
    dragNone = 0,
    dragBody = 1,
    dragTopLeft = 2,
    dragTopRight = 3,
    dragBottomLeft = 4,
    dragBottomRight = 5,
};

class commonResizeRect {
public:
    static constexpr int minimumSize = 24; // right − left and bottom − top never go below this
    static constexpr int handleSize = 12;  // a handle's side, in the pixels of a screen at 1×

    rectangle rect;
    rectangle bounds;
    point pressPoint; // where the button went down; kept for the owner
    point lastPoint;  // the previous drag step's mouse position
    rectangle handleTopLeft;
    rectangle handleTopRight;
    rectangle handleBottomLeft;
    rectangle handleBottomRight;
    std::uint32_t dragMode = dragNone;
    // A handle's side in the control's pixels: handleSize times the screen's scale where the
    // control counts the screen's own pixels, so that a handle is as large to the eye and hand.
    int handleSpan = handleSize;

    // Shows the cursor hitTest chooses on the owner's control; may be left empty.
    std::function<void(resizeCursor)> setCursor;
    // Called after each drawing on the surface; may be left empty.
    std::function<void()> canvasChanged;

    // rect and bounds both become the rectangle; then placeHandles.
    void setRect(int left, int top, int right, int bottom);
    // The four edges of rect only (both horizontal edges first).
    void setEdges(int left, int right, int top, int bottom);
    // Shifts rect so that its left-top corner is (x, y), keeping its size; no clamping.
    void moveTo(int x, int y);
    void placeHandles();
    // Minimum size first, then bounds (so at a border the bounds win).
    void clampRect();
    // Chooses the cursor and dragMode for a mouse position; outside rect dragMode is kept.
    void hitTest(int x, int y, bool dragCursorInside);
    // One drag step of a handle: erase, move the dragged corner's edges, clamp, draw.
    void dragEdges(QImage &image, int x, int y);
    // Draws the guide lines across the whole image and the handles' outlines, inverting;
    // drawing twice restores the image.
    void draw(QImage &image);
};
