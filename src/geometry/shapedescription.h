// One description per transform code, next to the engine: its korvia-batch name, its family, the
// rule its result size follows and the rule that finds each destination pixel's source. The
// set-up (prepareShape), the engine and its vector paths, korvia-batch, the window's page choices
// (ui/operationpages.h) and the tests read this table (its rows are in shapetable.cpp); the
// parameters of a code are the rows of shapeParameters() that name it.
#pragma once
#include "shapesettings.h"

#include "colour/operationtabs.h"
#include "imagedata/quarterturns.h"

#include <cstdint>
#include <span>
#include <string_view>

enum class shapeFamily {
    move,     // exact pixel moves (copy, quarter and half turns, mirrors)
    trim,     // a move of the kept columns and rows
    resample, // bilinear resampling with the background colour outside the source
};

// The result's size for a W × H source.
enum class shapeSizeRule {
    same,      // W × H
    target,    // prepareShape's targetWidth × targetHeight
    swapped,   // H × W
    trimmed,   // the trimming edges' width and height
    rotated,   // the bounds of the rotated picture
    distorted, // grown by the distortion of the side midpoints when pushed out
    slanted,   // W plus the slope's widest shift, H
};

// How destination pixel (x, y) finds its source position.
enum class shapePositionRule {
    copy, turnRight, turnLeft, halfTurn, mirrorLeftRight, mirrorUpDown, trim, // moves
    resize, distort, rotate, trapezoid, slope,                                // resampling
};

struct shapeDescription {
    shapeCode code;
    const char *name;    // korvia-batch operation name; nullptr for the plain copy
    shapeFamily family;
    shapeSizeRule size;
    shapePositionRule position;
    pixelTurn turn;      // the move family's whole-pixel move (imagedata/quarterturns.h), none for the others
    const char *summary; // one line for korvia-batch's usage text
    // Where the window offers it on the 変形 page: the tab (colour/operationtabs.h) and the item of
    // the tab's radio group (-1 for a tab without one); tab -1 for the plain copy, offered nowhere.
    int tab;
    int item;
};

// Every code 0..11, in code order.
std::span<const shapeDescription> shapeDescriptions();
// The description of a code, or nullptr for a code outside 0..11.
const shapeDescription *describeShape(std::uint32_t code);
// The codes korvia-batch names, in the order its usage text lists them.
std::span<const shapeCode> shapeCommandOrder();
// The description with this korvia-batch name, or nullptr.
const shapeDescription *findShapeDescription(std::string_view name);

// The engine's hundredths of a degree for an angle in degrees, truncated toward zero as every
// real-to-integer conversion is.
int degreesToHundredths(double degrees);
