// What a transform run is told: its code and the amounts of the 変形 page, held by the engine
// (shapeExecute) and read by the rules of its size and of each destination pixel's source
// (shaperules.h). A new transform adds its code and its amount here.
#pragma once
#include "imagedata/rectangle.h"

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

struct shapeSettings {
    std::uint32_t shapeType = shapeCopy;
    std::int32_t distortion = 0;   // −30..30
    std::int32_t rotateAngle = 0;  // hundredths of a degree, positive = counter-clockwise
    std::int32_t perspective = 0;  // −50..50
    std::int32_t slopeBalance = 0; // −100..100
    std::int32_t trimLeft = 0;     // first source column kept
    std::int32_t trimRight = 0;    // last source column kept
    std::int32_t trimTop = 0;      // first source row kept
    std::int32_t trimBottom = 0;   // last source row kept

    // The trimming edges limited to a W × H picture: 0 <= left <= right <= W − 1, and the same
    // for top and bottom. The trim reads and the commit size both use these.
    rectangle trimEdges(int sourceWidth, int sourceHeight) const;
};
