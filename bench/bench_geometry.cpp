// Speed of the geometric transforms on the shared 24-megapixel photo-like picture, one thread:
// the engine's run (executeShape) into a destination of the commit's size that exists already,
// next to a memcpy of the picture's 32-bit bytes, and the moves that keep the size made in place. The destination is made once per benchmark, as
// the commit's fill of the new bitmap is not the transform's work. BENCH_PLAIN=1 times the plain
// loops instead.
#include "benchphoto.h"
#include "geometry/prepareshape.h"

#include "imagedata/vectorpaths.h"
#include "imagedata/workerpool.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// One thread, as these figures have always been taken; bench_threads times the worker threads.
[[maybe_unused]] const bool oneThread = (setWorkerThreads(1), true);

using benchPhoto::pictureHeight;
using benchPhoto::pictureWidth;
using benchPhoto::thePhoto;

void transform(benchmark::State &state, std::uint32_t code, void (*setUp)(prepareShape &))
{
    setVectorPaths(std::getenv("BENCH_PLAIN") == nullptr ? vectorPaths::best : vectorPaths::plain);
    prepareShape shaper;
    shaper.engine->shapeType = code;
    if (setUp) setUp(shaper);
    const QImage &source = thePhoto();
    QImage destination(shaper.shapedSize(source.width(), source.height()), QImage::Format_RGB32);
    destination.fill(0xFF000000u);
    for (auto _ : state) {
        shaper.engine->executeShape(source, destination, shaper.backgroundColor);
        benchmark::DoNotOptimize(destination.constBits());
        benchmark::ClobberMemory();
    }
    state.counters["Mpixel/s"] = benchmark::Counter(double(destination.width()) * destination.height(),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

// The same-size moves made in the picture itself (korvia-batch's commit of them, and the
// orientation on open): no destination, every byte read and written once.
void inPlace(benchmark::State &state, std::uint32_t code)
{
    setVectorPaths(std::getenv("BENCH_PLAIN") == nullptr ? vectorPaths::best : vectorPaths::plain);
    prepareShape shaper;
    shaper.engine->shapeType = code;
    QImage picture = thePhoto().copy();
    for (auto _ : state) {
        if (!shaper.shapeInPlace(picture)) state.SkipWithError("not in place");
        benchmark::DoNotOptimize(picture.constBits());
        benchmark::ClobberMemory();
    }
    state.counters["Mpixel/s"] = benchmark::Counter(double(picture.width()) * picture.height(),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

// The commit into a new bitmap as the window and korvia-batch made it before the moves in place:
// the bitmap made and filled (its pages touched for the first time), then the transform.
void newBitmap(benchmark::State &state, std::uint32_t code)
{
    setVectorPaths(std::getenv("BENCH_PLAIN") == nullptr ? vectorPaths::best : vectorPaths::plain);
    prepareShape shaper;
    shaper.engine->shapeType = code;
    const QImage &source = thePhoto();
    for (auto _ : state) {
        QImage shaped = shaper.makeShapedBitmap(source);
        benchmark::DoNotOptimize(shaped.constBits());
        benchmark::ClobberMemory();
    }
    state.counters["Mpixel/s"] = benchmark::Counter(double(source.width()) * source.height(),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void copyOfPictureBytes(benchmark::State &state)
{
    const std::size_t size = std::size_t(pictureWidth) * pictureHeight * 4;
    std::vector<std::uint8_t> source(size, 1), target(size, 0);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), size);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    // The same counter as the transforms (the CSV report needs it in every row).
    state.counters["Mpixel/s"] = benchmark::Counter(double(pictureWidth) * pictureHeight, benchmark::Counter::kIsIterationInvariantRate);
}

void turnRight(benchmark::State &s) { transform(s, shapeRotateRight90, nullptr); }
void turnLeft(benchmark::State &s) { transform(s, shapeRotateLeft90, nullptr); }
void turn180(benchmark::State &s) { transform(s, shapeRotate180, nullptr); }
void mirrorLeftRight(benchmark::State &s) { transform(s, shapeMirrorLeftRight, nullptr); }
void mirrorUpDown(benchmark::State &s) { transform(s, shapeMirrorUpDown, nullptr); }
void turn180NewBitmap(benchmark::State &s) { newBitmap(s, shapeRotate180); }
void mirrorLeftRightNewBitmap(benchmark::State &s) { newBitmap(s, shapeMirrorLeftRight); }
void mirrorUpDownNewBitmap(benchmark::State &s) { newBitmap(s, shapeMirrorUpDown); }
void turn180InPlace(benchmark::State &s) { inPlace(s, shapeRotate180); }
void mirrorLeftRightInPlace(benchmark::State &s) { inPlace(s, shapeMirrorLeftRight); }
void mirrorUpDownInPlace(benchmark::State &s) { inPlace(s, shapeMirrorUpDown); }
void trimHalf(benchmark::State &s)
{
    transform(s, shapeTrim, [](prepareShape &p) {
        p.engine->trimLeft = 1000, p.engine->trimRight = 4999, p.engine->trimTop = 1000, p.engine->trimBottom = 2999;
    });
}
void rotate45(benchmark::State &s) { transform(s, shapeRotateAngle, [](prepareShape &p) { p.engine->rotateAngle = 4500; }); }
void resize200(benchmark::State &s)
{
    transform(s, shapeResize, [](prepareShape &p) { p.targetWidth = 2 * pictureWidth, p.targetHeight = 2 * pictureHeight; });
}
void resize50(benchmark::State &s)
{
    transform(s, shapeResize, [](prepareShape &p) { p.targetWidth = pictureWidth / 2, p.targetHeight = pictureHeight / 2; });
}
void slope30(benchmark::State &s) { transform(s, shapeSlope, [](prepareShape &p) { p.engine->slopeBalance = 30; }); }
void trapezoid30(benchmark::State &s) { transform(s, shapePerspective, [](prepareShape &p) { p.engine->perspective = 30; }); }
void distort20(benchmark::State &s) { transform(s, shapeDistort, [](prepareShape &p) { p.engine->distortion = 20; }); }
void distortMinus30(benchmark::State &s) { transform(s, shapeDistort, [](prepareShape &p) { p.engine->distortion = -30; }); }

// The preview of every code on a full 205 × 205 sample, one after another, bitmap making included:
// the time is for all twelve codes together and must stay well under a 16 ms frame for each.
void previewEveryCode(benchmark::State &state)
{
    setVectorPaths(std::getenv("BENCH_PLAIN") == nullptr ? vectorPaths::best : vectorPaths::plain);
    const QImage sample = thePhoto().copy(2000, 1500, 205, 205);
    prepareShape shaper;
    shaper.horizontalPercent = 150;
    for (auto _ : state) {
        for (std::uint32_t code = shapeCopy; code <= shapeSlope; ++code) {
            shaper.engine->shapeType = code;
            shaper.engine->rotateAngle = 3000;
            shaper.engine->distortion = -30;
            shaper.engine->perspective = 40;
            shaper.engine->slopeBalance = -70;
            std::optional<QImage> preview = shaper.makePreviewBitmap(sample);
            benchmark::DoNotOptimize(preview);
        }
    }
    state.counters["Mpixel/s"] = benchmark::Counter(12.0 * 205 * 205, benchmark::Counter::kIsIterationInvariantRate);
}

double fastest(const std::vector<double> &times) { return *std::min_element(times.begin(), times.end()); }

#define QUICK(f) BENCHMARK(f)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true)
#define SLOW(f) BENCHMARK(f)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true)
QUICK(copyOfPictureBytes);
QUICK(turnRight);
QUICK(turnLeft);
QUICK(turn180);
QUICK(mirrorLeftRight);
QUICK(mirrorUpDown);
QUICK(turn180NewBitmap);
QUICK(mirrorLeftRightNewBitmap);
QUICK(mirrorUpDownNewBitmap);
QUICK(turn180InPlace);
QUICK(mirrorLeftRightInPlace);
QUICK(mirrorUpDownInPlace);
QUICK(trimHalf);
SLOW(rotate45);
SLOW(resize200);
QUICK(resize50);
SLOW(slope30);
SLOW(trapezoid30);
SLOW(distort20);
SLOW(distortMinus30);
BENCHMARK(previewEveryCode)->Unit(benchmark::kMillisecond)->Repetitions(3)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
