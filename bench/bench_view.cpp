// Speed of the main view on the shared 24-megapixel photo-like picture in a 1600 × 1000 view:
// drawing the visible part at every zoom factor (a zoom or a scroll repaints this, within a
// 16 ms frame), the first draw below 50 % (it also makes the picture's half sizes), the histogram
// of the whole picture and of the visible part, and the first preview step on the picture after
// a slider move (the operation on the visible part at 100 %, on the fitted view at fit) for a
// colour page and a neighbourhood effect.
#include "benchphoto.h"
#include "colour/colorfilter.h"
#include "imagedata/myimagearray.h"
#include "imagedata/rectangle.h"
#include "ui/histogram.h"
#include "ui/viewgeometry.h"

#include <benchmark/benchmark.h>

#include <QImage>

namespace {

using benchPhoto::thePhoto;
constexpr int viewWidth = 1600, viewHeight = 1000;

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

// The preview's first step: the operation on the visible part (100 %) or on the fitted view.
void firstPreview(benchmark::State &state, int filterType, bool fit)
{
    colorFilter filter;
    filter.filterType = filterType;
    filter.bright = 40;
    filter.medianSize = 3;
    QImage source;
    if (fit) {
        rectangle area{0, 0, viewWidth - 1, viewHeight - 1};
        fitRect(0, 0, thePhoto().width() - 1, thePhoto().height() - 1, area);
        source = QImage(area.right - area.left + 1, area.bottom - area.top + 1, QImage::Format_RGB32);
        stretchCopy(thePhoto(), source);
    } else {
        source = thePhoto().copy(2000, 1500, viewWidth, viewHeight);
    }
    for (auto _ : state) {
        QImage work = source.copy();
        filter.runOnBitmap(work);
        benchmark::DoNotOptimize(work.constBits());
    }
}

} // namespace

BENCHMARK(drawAtZoom)->Arg(625)->Arg(1250)->Arg(3333)->Arg(5000)->Arg(6667)->Arg(10000)->Arg(20000)->Arg(40000)->Arg(160000)->Unit(benchmark::kMillisecond);
BENCHMARK(firstDrawBelowHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(histogramWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(histogramVisible)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(firstPreview, brightAt100, filterBrightChromaHue, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(firstPreview, brightAtFit, filterBrightChromaHue, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(firstPreview, medianAt100, filterMedian, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(firstPreview, medianAtFit, filterMedian, true)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
