// The colour filter engine's tables, read by the window, the tests and korvia-batch: the
// parameters of the colour pages (filterParameters()) and one description per code
// (filterDescriptions(): its member, reach, kernel, page and korvia-batch operation); and its run.
// The families of filters live in colorfilter_*.cpp.
#include "colorfilter.h"

#include "filterkernels.h"
#include "filterparameters.h"
#include "fringeblur.h"
#include "operationtabs.h"
#include "imagedata/myimagearray.h"
#include "imagedata/workerpool.h"

#include <algorithm>

namespace {
// ---- reaches ----
filterReach threeByThree(const colorFilter &, int, int)
{
    return {.margin = 1};
}

filterReach motionReach(const colorFilter &f, int, int)
{
    return {.margin = std::max(f.vibrateSize, 0)};
}

filterReach mosaicReach(const colorFilter &f, int, int)
{
    return {.tile = std::max(f.mosaicSize, 1)};
}

filterReach softReach(const colorFilter &f, int, int)
{
    int n = 0;
    softFocusKernel(f.softSize, n);
    return {.margin = n / 2};
}

filterReach medianReach(const colorFilter &f, int, int)
{
    return {.margin = (f.medianSize | 1) / 2};
}

filterReach paintReach(const colorFilter &f, int, int)
{
    // The regions span d = s / 2 + 1 pixels; the normal style's rays one more beside them.
    const int s = std::max(3, f.paintSize) | 1;
    return {.margin = s / 2 + 2};
}

filterReach fringeBlurReachOf(const colorFilter &f, int width, int height)
{
    return {.margin = fringeBlurReach(width, height, f.outFocusSize, f.outFocusDensity | 1)};
}

// ---- kernels ----
std::vector<int> motionKernel(const colorFilter &f, int &n)
{
    n = 2 * f.vibrateSize + 1;
    return motionBlurKernel(f.vibrateSize, f.vibrateAngle);
}

std::vector<int> softKernel(const colorFilter &f, int &n)
{
    return softFocusKernel(f.softSize, n);
}

std::vector<int> reliefKernel(const colorFilter &f, int &n)
{
    n = 3;
    const int *k = embossKernel(f.embossAngle);
    return std::vector<int>(k, k + 9);
}

std::vector<int> laplaceKernel(const colorFilter &f, int &n)
{
    n = 3;
    return sharpenKernel(f.edgeLevel);
}

// The parameters of the colour pages, in the order of the pages: each track bar's engine field
// (also its korvia-batch key), the bar, the text that shows its position, its range, start,
// tick spacing and page step.
// clang-format off
const filterParameter parameterTable[] = {
    // 調整 / 明度、彩度
    {"bright",          "brightTrackBar",          "brightStaticText",          -100,  100,   0,  20,  10, &colorFilter::bright},
    {"chroma",          "chromaTrackBar",          "chromaStaticText",          -255,  255,   0,  50,  20, &colorFilter::chroma},
    {"hue",             "hueTrackBar",             "hueStaticText",             -100,  100,   0,  20,  10, &colorFilter::hue},
    // 調整 / RGB調整
    {"red",             "redTrackBar",             "redStaticText",             -255,  255,   0,  64,  20, &colorFilter::red},
    {"green",           "greenTrackBar",           "greenStaticText",           -255,  255,   0,  64,  20, &colorFilter::green},
    {"blue",            "blueTrackBar",            "blueStaticText",            -255,  255,   0,  64,  20, &colorFilter::blue},
    // 調整 / トーンカーブ: toneValue shows the curve's parameter, not the position
    {"tonePosition",    "toneTrackBar",            nullptr,                      -50,   50,   0,  10,   2, &colorFilter::tonePosition},
    // 効果1 / 縁取ボケ
    {"outFocusDensity", "outFocusDensityTrackBar", "outFocusDensityStaticText",    3,  255,   3,  32,  20, &colorFilter::outFocusDensity},
    {"outFocusSize",    "outFocusSizeTrackBar",    "outFocusSizeSizeStaticText",   3, 5000, 100, 500, 100, &colorFilter::outFocusSize},
    // 効果1 / 縁取明暗
    {"fringeLevel",     "fringeLevelTrackBar",     "fringeLeveStaticText",      -255,  255,   3,  64,  50, &colorFilter::fringeLevel},
    {"fringeSize",      "fringeSizeTrackBar",      "fringeSizeStaticText",         0, 5000, 100, 500, 100, &colorFilter::fringeSize},
    // 効果1 / ペイント
    {"paintSize",       "paintTrackBar",           "paintStaticText",              3,   30,  10,   2,   5, &colorFilter::paintSize},
    // 効果1 / ソフト
    {"softSize",        "softSizeTrackBar",        "softSizeStaticText",           1,   30,  15,   2,   5, &colorFilter::softSize},
    {"softCoreLevel",   "softCoreLevelTrackBar",   "softCoreLevelStaticText",      0,  100,  30,  10,  10, &colorFilter::softCoreLevel},
    // 効果1 / エンボス
    {"embosseLevel",    "embosseLevelTrackBar",    "embosseLevelStaticText",       2,   30,  20,   5,   5, &colorFilter::embosseLevel},
    // 効果2 / シャープ
    {"edgeLevel",       "edgeTrackBar",            "edgeStaticText",               1,   20,   5,   2,   4, &colorFilter::edgeLevel},
    // 効果2 / 階調
    {"colorLevel",      "colorLevelTrackBar",      "colorLevelStaticText",         2,   80,   5,  20,  20, &colorFilter::colorLevel},
    // 効果2 / モザイク
    {"mosaicSize",      "mosaicTrackBar",          "mosaicStaticText",             1,  100,  20,  20,  20, &colorFilter::mosaicSize},
    // 効果2 / ブレ
    {"vibrateAngle",    "vibrateAngleTrackBar",    "vibrateAngleStaticText",       0,  180,   0,  45,  45, &colorFilter::vibrateAngle},
    {"vibrateSize",     "vibrateSizeTrackBar",     "vibrateSizeStaticText",        2,   30,  10,   5,   5, &colorFilter::vibrateSize},
    // 効果2 / ノイズ除去
    {"medianSize",      "medianTrackBar",          "medianStaticText",             2,   10,   3,   2,  20, &colorFilter::medianSize},
};
// clang-format on

// The keys of the korvia-batch operations, each beside the codes it runs below.
using kind = operationKeyKind;

constexpr operationKey rgbKeys[] = {
    {"red", kind::parameter, "red", {}},
    {"green", kind::parameter, "green", {}},
    {"blue", kind::parameter, "blue", {}},
};
constexpr operationKey bchKeys[] = {
    {"bright", kind::parameter, "bright", {}},
    {"chroma", kind::parameter, "chroma", {}},
    {"hue", kind::parameter, "hue", {}},
};
constexpr operationKey levelsKeys[] = {{"colorLevel", kind::parameter, "colorLevel", {}}};
constexpr operationKey tintKeys[] = {{"color", kind::color, nullptr, {}}};

constexpr operationWord toneKinds[] = {
    {"s", filterToneSCurve}, {"slope", filterToneSlope}, {"points", filterTonePoints}, {"gamma", filterToneGamma}};
constexpr operationKey toneKeys[] = {
    {"kind", kind::choice, nullptr, toneKinds},
    {"position", kind::parameter, "tonePosition", {}},
    {"points", kind::points, nullptr, {}},
};
constexpr operationKey sharpenKeys[] = {{"edgeLevel", kind::parameter, "edgeLevel", {}}};
constexpr operationKey softKeys[] = {
    {"softSize", kind::parameter, "softSize", {}},
    {"softCoreLevel", kind::parameter, "softCoreLevel", {}},
};
constexpr operationKey embossKeys[] = {
    {"embosseLevel", kind::parameter, "embosseLevel", {}},
    {"embossAngle", kind::angle, nullptr, {}},
    {"color", kind::color, nullptr, {}},
};
constexpr operationKey motionKeys[] = {
    {"vibrateSize", kind::parameter, "vibrateSize", {}},
    {"vibrateAngle", kind::parameter, "vibrateAngle", {}},
};
constexpr operationKey mosaicKeys[] = {{"mosaicSize", kind::parameter, "mosaicSize", {}}};
constexpr operationKey medianKeys[] = {{"medianSize", kind::parameter, "medianSize", {}}};
constexpr operationWord fringeShapes[] = {{"circle", filterFringeCircle}, {"square", filterFringeSquare}};
constexpr operationKey fringeBrightKeys[] = {
    {"fringeSize", kind::parameter, "fringeSize", {}},
    {"fringeLevel", kind::parameter, "fringeLevel", {}},
    {"shape", kind::choice, nullptr, fringeShapes},
};
constexpr operationKey fringeBlurKeys[] = {
    {"outFocusSize", kind::parameter, "outFocusSize", {}},
    {"outFocusDensity", kind::parameter, "outFocusDensity", {}},
};
constexpr operationWord paintStyles[] = {{"normal", filterPaintNormal}, {"pointillism", filterPaintPointillism}};
constexpr operationKey paintKeys[] = {
    {"paintSize", kind::parameter, "paintSize", {}},
    {"style", kind::choice, nullptr, paintStyles},
};

// One row per filter code, in code order: the member of colorFilter that runs it (the families
// that serve several codes are told which), its reach, its kernel, its place in the window and
// the korvia-batch operation that runs it.
// The per-pixel colour operations and the fringe brightness bands reach no further than the pixel.
constexpr filterDescription filterTable[] = {
    {.code = filterRgbShift, .run = [](colorFilter &f, int) { f.rgbShift(); },
     .page = adjustPage, .tab = rgbShiftTab, .item = -1,
     .batchName = "rgb", .summary = "shift the red, green and blue channels", .keys = rgbKeys},
    {.code = filterBrightChromaHue, .run = [](colorFilter &f, int) { f.brightChromaHue(); },
     .page = adjustPage, .tab = brightChromaTab, .item = -1,
     .batchName = "bch", .summary = "brightness, chroma and hue", .keys = bchKeys},
    // Emboss is the grey step (brightness/chroma/hue with chroma −255) and a relief of that grey;
    // the engine's fields name the grey step after the run.
    {.code = filterEmboss, .run = [](colorFilter &f, int) { f.bright = 0; f.chroma = -255; f.hue = 0; f.emboss(); },
     .reach = threeByThree, .kernel = reliefKernel, .page = effectOnePage, .tab = embossTab, .item = -1,
     .batchName = "emboss", .summary = "emboss on the drawing colour", .keys = embossKeys},
    {.code = filterMotionBlur, .run = [](colorFilter &f, int) { f.motionBlur(); },
     .reach = motionReach, .kernel = motionKernel, .page = effectTwoPage, .tab = motionBlurTab, .item = -1,
     .batchName = "motion", .summary = "motion blur", .keys = motionKeys},
    {.code = filterMosaic, .run = [](colorFilter &f, int) { f.mosaic(); },
     .reach = mosaicReach, .page = effectTwoPage, .tab = mosaicTab, .item = -1,
     .batchName = "mosaic", .summary = "mosaic of square tiles", .keys = mosaicKeys},
    {.code = filterColorLevels, .run = [](colorFilter &f, int) { f.colorLevels(); },
     .page = effectTwoPage, .tab = colorLevelsTab, .item = -1,
     .batchName = "levels", .summary = "posterise the luma into colour levels", .keys = levelsKeys},
    {.code = filterGreyscale, .run = [](colorFilter &f, int code) { f.monochrome(code); },
     .page = effectOnePage, .tab = monoColorTab, .item = 0,
     .batchName = "grayscale", .summary = "grey picture of the luma"},
    {.code = filterSepia, .run = [](colorFilter &f, int code) { f.monochrome(code); },
     .page = effectOnePage, .tab = monoColorTab, .item = 1,
     .batchName = "sepia", .summary = "grey picture tinted sepia"},
    {.code = filterDrawColorMono, .run = [](colorFilter &f, int code) { f.monochrome(code); },
     .page = effectOnePage, .tab = monoColorTab, .item = 2,
     .batchName = "tint", .summary = "grey picture tinted toward the drawing colour", .keys = tintKeys},
    {.code = filterToneSCurve, .run = [](colorFilter &f, int code) { f.toneCurve(code); },
     .page = adjustPage, .tab = toneCurveTab, .item = 0,
     .batchName = "tone", .summary = "tone curve: s, slope and gamma shaped by position (slope: 25 is the identity, 0 flat grey), points by the nine knots", .keys = toneKeys},
    {.code = filterToneSlope, .run = [](colorFilter &f, int code) { f.toneCurve(code); },
     .page = adjustPage, .tab = toneCurveTab, .item = 1},
    {.code = filterTonePoints, .run = [](colorFilter &f, int code) { f.toneCurve(code); },
     .page = adjustPage, .tab = toneCurveTab, .item = 2},
    {.code = filterToneGamma, .run = [](colorFilter &f, int code) { f.toneCurve(code); },
     .page = adjustPage, .tab = toneCurveTab, .item = 3},
    {.code = filterSharpen, .run = [](colorFilter &f, int) { f.sharpen(); },
     .reach = threeByThree, .kernel = laplaceKernel, .page = effectTwoPage, .tab = sharpenTab, .item = -1,
     .batchName = "sharpen", .summary = "sharpen", .keys = sharpenKeys},
    {.code = filterSoftFocus, .run = [](colorFilter &f, int) { f.softFocus(); },
     .reach = softReach, .kernel = softKernel, .page = effectOnePage, .tab = softFocusTab, .item = -1,
     .batchName = "soft", .summary = "soft focus", .keys = softKeys},
    {.code = filterMedian, .run = [](colorFilter &f, int) { f.medianFilter(); },
     .reach = medianReach, .page = effectTwoPage, .tab = medianTab, .item = -1,
     .batchName = "median", .summary = "noise removal (median)", .keys = medianKeys},
    {.code = filterFringeCircle, .run = [](colorFilter &f, int) { f.fringeBrightCircle(); },
     .page = effectOnePage, .tab = fringeShapeTab, .item = 0,
     .batchName = "fringe-bright", .summary = "brighten or darken the fringe", .keys = fringeBrightKeys},
    {.code = filterFringeSquare, .run = [](colorFilter &f, int) { f.fringeBrightSquare(); },
     .page = effectOnePage, .tab = fringeShapeTab, .item = 1},
    {.code = filterPaintNormal, .run = [](colorFilter &f, int code) { f.paint(code); },
     .reach = paintReach, .page = effectOnePage, .tab = paintTab, .item = 0,
     .batchName = "paint", .summary = "paint", .keys = paintKeys},
    {.code = filterPaintPointillism, .run = [](colorFilter &f, int code) { f.paint(code); },
     .reach = paintReach, .page = effectOnePage, .tab = paintTab, .item = 1},
    {.code = filterFringeBlur, .run = [](colorFilter &f, int) { f.fringeBlur(); },
     .reach = fringeBlurReachOf, .page = effectOnePage, .tab = fringeBlurTab, .item = -1,
     .batchName = "fringe-blur", .summary = "blur the fringe", .keys = fringeBlurKeys},
};
} // namespace

