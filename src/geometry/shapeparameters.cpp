#include "shapeparameters.h"

#include <QtGlobal>

namespace {
// Sizes and trimming edges have no track bar; their upper limit only keeps a request within what
// a picture can be.
constexpr int largestSide = 65535;

// clang-format off
const shapeParameter table[] = {
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

std::span<const shapeParameter> shapeParameters()
{
    return table;
}

const shapeParameter *findShapeParameter(std::string_view field)
{
    for (const shapeParameter &p : table)
        if (field == p.field) return &p;
    return nullptr;
}

int engineValue(const shapeParameter &p, double value)
{
    return static_cast<int>(value * p.scale);
}
