// The colour filter engine's table of codes (each code's member, filterDescriptions()) and its
// run; the families of filters live in colorfilter_*.cpp.
#include "colorfilter.h"

#include "filterkernels.h"
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

// One row per filter code, in code order: the member of colorFilter that runs it (the families
// that serve several codes are told which), its reach, its kernel and its place in the window.
// The per-pixel colour operations and the fringe brightness bands reach no further than the pixel.
constexpr filterDescription filterTable[] = {
    {.code = filterRgbShift, .run = [](colorFilter &f, int) { f.rgbShift(); },
     .page = adjustPage, .tab = rgbShiftTab, .item = -1},
    {.code = filterBrightChromaHue, .run = [](colorFilter &f, int) { f.brightChromaHue(); },
     .page = adjustPage, .tab = brightChromaTab, .item = -1},
    // Emboss is the grey step (brightness/chroma/hue with chroma −255) and a relief of that grey;
    // the engine's fields name the grey step after the run.
    {.code = filterEmboss, .run = [](colorFilter &f, int) { f.bright = 0; f.chroma = -255; f.hue = 0; f.emboss(); },
     .reach = threeByThree, .kernel = reliefKernel, .page = effectOnePage, .tab = embossTab, .item = -1},
    {.code = filterMotionBlur, .run = [](colorFilter &f, int) { f.motionBlur(); },
     .reach = motionReach, .kernel = motionKernel, .page = effectTwoPage, .tab = motionBlurTab, .item = -1},
    {.code = filterMosaic, .run = [](colorFilter &f, int) { f.mosaic(); },
     .reach = mosaicReach, .page = effectTwoPage, .tab = mosaicTab, .item = -1},
    {.code = filterColorLevels, .run = [](colorFilter &f, int) { f.colorLevels(); },
     .page = effectTwoPage, .tab = colorLevelsTab, .item = -1},
    {.code = filterGreyscale, .run = [](colorFilter &f, int code) { f.monochrome(code); },
     .page = effectOnePage, .tab = monoColorTab, .item = 0},
    {.code = filterSepia, .run = [](colorFilter &f, int code) { f.monochrome(code); },
     .page = effectOnePage, .tab = monoColorTab, .item = 1},
    {.code = filterDrawColorMono, .run = [](colorFilter &f, int code) { f.monochrome(code); },
     .page = effectOnePage, .tab = monoColorTab, .item = 2},
    {.code = filterToneSCurve, .run = [](colorFilter &f, int code) { f.toneCurve(code); },
     .page = adjustPage, .tab = toneCurveTab, .item = 0},
    {.code = filterToneSlope, .run = [](colorFilter &f, int code) { f.toneCurve(code); },
     .page = adjustPage, .tab = toneCurveTab, .item = 1},
    {.code = filterTonePoints, .run = [](colorFilter &f, int code) { f.toneCurve(code); },
     .page = adjustPage, .tab = toneCurveTab, .item = 2},
    {.code = filterToneGamma, .run = [](colorFilter &f, int code) { f.toneCurve(code); },
     .page = adjustPage, .tab = toneCurveTab, .item = 3},
    {.code = filterSharpen, .run = [](colorFilter &f, int) { f.sharpen(); },
     .reach = threeByThree, .kernel = laplaceKernel, .page = effectTwoPage, .tab = sharpenTab, .item = -1},
    {.code = filterSoftFocus, .run = [](colorFilter &f, int) { f.softFocus(); },
     .reach = softReach, .kernel = softKernel, .page = effectOnePage, .tab = softFocusTab, .item = -1},
    {.code = filterMedian, .run = [](colorFilter &f, int) { f.medianFilter(); },
     .reach = medianReach, .page = effectTwoPage, .tab = medianTab, .item = -1},
    {.code = filterFringeCircle, .run = [](colorFilter &f, int) { f.fringeBrightCircle(); },
     .page = effectOnePage, .tab = fringeShapeTab, .item = 0},
    {.code = filterFringeSquare, .run = [](colorFilter &f, int) { f.fringeBrightSquare(); },
     .page = effectOnePage, .tab = fringeShapeTab, .item = 1},
    {.code = filterPaintNormal, .run = [](colorFilter &f, int code) { f.paint(code); },
     .reach = paintReach, .page = effectOnePage, .tab = paintTab, .item = 0},
    {.code = filterPaintPointillism, .run = [](colorFilter &f, int code) { f.paint(code); },
     .reach = paintReach, .page = effectOnePage, .tab = paintTab, .item = 1},
    {.code = filterFringeBlur, .run = [](colorFilter &f, int) { f.fringeBlur(); },
     .reach = fringeBlurReachOf, .page = effectOnePage, .tab = fringeBlurTab, .item = -1},
};
} // namespace

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
