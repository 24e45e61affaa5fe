// Where a picture shown in a view lies on the view's control, one axis at a time. The picture's
// pictureLength pixels are drawn on viewLength control pixels from origin on, control pixel
// origin + j showing the picture pixel stretchCopy draws there (stretchedIndex). A control pixel
// stands for the picture pixels from the one it shows up to the one before its right (lower)
// neighbour's: when the picture is reduced every picture pixel belongs to exactly one control
// pixel, when it is enlarged several control pixels stand for one picture pixel. So the view's
// first and last control pixels stand for the picture's first and last pixels at every scale,
// and a rectangle over the whole view is the whole picture.
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
