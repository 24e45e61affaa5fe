// The print window's page arithmetic, free of widgets and printers: the sheet and its printable
// area laid out on the 500-pixel preview, the picture fitted into that area, corner drags that keep
// the picture's aspect ratio, millimetres, and the rectangle of device pixels the picture is
// printed into. All placement is in preview pixels; one scale factor leads to device pixels.
#pragma once
#include "geometry/commonresizerect.h"
#include "imagedata/rectangle.h"

#include <QString>

// What the window reads from the printer, in device pixels (dpi in pixels per inch).
struct deviceCapabilities {
    int printableWidth = 0;  // size of the printable area
    int printableHeight = 0;
    int offsetX = 0;         // position of the printable area on the sheet
    int offsetY = 0;
    int paperWidth = 0;      // size of the sheet
    int paperHeight = 0;
    int dpiX = 0;
    int dpiY = 0;
};

// The sheet and its printable area on the preview.
struct pagePlacement {
    double previewScale = 0; // preview pixels per device pixel
    rectangle paperRect;
    rectangle printableRect;
};

// The preview is laid out as a square of this many pixels.
constexpr int printPreviewSize = 500;

// The sheet scaled to fit the preview square and centred in it, with its printable area. A sheet
// without size gives scale 0 and empty rectangles.
pagePlacement layoutPage(const deviceCapabilities &device);

// The largest rectangle of a width × height picture centred in area (sizes are right − left).
// A picture without pixels gives the area's top-left corner as an empty rectangle.
rectangle fitPicture(const rectangle &area, int width, int height);

// A corner drag (mode dragTopLeft, dragTopRight, dragBottomLeft or dragBottomRight) asking for a
// width × height rectangle, from a rectangle pressWidth × pressHeight when the mouse went down.
// The size follows the smaller of the two requested ratios, the height follows the width through
// aspectRatio (height ÷ width) and the corner opposite the dragged one stays fixed. Other modes, and
// a press size of zero, leave rect as it is.
rectangle resizeKeepingAspect(const rectangle &rect, int mode, int width, int height, int pressWidth,
                              int pressHeight, double aspectRatio);

// Where rect (preview pixels) is printed, in device pixels relative to the printable area's
// top-left corner.
rectangle deviceRectangle(const rectangle &rect, const rectangle &printableRect, double previewScale);

// Device pixels as millimetres at dpi pixels per inch (0 for a dpi of 0), and that length as the
// window shows it: fixed-point with one decimal.
double millimetres(double devicePixels, int dpi);
QString millimetreText(double millimetres);
