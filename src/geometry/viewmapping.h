// Where a picture shown in a view lies on the view's control, one axis at a time. The picture's
// pictureLength pixels are drawn on viewLength control pixels from origin on, control pixel
// origin + j showing the picture pixel stretchCopy draws there (stretchedIndex). A control pixel
// stands for the picture pixels from the one it shows up to the one before its right (lower)
// neighbour's: when the picture is reduced every picture pixel belongs to exactly one control
// pixel, when it is enlarged several control pixels stand for one picture pixel. So the view's
// first and last control pixels stand for the picture's first and last pixels at every scale,
// and a rectangle over the whole view is the whole picture.
//
// The one home of where a view's pixels lie on the picture: the fitted view (stretched, above) and
// the zoomed one (a scale and a scroll offset, below); viewgeometry.h keeps the zoom's arithmetic.
#pragma once

struct viewAxis {
    int origin = 0;        // control position of the picture's first pixel
    int viewLength = 0;    // control pixels the picture covers
    int pictureLength = 0; // picture pixels along the axis
};

// The first and the last picture pixel a control position stands for. A position outside the view
// counts as the view's nearest end; an empty view or picture gives 0.
int firstPictureOf(const viewAxis &axis, int control);
int lastPictureOf(const viewAxis &axis, int control);

// The first and the last control position standing for a picture pixel (one outside the picture
// counts as its nearest end); an empty view or picture gives the origin.
int firstControlOf(const viewAxis &axis, int picture);
int lastControlOf(const viewAxis &axis, int picture);

// The picture column (or row) under a view column (or row) when the picture's pictureLength
// pixels are shown stretched over the view's viewLength pixels starting at viewStart: the brush's
// aim. The picture pixel returned is one of those the view pixel stands for, and the view's first
// and last pixels give the picture's first and last. Positions before or after the view continue
// the same scale (off the picture). A view or picture without pixels gives 0.
int pictureFromView(int position, int viewStart, int viewLength, int pictureLength);

// The view columns (or rows) that show any of the picture pixels first..last when the picture's
// pictureLength pixels are stretched over viewLength (stretchCopy's choice of source pixel);
// 0-based in the view, limited to it; last < first when none.
void viewSpanOf(int first, int last, int pictureLength, int viewLength, int &viewFirst, int &viewLast);

// The zoomed view: a placement puts picture pixel p at view position p · scale − offset.
// The picture pixel a view pixel shows (may lie off the picture): floor((position + offset) / scale).
int pictureAt(int position, int offset, double scale);
// The first view pixel showing picture pixel p: ceil(p · scale − offset) for the inclusive span
// of pixels that show it, and the last one; last < first when a pixel shows in none (below 100 %).
void viewSpanOfPixel(int first, int last, int offset, double scale, int &viewFirst, int &viewLast);
