// Speed-up of the engines on worker threads: every heavy filter and transform on the shared
// 24-megapixel photo-like picture with the thread count as the argument (1, 2, ...), wall-clock
// time. Each filter run starts from the pristine planes (restored untimed). Compare the rows of
// one operation: time(1) / time(n) is the speed-up on n threads; the machine's core count is in
// the report's header. On a machine busy with other work the wall-clock figures swing; the
// counter process_ms (the CPU time of all the process's threads per run) shows what the threads
// cost together: close to the one-thread figure means the work split without overhead.
//   bench_threads --benchmark_filter='sharpen|rotate'
#include "benchphoto.h"
#include "colour/colorfilter.h"
#include "geometry/prepareshape.h"
#include "imagedata/myimagearray.h"
#include "imagedata/workerpool.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace {

double processMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

using benchPhoto::pictureHeight;
using benchPhoto::pictureWidth;
using benchPhoto::thePhoto;

struct photoPlanes {
    std::vector<std::uint8_t> pristine[3], working[3];
    photoPlanes()
    {
        const std::size_t n = std::size_t(pictureWidth) * pictureHeight;
        for (int p = 0; p < 3; ++p) pristine[p].resize(n), working[p].resize(n);
        bitmapToPlanes(thePhoto(), pristine[0].data(), pristine[1].data(), pristine[2].data());
    }
    void restore()
    {
        for (int p = 0; p < 3; ++p) std::memcpy(working[p].data(), pristine[p].data(), pristine[p].size());
    }
};

photoPlanes &planes()
{
    static photoPlanes p;
    return p;
}

void filter(benchmark::State &state, int code, const std::function<void(colorFilter &)> &set)
{
    setWorkerThreads(static_cast<int>(state.range(0)));
    photoPlanes &p = planes();
    colorFilter f;
    f.filterType = code;
    if (set) set(f);
    f.width = pictureWidth;
    f.height = pictureHeight;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        p.restore();
        f.redPlane = p.working[0].data(), f.greenPlane = p.working[1].data(), f.bluePlane = p.working[2].data();
        state.ResumeTiming();
        const double before = processMilliseconds();
        f.run();
        benchmark::ClobberMemory();
        cpu += processMilliseconds() - before;
    }
    setWorkerThreads(0);
    state.counters["process_ms"] = cpu / static_cast<double>(state.iterations());
    state.counters["Mpixel/s"] = benchmark::Counter(double(pictureWidth) * pictureHeight, benchmark::Counter::kIsIterationInvariantRate);
}

void transform(benchmark::State &state, std::uint32_t code, void (*setUp)(prepareShape &))
{
    setWorkerThreads(static_cast<int>(state.range(0)));
    prepareShape shaper;
    shaper.engine->shapeType = code;
    if (setUp) setUp(shaper);
    const QImage &source = thePhoto();
    QImage destination(shaper.shapedSize(source.width(), source.height()), QImage::Format_RGB32);
    destination.fill(0xFF000000u);
    double cpu = 0;
    for (auto _ : state) {
        const double before = processMilliseconds();
        shaper.engine->executeShape(source, destination, shaper.backgroundColor);
        benchmark::DoNotOptimize(destination.constBits());
        benchmark::ClobberMemory();
        cpu += processMilliseconds() - before;
    }
    setWorkerThreads(0);
    state.counters["process_ms"] = cpu / static_cast<double>(state.iterations());
    state.counters["Mpixel/s"] = benchmark::Counter(double(destination.width()) * destination.height(),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

// Memory-bound colour operations.
void rgbShift(benchmark::State &s) { filter(s, filterRgbShift, [](colorFilter &f) { f.red = 20, f.green = -20, f.blue = 5; }); }
void brightChromaHue(benchmark::State &s) { filter(s, filterBrightChromaHue, [](colorFilter &f) { f.bright = 10, f.chroma = 20, f.hue = 5; }); }
void greyscale(benchmark::State &s) { filter(s, filterGreyscale, nullptr); }
void toneCurve(benchmark::State &s) { filter(s, filterToneSCurve, [](colorFilter &f) { f.tonePosition = 20; }); }
// Heavy filters.
void median3(benchmark::State &s) { filter(s, filterMedian, [](colorFilter &f) { f.medianSize = 3; }); }
void median7(benchmark::State &s) { filter(s, filterMedian, [](colorFilter &f) { f.medianSize = 7; }); }
void sharpen(benchmark::State &s) { filter(s, filterSharpen, [](colorFilter &f) { f.edgeLevel = 5; }); }
void emboss(benchmark::State &s) { filter(s, filterEmboss, nullptr); }
void softFocus(benchmark::State &s) { filter(s, filterSoftFocus, nullptr); }
void motionBlur(benchmark::State &s) { filter(s, filterMotionBlur, [](colorFilter &f) { f.vibrateSize = 10, f.vibrateAngle = 30; }); }
void mosaic(benchmark::State &s) { filter(s, filterMosaic, nullptr); }
void paintNormal(benchmark::State &s) { filter(s, filterPaintNormal, [](colorFilter &f) { f.paintSize = 10; }); }
void paintPointillism(benchmark::State &s) { filter(s, filterPaintPointillism, [](colorFilter &f) { f.paintSize = 10; }); }
void fringeCircle(benchmark::State &s) { filter(s, filterFringeCircle, [](colorFilter &f) { f.fringeSize = 2000, f.fringeLevel = -100; }); }
void fringeSquare(benchmark::State &s) { filter(s, filterFringeSquare, [](colorFilter &f) { f.fringeSize = 600, f.fringeLevel = 100; }); }
void fringeBlur(benchmark::State &s) { filter(s, filterFringeBlur, [](colorFilter &f) { f.outFocusSize = 3200, f.outFocusDensity = 100; }); }
// Transforms.
void rotate(benchmark::State &s) { transform(s, shapeRotateAngle, [](prepareShape &p) { p.engine->rotateAngle = 3317; }); }
void resize(benchmark::State &s)
{
    transform(s, shapeResize, [](prepareShape &p) { p.targetWidth = pictureWidth * 3 / 2, p.targetHeight = pictureHeight * 3 / 2; });
}
void slope(benchmark::State &s) { transform(s, shapeSlope, [](prepareShape &p) { p.engine->slopeBalance = 30; }); }
void trapezoid(benchmark::State &s) { transform(s, shapePerspective, [](prepareShape &p) { p.engine->perspective = 30; }); }
void distortion(benchmark::State &s) { transform(s, shapeDistort, [](prepareShape &p) { p.engine->distortion = 20; }); }
void turnRight(benchmark::State &s) { transform(s, shapeRotateRight90, nullptr); }

double fastest(const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); }

} // namespace

#define THREADS(f) \
    BENCHMARK(f)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(9)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true)
THREADS(rgbShift);
THREADS(brightChromaHue);
THREADS(greyscale);
THREADS(toneCurve);
THREADS(median3);
THREADS(median7);
THREADS(sharpen);
THREADS(emboss);
THREADS(softFocus);
THREADS(motionBlur);
THREADS(mosaic);
THREADS(paintNormal);
THREADS(paintPointillism);
THREADS(fringeCircle);
THREADS(fringeSquare);
THREADS(fringeBlur);
THREADS(rotate);
THREADS(resize);
THREADS(slope);
THREADS(trapezoid);
THREADS(distortion);
THREADS(turnRight);

BENCHMARK_MAIN();
