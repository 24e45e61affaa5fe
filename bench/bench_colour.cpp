// Colour adjustments on a 24-megapixel photo-like picture, single thread. The planes are made
// once; each iteration restores them (untimed) and runs one filter.
#include "colour/colorcontrol.h"
#include "colour/colorfilter.h"
#include "imagedata/myimagearray.h"

#include "imagedata/workerpool.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

// One thread, as these figures have always been taken; bench_threads times the worker threads.
[[maybe_unused]] const bool oneThread = (setWorkerThreads(1), true);

constexpr int benchWidth = 6000;
constexpr int benchHeight = 4000;

struct colourPhoto {
    std::vector<std::uint8_t> r, g, b;       // pristine
    std::vector<std::uint8_t> wr, wg, wb;    // working copies
    QImage bitmap;

    colourPhoto()
    {
        const std::size_t n = std::size_t(benchWidth) * benchHeight;
        r.resize(n);
        g.resize(n);
        b.resize(n);
        std::mt19937 gen(12345);
        std::normal_distribution<double> noise(0.0, 6.0);
        // Sky-like gradient at the top, warm textured ground below, smooth shading and sensor
        // noise: many distinct colours, locally coherent like a photograph.
        for (int y = 0; y < benchHeight; ++y) {
            for (int x = 0; x < benchWidth; ++x) {
                const double fy = double(y) / benchHeight;
                const double fx = double(x) / benchWidth;
                const double shade = 0.5 + 0.5 * std::sin(fx * 9.0 + std::cos(fy * 7.0) * 2.0);
                double rv, gv, bv;
                if (fy < 0.45) {
                    rv = 90 + 80 * fy + 30 * shade;
                    gv = 140 + 60 * fy + 20 * shade;
                    bv = 220 - 40 * fy + 10 * shade;
                } else {
                    rv = 120 + 90 * shade - 60 * (fy - 0.45);
                    gv = 90 + 70 * shade * fx;
                    bv = 40 + 40 * shade * (1 - fx);
                }
                const std::size_t i = std::size_t(y) * benchWidth + x;
                auto put = [&](double v) {
                    v += noise(gen);
                    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
                };
                r[i] = put(rv);
                g[i] = put(gv);
                b[i] = put(bv);
            }
        }
        wr = r;
        wg = g;
        wb = b;
        bitmap = QImage(benchWidth, benchHeight, QImage::Format_RGB32);
        planesToBitmap(bitmap, r.data(), g.data(), b.data());
    }

    void restore()
    {
        std::memcpy(wr.data(), r.data(), r.size());
        std::memcpy(wg.data(), g.data(), g.size());
        std::memcpy(wb.data(), b.data(), b.size());
    }
};

colourPhoto &thePhoto()
{
    static colourPhoto p;
    return p;
}

void runFilter(benchmark::State &state, int code, int bright, int chroma, int hue)
{
    colourPhoto &p = thePhoto();
    setVectorPaths(state.range(0) != 0 ? vectorPaths::best : vectorPaths::plain);
    colorFilter f;
    for (auto _ : state) {
        state.PauseTiming();
        p.restore();
        f.filterType = code;
        f.width = benchWidth;
        f.height = benchHeight;
        f.redPlane = p.wr.data();
        f.greenPlane = p.wg.data();
        f.bluePlane = p.wb.data();
        f.bright = bright;
        f.chroma = chroma;
        f.hue = hue;
        f.red = 20;
        f.green = -15;
        f.blue = 40;
        f.colorLevel = 5;
        f.drawColor = packColor(100, 200, 200);
        f.tonePosition = 20;
        state.ResumeTiming();
        f.run();
        benchmark::DoNotOptimize(p.wr.data());
        benchmark::ClobberMemory();
    }
    setVectorPaths(vectorPaths::best);
}

void BM_SplitAndJoin(benchmark::State &state)
{
    colourPhoto &p = thePhoto();
    for (auto _ : state) {
        bitmapToPlanes(p.bitmap, p.wr.data(), p.wg.data(), p.wb.data());
        planesToBitmap(p.bitmap, p.wr.data(), p.wg.data(), p.wb.data());
        benchmark::ClobberMemory();
    }
}

void BM_RgbShift(benchmark::State &state) { runFilter(state, 1, 0, 0, 0); }
void BM_BrightChromaHue(benchmark::State &state) { runFilter(state, 2, 10, 20, 10); }
void BM_BrightChromaHueZero(benchmark::State &state) { runFilter(state, 2, 0, 0, 0); }
void BM_ColorLevels(benchmark::State &state) { runFilter(state, 7, 0, 0, 0); }
void BM_Greyscale(benchmark::State &state) { runFilter(state, 8, 0, 0, 0); }
void BM_Sepia(benchmark::State &state) { runFilter(state, 9, 0, 0, 0); }
void BM_DrawColourMono(benchmark::State &state) { runFilter(state, 10, 0, 0, 0); }
void BM_ToneSCurve(benchmark::State &state) { runFilter(state, 11, 0, 0, 0); }

} // namespace

// Argument: 1 with AVX2 loops (when available), 0 with the portable loops.
BENCHMARK(BM_SplitAndJoin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RgbShift)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrightChromaHue)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrightChromaHueZero)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorLevels)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Greyscale)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sepia)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawColourMono)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneSCurve)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
