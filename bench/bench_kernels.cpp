// Speed of the kernel filters, mosaic and median on a photo-like 24-megapixel picture
// (6000 × 4000; KORVIA_BENCH_WIDTH / KORVIA_BENCH_HEIGHT choose another size). Each run restores
// the planes from an untouched copy outside the timed part. A memcpy of the picture's 32-bit
// bytes is measured for reference.
#include "colour/colorfilter.h"
#include "colour/filterkernels.h"

#include "imagedata/workerpool.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

// One thread, as these figures have always been taken; bench_threads times the worker threads.
[[maybe_unused]] const bool oneThread = (setWorkerThreads(1), true);

int sizeFromEnvironment(const char *name, int fallback)
{
    const char *text = std::getenv(name);
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

struct kernelPhoto {
    int width = sizeFromEnvironment("KORVIA_BENCH_WIDTH", 6000);
    int height = sizeFromEnvironment("KORVIA_BENCH_HEIGHT", 4000);
    std::vector<std::uint8_t> source[3];
    std::vector<std::uint8_t> planes[3];

    kernelPhoto()
    {
        // Smooth colour gradients and soft blobs, a few hard edges, and sensor-like noise.
        const std::size_t count = static_cast<std::size_t>(width) * height;
        std::mt19937 random(12345);
        for (int p = 0; p < 3; ++p) {
            source[p].resize(count);
            planes[p].resize(count);
        }
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const double u = double(x) / width, v = double(y) / height;
                const double base = 110 + 70 * std::sin(6.0 * u + 2.0 * v) * std::cos(4.0 * v - u);
                const double edge = ((x / 700 + y / 500) % 3 == 0) ? 40 : 0;
                const int noise = static_cast<int>(random() % 13) - 6;
                const std::size_t at = static_cast<std::size_t>(y) * width + x;
                for (int p = 0; p < 3; ++p) {
                    int value = static_cast<int>(base + edge + 25 * p * u) + noise;
                    source[p][at] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
                }
            }
    }
    void restore()
    {
        for (int p = 0; p < 3; ++p) std::memcpy(planes[p].data(), source[p].data(), source[p].size());
    }
    colorFilter engine(int code)
    {
        colorFilter f;
        f.filterType = code;
        f.width = width;
        f.height = height;
        f.redPlane = planes[0].data();
        f.greenPlane = planes[1].data();
        f.bluePlane = planes[2].data();
        return f;
    }
};

kernelPhoto &sharedPhoto()
{
    static kernelPhoto picture;
    return picture;
}

template <typename Setup>
void runFilter(benchmark::State &state, int code, Setup setup)
{
    kernelPhoto &picture = sharedPhoto();
    for (auto _ : state) {
        state.PauseTiming();
        picture.restore();
        colorFilter f = picture.engine(code);
        setup(f);
        state.ResumeTiming();
        f.run();
        benchmark::DoNotOptimize(picture.planes[0].data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * picture.width * picture.height);
}

void BM_MemcpyPictureBytes(benchmark::State &state)
{
    kernelPhoto &picture = sharedPhoto();
    const std::size_t bytes = static_cast<std::size_t>(picture.width) * picture.height * 4;
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

void BM_Sharpen(benchmark::State &state) { runFilter(state, 15, [](colorFilter &f) { f.edgeLevel = 5; }); }
void BM_Emboss(benchmark::State &state)
{
    runFilter(state, 4, [](colorFilter &f) {
        f.embosseLevel = 20;
        f.embossAngle = 45;
        f.drawColor = 0x808080;
    });
}
// The same two filters with the vector instructions limited (0 none, 1 up to AVX2, 2 all).
void BM_SharpenVectorLevel(benchmark::State &state)
{
    setVectorPaths(static_cast<vectorPaths>(state.range(0)));
    runFilter(state, 15, [](colorFilter &f) { f.edgeLevel = 5; });
    setVectorPaths(vectorPaths::best);
}
void BM_EmbossVectorLevel(benchmark::State &state)
{
    setVectorPaths(static_cast<vectorPaths>(state.range(0)));
    runFilter(state, 4, [](colorFilter &f) {
        f.embosseLevel = 20;
        f.embossAngle = 45;
        f.drawColor = 0x808080;
    });
    setVectorPaths(vectorPaths::best);
}
void BM_MotionBlur(benchmark::State &state)
{
    const int angle = static_cast<int>(state.range(0));
    runFilter(state, 5, [angle](colorFilter &f) {
        f.vibrateSize = 30;
        f.vibrateAngle = angle;
    });
}
void BM_SoftFocus(benchmark::State &state)
{
    runFilter(state, 16, [](colorFilter &f) {
        f.softSize = 30;
        f.softCoreLevel = 30;
    });
}
void BM_Mosaic(benchmark::State &state) { runFilter(state, 6, [](colorFilter &f) { f.mosaicSize = 20; }); }
// Arguments: the window and the vector level (2: every path the processor has; 1: at most AVX2).
void BM_Median(benchmark::State &state)
{
    const int size = static_cast<int>(state.range(0));
    setVectorPaths(static_cast<vectorPaths>(state.range(1)));
    runFilter(state, 17, [size](colorFilter &f) { f.medianSize = size; });
    setVectorPaths(vectorPaths::best);
}

} // namespace

BENCHMARK(BM_MemcpyPictureBytes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Sharpen)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Emboss)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SharpenVectorLevel)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EmbossVectorLevel)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MotionBlur)->Arg(0)->Arg(30)->Arg(135)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SoftFocus)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Mosaic)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Median)->ArgsProduct({{3, 5, 7, 9, 11}, {2, 1}})->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