std::span<const filterParameter> filterParameters()
{
    return parameterTable;
}

const filterParameter *findFilterParameter(std::string_view field)
{
    for (const filterParameter &p : parameterTable)
        if (field == p.field) return &p;
    return nullptr;
}

std::span<const filterDescription> filterDescriptions()
{
    return filterTable;
}

const filterDescription *describeFilter(int code)
{
    for (const filterDescription &d : filterTable)
        if (d.code == code) return &d;
    return nullptr;
}

void colorFilter::run()
{
    pixelCount = width * height;
    if (progressBar) progressBar->setMaximum(height);
    if (const filterDescription *d = describeFilter(filterType)) d->run(*this, filterType);
    if (progressBar) progressBar->setPosition(0);
}

void colorFilter::forEachRowBand(const std::function<void(int, int)> &body, int minimum, int step) const
{
    forEachBand(height, body, [this](int y) { reportRow(y); }, minimum, step);
}

void colorFilter::runOnPlanes(myImageArray &planes)
{
    width = planes.width;
    height = planes.height;
    redPlane = planes.redPlane.get();
    greenPlane = planes.greenPlane.get();
    bluePlane = planes.bluePlane.get();
    run();
}

void colorFilter::runOnBitmap(QImage &bitmap)
{
    myImageArray planes(bitmap);
    runOnPlanes(planes);
    planes.storeToBitmap();
    redPlane = greenPlane = bluePlane = nullptr;
}
