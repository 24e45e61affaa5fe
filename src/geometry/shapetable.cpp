// Every transform declared once: one description per code (shapedescription.h: its korvia-batch
// name, family, size and position rules, whole-pixel move and place on the 変形 page) and the rows
// of its parameters (shapeparameters.h: field, bar, edit, range, code, korvia-batch key, unit and
// caption). The set-up, the engine, the window, korvia-batch, the form generator and the tests read
// these tables; a new transform adds its rows here.
#include "shapedescription.h"
#include "shapeparameters.h"
#include "prepareshape.h"
#include "shapeexecute.h"

#include <QtGlobal>
#include <vector>

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

// Sizes and trimming edges have no track bar; their upper limit only keeps a request within what
// a picture can be.
constexpr int largestSide = 65535;

// clang-format off
const shapeParameter parameterTable[] = {
    // サイズ: result width and height in pixels (prepareShape's targets)
    {"targetWidth",  nullptr,                 "horizontalMagPixelEdit",   1, largestSide, 0,  0,  0, nullptr,                     shapeResize,      "width",  1, &prepareShape::targetWidth, QT_TRANSLATE_NOOP("TmainForm", "幅")},
    {"targetHeight", nullptr,                 "verticalMagPixelEdit",     1, largestSide, 0,  0,  0, nullptr,                     shapeResize,      "height", 1, &prepareShape::targetHeight, QT_TRANSLATE_NOOP("TmainForm", "高さ")},
    // 回転: degrees on the bar and in the edit; the engine holds hundredths of a degree (scale 100)
    {"rotateAngle",  "rotateTrackBar",        "rotateEdit",            -180,  180,        0, 45, 45, &shapeExecute::rotateAngle,  shapeRotateAngle, "angle", 100, nullptr, QT_TRANSLATE_NOOP("TmainForm", "回転角度")},
    // トリミング: source columns and rows, limited to the picture when they are used
    {"trimLeft",     nullptr,                 "leftTrimingLabeledEdit",   0, largestSide, 0,  0,  0, &shapeExecute::trimLeft,     shapeTrim,        "left", 1, nullptr, QT_TRANSLATE_NOOP("TmainForm", "LeftPoint")},
    {"trimTop",      nullptr,                 "upperTrimingLabeledEdit",  0, largestSide, 0,  0,  0, &shapeExecute::trimTop,      shapeTrim,        "top", 1, nullptr, QT_TRANSLATE_NOOP("TmainForm", "UpperPoint")},
    {"trimRight",    nullptr,                 "rightTrimingLabeledEdit",  0, largestSide, 0,  0,  0, &shapeExecute::trimRight,    shapeTrim,        "right", 1, nullptr, QT_TRANSLATE_NOOP("TmainForm", "RightPoint")},
    {"trimBottom",   nullptr,                 "lowerTrimingLabeledEdit",  0, largestSide, 0,  0,  0, &shapeExecute::trimBottom,   shapeTrim,        "bottom", 1, nullptr, QT_TRANSLATE_NOOP("TmainForm", "LowerPoint")},
    // 傾斜
    {"slopeBalance", "slopeBalanceTrackBar",  "slopeBalanceEdit",      -100,  100,        0, 25, 20, &shapeExecute::slopeBalance, shapeSlope,       "slopeBalance", 1, nullptr, QT_TRANSLATE_NOOP("TmainForm", "傾斜調整")},
    // 台形
    {"perspective",  "perspectiveTrackBar",   "perspectiveEdit",        -50,   50,        0, 10, 10, &shapeExecute::perspective,  shapePerspective, "perspective", 1, nullptr, QT_TRANSLATE_NOOP("TmainForm", "台形調整")},
    // 歪曲
    {"distortion",   "distortoinTrackBar",    "distortoinEdit",         -30,   30,        0, 10,  5, &shapeExecute::distortion,   shapeDistort,     "distortion", 1, nullptr, QT_TRANSLATE_NOOP("TmainForm", "歪曲調整")},
};
// clang-format on
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
    static const std::vector<shapeCode> named = [] {
        std::vector<shapeCode> codes;
        for (const shapeDescription &d : table)
            if (d.name) codes.push_back(d.code);
        return codes;
    }();
    return named;
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


std::span<const shapeParameter> shapeParameters()
{
    return parameterTable;
}

const shapeParameter *findShapeParameter(std::string_view field)
{
    for (const shapeParameter &p : parameterTable)
        if (field == p.field) return &p;
    return nullptr;
}

int engineValue(const shapeParameter &p, double value)
{
    return static_cast<int>(value * p.scale);
}
