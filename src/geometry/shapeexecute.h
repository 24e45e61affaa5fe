// The geometric transform engine: turns one picture into a new picture by resize, rotation, the
// quarter turns and mirrors, trimming, slope, trapezoid or distortion. It receives a source
// bitmap, a destination bitmap whose size is already set, and a background colour, and fills every
// destination pixel, working backwards from each destination pixel to its source position.
#pragma once
#include "imagedata/progress.h"
#include "imagedata/rectangle.h"
#include "imagedata/vectorpaths.h"

#include <QImage>
#include <cstdint>

// Transform codes (shapeType).
enum shapeCode : std::uint32_t {
    shapeCopy = 0,
    shapeResize = 1,
    shapeDistort = 2,
    shapeRotateAngle = 3,
    shapeRotateRight90 = 4,
    shapeRotateLeft90 = 5,
    shapeRotate180 = 6,
    shapeMirrorLeftRight = 7,
    shapeMirrorUpDown = 8,
    shapePerspective = 9,
    shapeTrim = 10,
    shapeSlope = 11,
};

class shapeExecute {
public:
    std::uint32_t shapeType = shapeCopy;
    std::int32_t distortion = 0;   // −30..30
    std::int32_t rotateAngle = 0;  // hundredths of a degree, positive = counter-clockwise
    std::int32_t perspective = 0;  // −50..50
    std::int32_t slopeBalance = 0; // −100..100
    std::int32_t trimLeft = 0;     // first source column kept
    std::int32_t trimRight = 0;    // last source column kept
    std::int32_t trimTop = 0;      // first source row kept
    std::int32_t trimBottom = 0;   // last source row kept
    const progressIndicator *progressBar = nullptr; // borrowed

    // The only entry point: progress maximum = destination height, the family the code selects,
    // then progress 0. Unknown codes leave the destination untouched.
    void executeShape(const QImage &source, QImage &destination, std::uint32_t backgroundColor);
    // Exact pixel moves (the move and trim families of shapedescription.h).
    void moveShape(const QImage &source, QImage &destination);
    // Bilinear resampling with background fill (the resample family).
    void resampleShape(const QImage &source, QImage &destination, std::uint32_t backgroundColor);

    // Scales (x, y), given relative to the centre, by the distortion rule with e = amount.
    static void distortPoint(double &x, double &y, int sourceWidth, int sourceHeight, double amount);
    // Shifts x by the slope rule with s = amount; y is read only.
    static void slopePoint(double &x, double y, double amount, int sourceHeight);

    // The trimming edges limited to a W × H picture: 0 <= left <= right <= W − 1, and the same
    // for top and bottom. The trim reads and the commit size both use these.
    rectangle trimEdges(int sourceWidth, int sourceHeight) const;
};
