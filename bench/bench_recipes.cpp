// The one-click recipes on a 24-megapixel photo-like picture: each recipe as korvia-batch runs it
// (one plane split for all its stages) next to the sum of its stages run one at a time as the
// execute command runs them (the window's buttons commit stage by stage like that, plus one
// snapshot where the stages alone would take one each); and the colour panel's field, which is redrawn on
// every move of the saturation bar and must fit in one frame (16 ms).
#include "ui/panels/colortool.h"
#include "colour/recipes.h"
#include "colour/sharedrandom.h"

#include "benchphoto.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {
using benchPhoto::pictureHeight;
using benchPhoto::pictureWidth;
using benchPhoto::thePhoto;

// The working picture, put back to the photo outside the timing.
struct workPicture {
    QImage bitmap = thePhoto().copy();
    void restore(benchmark::State &state)
    {
        state.PauseTiming();
        std::memcpy(bitmap.bits(), thePhoto().constBits(), std::size_t(bitmap.sizeInBytes()));
        state.ResumeTiming();
    }
};

const recipe &recipeOf(benchmark::State &state)
{
    const recipe &r = recipes()[std::size_t(state.range(0))];
    state.SetLabel(r.name);
    return r;
}

std::uint32_t colourOf(const recipe &r)
{
    return r.greyDrawColor ? recipeGreyDrawColor : (100u | (200u << 8) | (200u << 16));
}

// Each iteration runs the recipe, then its stages one at a time, from the same picture and the
// same generator state, timing each on its own clock: side by side, a busy machine slows both
// alike. Counters: recipe_ms and stages_ms per run, and their ratio (at most 1: the recipe splits
// the picture into planes once and writes it back once, the stages once each).
void BM_recipeVersusStages(benchmark::State &state)
{
    using clock = std::chrono::steady_clock;
    const recipe &r = recipeOf(state);
    workPicture work;
    const auto stages = recipeStages(r, recipeShorterSide(pictureWidth, pictureHeight));
    colorFilter filter;
    double recipeSeconds = 0, stagesSeconds = 0;
    auto timeRecipe = [&] {
        work.restore(state);
        sharedRandom::instance().seed(1);
        const auto start = clock::now();
        runRecipeStages(work.bitmap, filter, stages, colourOf(r), 0);
        recipeSeconds += std::chrono::duration<double>(clock::now() - start).count();
        benchmark::DoNotOptimize(work.bitmap.constBits());
    };
    auto timeStages = [&] {
        work.restore(state);
        sharedRandom::instance().seed(1);
        const auto start = clock::now();
        for (const recipeStage &stage : stages) {
            setUpRecipeStage(filter, stage, colourOf(r), 0);
            filter.runOnBitmap(work.bitmap);
        }
        stagesSeconds += std::chrono::duration<double>(clock::now() - start).count();
        benchmark::DoNotOptimize(work.bitmap.constBits());
    };
    bool recipeFirst = true; // the order alternates, so neither always runs on a warmer machine
    for (auto _ : state) {
        if (recipeFirst) {
            timeRecipe();
            timeStages();
        } else {
            timeStages();
            timeRecipe();
        }
        recipeFirst = !recipeFirst;
    }
    const double runs = double(state.iterations());
    state.counters["recipe_ms"] = recipeSeconds * 1000 / runs;
    state.counters["stages_ms"] = stagesSeconds * 1000 / runs;
    state.counters["ratio"] = stagesSeconds > 0 ? recipeSeconds / stagesSeconds : 0;
}
BENCHMARK(BM_recipeVersusStages)->DenseRange(0, 10)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

struct fieldCanvas : pictureTarget {
    QImage surface{180, 129, QImage::Format_RGB32};
    QImage &canvas() override { return surface; }
    void canvasChanged() override {}
};

// One redraw of the colour field at a new saturation (what a move of the bar costs).
void BM_colourFieldRedraw(benchmark::State &state)
{
    fieldCanvas field;
    colorTool tool;
    tool.sampleColorImage = &field;
    int s = 0;
    for (auto _ : state) {
        tool.drawColorField(s);
        s = (s + 17) % 256;
        benchmark::DoNotOptimize(field.surface.constBits());
    }
}
BENCHMARK(BM_colourFieldRedraw)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
