#include "shapedescription.h"

namespace {
using family = shapeFamily;
using size = shapeSizeRule;
using position = shapePositionRule;
using turn = pixelTurn;

// clang-format off
constexpr shapeDescription table[] = {
    {shapeCopy,            nullptr,      family::move,     size::same,      position::copy,             turn::none, "", -1, -1},
    {shapeResize,          "resize",     family::resample, size::target,    position::resize,           turn::none,
     "resample to W x H pixels (a side not given keeps its size)", resizeTab, -1},
    {shapeDistort,         "distort",    family::resample, size::distorted, position::distort,          turn::none,
     "pull the middle in (positive) or push it out", distortTab, -1},
    {shapeRotateAngle,     "rotate",     family::resample, size::rotated,   position::rotate,           turn::none,
     "rotate by A degrees counter-clockwise (a real number, kept to 0.01), onto a grey background", rotateTab, 0},
    {shapeRotateRight90,   "turn-right", family::move,     size::swapped,   position::turnRight,        turn::turnRight, "turn 90 degrees clockwise", rotateTab, 1},
    {shapeRotateLeft90,    "turn-left",  family::move,     size::swapped,   position::turnLeft,         turn::turnLeft, "turn 90 degrees counter-clockwise", rotateTab, 2},
    {shapeRotate180,       "turn-180",   family::move,     size::same,      position::halfTurn,         turn::halfTurn, "turn 180 degrees", rotateTab, 3},
    {shapeMirrorLeftRight, "mirror-lr",  family::move,     size::same,      position::mirrorLeftRight,  turn::mirrorLeftRight, "mirror left to right", rotateTab, 4},
    {shapeMirrorUpDown,    "mirror-ud",  family::move,     size::same,      position::mirrorUpDown,     turn::mirrorUpDown, "mirror top to bottom", rotateTab, 5},
    {shapePerspective,     "trapezoid",  family::resample, size::same,      position::trapezoid,        turn::none, "narrow the top or the bottom rows", trapezoidTab, -1},
    {shapeTrim,            "trim",       family::trim,     size::trimmed,   position::trim,             turn::none,
     "keep columns left..right and rows top..bottom (right and bottom default to the last ones)", trimTab, -1},
    {shapeSlope,           "slope",      family::resample, size::slanted,   position::slope,            turn::none, "slant the rows sideways", slopeTab, -1},
};
// clang-format on

// The usage text lists the operations in this order, as it always has.
constexpr shapeCode usageOrder[] = {shapeResize, shapeRotateAngle, shapeRotateRight90, shapeRotateLeft90,
                                    shapeRotate180, shapeMirrorLeftRight, shapeMirrorUpDown, shapeTrim,
                                    shapeSlope, shapePerspective, shapeDistort};
} // namespace

std::span<const shapeDescription> shapeDescriptions()
{
    return table;
}

const shapeDescription *describeShape(std::uint32_t code)
{
    return code < std::size(table) ? &table[code] : nullptr;
}

std::span<const shapeCode> shapeCommandOrder()
{
    return usageOrder;
}

const shapeDescription *findShapeDescription(std::string_view name)
{
    for (const shapeDescription &d : table)
        if (d.name && name == d.name) return &d;
    return nullptr;
}

int degreesToHundredths(double degrees)
{
    return static_cast<int>(degrees * 100);
}
