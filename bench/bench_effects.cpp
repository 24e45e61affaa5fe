// Speed of the fringe effects and the paint filter on a 24-megapixel photo-like picture, next to
// a plain copy of the picture's bytes and the mosaic as references. Everything runs on one
// thread except the fringe blur, which uses every core; it is also timed on one.
#include "colour/colorfilter.h"
#include "colour/fringeblur.h"
#include "colour/sharedrandom.h"

#include "imagedata/workerpool.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

// One thread, as these figures have always been taken; bench_threads times the worker threads.
[[maybe_unused]] const bool oneThread = (setWorkerThreads(1), true);

constexpr int pictureWidth = 6000;
constexpr int pictureHeight = 4000;

// Smooth gradients, a few hard-edged shapes and a little grain, like a photograph.
struct effectsPhoto {
    std::vector<std::uint8_t> red, green, blue;
    effectsPhoto()
    {
        const std::size_t n = static_cast<std::size_t>(pictureWidth) * pictureHeight;
        red.resize(n);
        green.resize(n);
        blue.resize(n);
        std::minstd_rand grain(7);
        for (int y = 0; y < pictureHeight; ++y)
            for (int x = 0; x < pictureWidth; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * pictureWidth + x;
                const double u = x / double(pictureWidth), v = y / double(pictureHeight);
                double r = 120 + 90 * std::sin(u * 7 + v * 3), g = 100 + 80 * std::cos(v * 5),
                       b = 60 + 50 * std::sin(u * 13 - v * 2);
                if ((x / 700 + y / 500) % 3 == 0) { r = 230 - r / 3; g *= 0.5; }
                const int n0 = static_cast<int>(grain() % 9) - 4;
                red[i] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(r) + n0, 0, 255));
                green[i] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(g) + n0, 0, 255));
                blue[i] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(b) + n0, 0, 255));
            }
    }
};

effectsPhoto &thePhoto()
{
    static effectsPhoto picture;
    return picture;
}

struct workPlanes {
    std::vector<std::uint8_t> red, green, blue;
    workPlanes() : red(thePhoto().red), green(thePhoto().green), blue(thePhoto().blue) {}
    void restore()
    {
        std::memcpy(red.data(), thePhoto().red.data(), red.size());
        std::memcpy(green.data(), thePhoto().green.data(), green.size());
        std::memcpy(blue.data(), thePhoto().blue.data(), blue.size());
    }
};

void runFilter(benchmark::State &state, int code, int size, int level)
{
    workPlanes planes;
    colorFilter filter;
    filter.filterType = code;
    filter.width = pictureWidth;
    filter.height = pictureHeight;
    filter.redPlane = planes.red.data();
    filter.greenPlane = planes.green.data();
    filter.bluePlane = planes.blue.data();
    filter.fringeSize = size;
    filter.fringeLevel = level;
    filter.outFocusSize = size;
    filter.outFocusDensity = level;
    filter.paintSize = size;
    filter.mosaicSize = size;
    sharedRandom::instance().seed(1);
    for (auto _ : state) {
        state.PauseTiming();
        planes.restore();
        state.ResumeTiming();
        filter.run();
        benchmark::DoNotOptimize(planes.red.data());
        benchmark::ClobberMemory();
    }
}

void copyOfPictureBytes(benchmark::State &state)
{
    // A 32-bit bitmap of the picture: four bytes a pixel.
    std::vector<std::uint8_t> source(static_cast<std::size_t>(pictureWidth) * pictureHeight * 4, 1);
    std::vector<std::uint8_t> target(source.size(), 0);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void mosaic(benchmark::State &state) { runFilter(state, 6, 20, 0); }
void fringeBrightnessCircle(benchmark::State &state) { runFilter(state, 101, 100, 100); }
void fringeBrightnessSquare(benchmark::State &state) { runFilter(state, 102, 100, 100); }
void fringeBlur(benchmark::State &state, int parts, int density = 255)
{
    // FRINGE_STRIP=n tries another strip width of the vector path (0: its own choice).
    if (const char *strip = std::getenv("FRINGE_STRIP")) setFringeBlurStripWidth(std::atoi(strip));
    setFringeBlurParts(parts);
    setWorkerThreads(parts == 0 ? 0 : 1); // parts 0: one part for every worker thread, on every core
    runFilter(state, 107, 100, density);
    setWorkerThreads(1);
    setFringeBlurParts(0);
}
void fringeBlurDensity255(benchmark::State &state) { fringeBlur(state, 0); }
void fringeBlurDensity255OneCore(benchmark::State &state) { fringeBlur(state, 1); }
// Where the strongest blur's time goes, on one core: at density 3 the boxes are at most 3 x 3 and
// most pixels stay, so what is left is the draws, the distances and the table; at density 15 the
// boxes reach 17 x 17 and the table ring still fits the nearest caches.
void fringeBlurDensity3OneCore(benchmark::State &state) { fringeBlur(state, 1, 3); }
void fringeBlurDensity15OneCore(benchmark::State &state) { fringeBlur(state, 1, 15); }
void paintNormal30(benchmark::State &state) { runFilter(state, 105, 30, 0); }
void paintPointillism30(benchmark::State &state) { runFilter(state, 106, 30, 0); }

} // namespace

// A shared machine's timings swing by tens of percent from run to run; the references and the
// fringe blur they are compared with are also given as the best of five repetitions.
double fastest(const std::vector<double> &times) { return *std::min_element(times.begin(), times.end()); }

BENCHMARK(copyOfPictureBytes)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ComputeStatistics("min", fastest);
BENCHMARK(mosaic)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ComputeStatistics("min", fastest);
BENCHMARK(fringeBrightnessCircle)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(fringeBrightnessSquare)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(fringeBlurDensity255)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ComputeStatistics("min", fastest)->UseRealTime();
BENCHMARK(fringeBlurDensity255OneCore)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ComputeStatistics("min", fastest);
BENCHMARK(fringeBlurDensity3OneCore)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ComputeStatistics("min", fastest);
BENCHMARK(fringeBlurDensity15OneCore)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ComputeStatistics("min", fastest);
BENCHMARK(paintNormal30)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(paintPointillism30)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
