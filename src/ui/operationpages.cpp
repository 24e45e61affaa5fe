#include "operationpages.h"

#include "colour/colorfilter.h"
#include "geometry/shapeexecute.h"

namespace {
using radio = operationRadio;

// clang-format off
constexpr operationChoice table[] = {
    {adjustPage,    brightChromaTab, radio::none,        -1, filterBrightChromaHue},
    {adjustPage,    rgbShiftTab,     radio::none,        -1, filterRgbShift},
    {adjustPage,    toneCurveTab,    radio::toneCurve,    0, filterToneSCurve},
    {adjustPage,    toneCurveTab,    radio::toneCurve,    1, filterToneSlope},
    {adjustPage,    toneCurveTab,    radio::toneCurve,    2, filterTonePoints},
    {adjustPage,    toneCurveTab,    radio::toneCurve,    3, filterToneGamma},
    {effectOnePage, fringeBlurTab,   radio::none,        -1, filterFringeBlur},
    {effectOnePage, fringeShapeTab,  radio::fringeShape,  0, filterFringeCircle},
    {effectOnePage, fringeShapeTab,  radio::fringeShape,  1, filterFringeSquare},
    {effectOnePage, paintTab,        radio::paint,        0, filterPaintNormal},
    {effectOnePage, paintTab,        radio::paint,        1, filterPaintPointillism},
    {effectOnePage, softFocusTab,    radio::none,        -1, filterSoftFocus},
    {effectOnePage, embossTab,       radio::none,        -1, filterEmboss},
    {effectOnePage, monoColorTab,    radio::monoColor,    0, filterGreyscale},
    {effectOnePage, monoColorTab,    radio::monoColor,    1, filterSepia},
    {effectOnePage, monoColorTab,    radio::monoColor,    2, filterDrawColorMono},
    {effectTwoPage, sharpenTab,      radio::none,        -1, filterSharpen},
    {effectTwoPage, colorLevelsTab,  radio::none,        -1, filterColorLevels},
    {effectTwoPage, mosaicTab,       radio::none,        -1, filterMosaic},
    {effectTwoPage, motionBlurTab,   radio::none,        -1, filterMotionBlur},
    {effectTwoPage, medianTab,       radio::none,        -1, filterMedian},
    {transformPage, resizeTab,       radio::none,        -1, shapeResize},
    {transformPage, rotateTab,       radio::rotateAngle,  0, shapeRotateAngle},
    {transformPage, rotateTab,       radio::rotateAngle,  1, shapeRotateRight90},
    {transformPage, rotateTab,       radio::rotateAngle,  2, shapeRotateLeft90},
    {transformPage, rotateTab,       radio::rotateAngle,  3, shapeRotate180},
    {transformPage, rotateTab,       radio::rotateAngle,  4, shapeMirrorLeftRight},
    {transformPage, rotateTab,       radio::rotateAngle,  5, shapeMirrorUpDown},
    {transformPage, trimTab,         radio::none,        -1, shapeTrim},
    {transformPage, slopeTab,        radio::none,        -1, shapeSlope},
    {transformPage, trapezoidTab,    radio::none,        -1, shapePerspective},
    {transformPage, distortTab,      radio::none,        -1, shapeDistort},
};
// clang-format on
} // namespace

std::span<const operationChoice> operationChoices()
{
    return table;
}

bool isFilterPage(int page)
{
    return page == adjustPage || page == effectOnePage || page == effectTwoPage;
}

operationRadio operationRadioOf(int page, int tab)
{
    for (const operationChoice &c : table)
        if (c.page == page && c.tab == tab) return c.radio;
    return radio::none;
}

std::uint32_t operationCodeOf(int page, int tab, int item)
{
    for (const operationChoice &c : table)
        if (c.page == page && c.tab == tab && (c.radio == radio::none || c.item == item)) return c.code;
    return 0;
}

const operationChoice *filterChoiceOf(std::uint32_t filterType)
{
    for (const operationChoice &c : table)
        if (isFilterPage(c.page) && c.code == filterType) return &c;
    return nullptr;
}
