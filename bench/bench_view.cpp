// Speed of the main view on the shared 24-megapixel photo-like picture in a 1600 × 1000 view:
// drawing the visible part at every zoom factor (a zoom or a scroll repaints this, within a
// 16 ms frame), the first draw below 50 % (it also makes the picture's half sizes), the histogram
// of the whole picture and of the visible part, and the first preview step on the picture after
// a slider move (the operation on the visible part at 100 %, on the fitted view at fit) for a
// colour page and the effects, and the exact result of the visible pixels at 100 %.
#include "benchphoto.h"
#include "colour/colorfilter.h"
#include "colour/filterregion.h"
#include "imagedata/myimagearray.h"
#include "imagedata/rectangle.h"
#include "ui/histogram.h"
#include "ui/viewgeometry.h"

#include <benchmark/benchmark.h>

#include <QImage>

namespace {

using benchPhoto::thePhoto;
constexpr int viewWidth = 1600, viewHeight = 1000;
constexpr int quickLook = 400'000; // as the window's quick look

// The scroll offset that centres the picture at the scale.
int centred(int pictureLength, double scale, int viewLength)
{
    return clampOffset((scaledLength(pictureLength, scale) - viewLength) / 2.0, pictureLength, scale, viewLength);
}

void drawAtZoom(benchmark::State &state)
{
    const double scale = state.range(0) / 10000.0;
    const QImage &picture = thePhoto();
    QImage canvas(viewWidth, viewHeight, QImage::Format_RGB32);
    halfSizes reductions;
    const int ox = centred(picture.width(), scale, viewWidth), oy = centred(picture.height(), scale, viewHeight);
    drawZoomed(picture, reductions, canvas, scale, ox, oy, 0xFFFFFFFFu); // the half sizes, once
    int step = 0;
    for (auto _ : state) {
        // Scrolling by a few pixels each frame.
        drawZoomed(picture, reductions, canvas, scale, ox + (step % 7), oy + (step % 5), 0xFFFFFFFFu);
        ++step;
        benchmark::DoNotOptimize(canvas.constBits());
    }
}

void firstDrawBelowHalf(benchmark::State &state)
{
    const QImage &picture = thePhoto();
    QImage canvas(viewWidth, viewHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        halfSizes reductions;
        drawZoomed(picture, reductions, canvas, 0.25, 0, 0, 0xFFFFFFFFu);
        benchmark::DoNotOptimize(canvas.constBits());
    }
}

void histogramWhole(benchmark::State &state)
{
    for (auto _ : state) benchmark::DoNotOptimize(histogramOf(thePhoto()).pixels);
}

void histogramVisible(benchmark::State &state)
{
    for (auto _ : state) benchmark::DoNotOptimize(histogramOf(thePhoto(), QRect(2000, 1500, viewWidth, viewHeight)).pixels);
}

// What a slider move shows first, as the window makes it: at 100 % a per-pixel operation's exact
// result on the visible part, a neighbourhood effect's quick look from a reduced copy of it; at
// fit the operation on the fitted view (a quick look from a reduced copy for the effects).
void setUp(colorFilter &filter, int filterType)
{
    filter.filterType = filterType;
    filter.bright = 40;
    filter.medianSize = 3;
    filter.edgeLevel = 8;
    filter.mosaicSize = 13;
    filter.outFocusDensity = 63;
}

const QRect visible(2000, 1500, viewWidth, viewHeight);

void firstPreview(benchmark::State &state, int filterType, bool fit)
{
    colorFilter filter;
    setUp(filter, filterType);
    const QImage &photo = thePhoto();
    const bool perPixel = filterIsPerPixel(filter, photo.width(), photo.height());
    QImage source;
    if (fit) {
        rectangle area{0, 0, viewWidth - 1, viewHeight - 1};
        fitRect(0, 0, photo.width() - 1, photo.height() - 1, area);
        source = QImage(area.right - area.left + 1, area.bottom - area.top + 1, QImage::Format_RGB32);
        stretchCopy(photo, source);
    }
    for (auto _ : state) {
        QImage shown;
        if (fit)
            shown = quickFilterLook(filter, source, perPixel ? 0 : quickLook);
        else if (perPixel)
            shown = runFilterOnRegion(filter, photo, visible);
        else
            shown = quickFilterLook(filter, photo.copy(visible), quickLook);
        benchmark::DoNotOptimize(shown.constBits());
    }
}

// The exact result of the visible 1600 × 1000 pixels at 100 % (with what the operation reads
// around them), against the engine on the visible part alone.
void exactAt100(benchmark::State &state, int filterType)
{
    colorFilter filter;
    setUp(filter, filterType);
    for (auto _ : state) benchmark::DoNotOptimize(runFilterOnRegion(filter, thePhoto(), visible).constBits());
}

void engineOnVisible(benchmark::State &state, int filterType)
{
    colorFilter filter;
    setUp(filter, filterType);
    const QImage part = thePhoto().copy(visible);
    for (auto _ : state) {
        QImage work = part.copy();
        filter.runOnBitmap(work);
        benchmark::DoNotOptimize(work.constBits());
    }
}

} // namespace

BENCHMARK(drawAtZoom)->Arg(625)->Arg(1250)->Arg(3333)->Arg(5000)->Arg(6667)->Arg(10000)->Arg(20000)->Arg(40000)->Arg(160000)->Unit(benchmark::kMillisecond);
BENCHMARK(firstDrawBelowHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(histogramWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(histogramVisible)->Unit(benchmark::kMillisecond);
#define VIEW_PREVIEW(name, code)                                                                           \
    BENCHMARK_CAPTURE(firstPreview, name##At100, code, false)->Unit(benchmark::kMillisecond);            \
    BENCHMARK_CAPTURE(firstPreview, name##AtFit, code, true)->Unit(benchmark::kMillisecond);             \
    BENCHMARK_CAPTURE(exactAt100, name, code)->Unit(benchmark::kMillisecond);                            \
    BENCHMARK_CAPTURE(engineOnVisible, name, code)->Unit(benchmark::kMillisecond);
VIEW_PREVIEW(bright, filterBrightChromaHue)
VIEW_PREVIEW(toneCurve, filterToneSCurve)
VIEW_PREVIEW(median, filterMedian)
VIEW_PREVIEW(sharpen, filterSharpen)
VIEW_PREVIEW(mosaic, filterMosaic)
VIEW_PREVIEW(softFocus, filterSoftFocus)
VIEW_PREVIEW(motionBlur, filterMotionBlur)
VIEW_PREVIEW(emboss, filterEmboss)
VIEW_PREVIEW(paint, filterPaintNormal)
VIEW_PREVIEW(pointillism, filterPaintPointillism)
VIEW_PREVIEW(fringeCircle, filterFringeCircle)
VIEW_PREVIEW(fringeBlur, filterFringeBlur)
BENCHMARK_MAIN();
