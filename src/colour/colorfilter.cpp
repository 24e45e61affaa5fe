// The colour filter engine's table of codes (each code's member, filterDescriptions()) and its
// run; the families of filters live in colorfilter_*.cpp.
#include "colorfilter.h"

#include "imagedata/myimagearray.h"
#include "imagedata/workerpool.h"

namespace {
// One row per filter code: the member of colorFilter that runs it (the families that serve several
// codes are told which).
constexpr filterDescription filterTable[] = {
    {filterRgbShift, [](colorFilter &f, int) { f.rgbShift(); }},
    {filterBrightChromaHue, [](colorFilter &f, int) { f.brightChromaHue(); }},
    // Emboss is the grey step (brightness/chroma/hue with chroma −255) and a relief of that grey;
    // the engine's fields name the grey step after the run.
    {filterEmboss, [](colorFilter &f, int) { f.bright = 0; f.chroma = -255; f.hue = 0; f.emboss(); }},
    {filterMotionBlur, [](colorFilter &f, int) { f.motionBlur(); }},
    {filterMosaic, [](colorFilter &f, int) { f.mosaic(); }},
    {filterColorLevels, [](colorFilter &f, int) { f.colorLevels(); }},
    {filterGreyscale, [](colorFilter &f, int code) { f.monochrome(code); }},
    {filterSepia, [](colorFilter &f, int code) { f.monochrome(code); }},
    {filterDrawColorMono, [](colorFilter &f, int code) { f.monochrome(code); }},
    {filterToneSCurve, [](colorFilter &f, int code) { f.toneCurve(code); }},
    {filterToneSlope, [](colorFilter &f, int code) { f.toneCurve(code); }},
    {filterTonePoints, [](colorFilter &f, int code) { f.toneCurve(code); }},
    {filterToneGamma, [](colorFilter &f, int code) { f.toneCurve(code); }},
    {filterSharpen, [](colorFilter &f, int) { f.sharpen(); }},
    {filterSoftFocus, [](colorFilter &f, int) { f.softFocus(); }},
    {filterMedian, [](colorFilter &f, int) { f.medianFilter(); }},
    {filterFringeCircle, [](colorFilter &f, int) { f.fringeBrightCircle(); }},
    {filterFringeSquare, [](colorFilter &f, int) { f.fringeBrightSquare(); }},
    {filterPaintNormal, [](colorFilter &f, int code) { f.paint(code); }},
    {filterPaintPointillism, [](colorFilter &f, int code) { f.paint(code); }},
    {filterFringeBlur, [](colorFilter &f, int) { f.fringeBlur(); }},
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
