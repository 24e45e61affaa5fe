// Speed of the colour-managed views: a 1600 × 1000 main view made from the 24-megapixel picture
// (the nearest-neighbour fit every view update does) set against the same update that also
// converts the view from an Adobe RGB profile to sRGB, the conversion alone, and building the
// transform for a profile not seen before (once per picture). What the colours add to a view
// update (ViewConversion, the difference of the first two) is meant to stay within 10 ms; the
// grey-profile conversion is the tone-table path.
#include "benchphoto.h"
#include "colour/displaycolour.h"
#include "imagedata/myimagearray.h"

#include "../tests/colour/testprofiles.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int viewWidth = 1600;
constexpr int viewHeight = 1000;

QImage fittedView()
{
    QImage view(viewWidth, viewHeight, QImage::Format_RGB32);
    view.fill(0xFFFFFFFF);
    stretchCopy(benchPhoto::thePhoto(), view);
    return view;
}

std::shared_ptr<const displayTransform> adobeTransform()
{
    static const std::shared_ptr<const displayTransform> transform =
        displayColoursFor(test_profiles::adobeRgbProfile()).transform;
    return transform;
}

void ViewUpdate(benchmark::State &state)
{
    benchPhoto::thePhoto();
    for (auto _ : state) {
        QImage view = fittedView();
        benchmark::DoNotOptimize(view.constBits());
    }
}

void ViewUpdateInSrgb(benchmark::State &state)
{
    benchPhoto::thePhoto();
    const auto transform = adobeTransform();
    displayCopy shown;
    for (auto _ : state) {
        QImage view = fittedView();
        benchmark::DoNotOptimize(shown.of(view, transform).constBits());
    }
}

void ViewConversion(benchmark::State &state)
{
    QImage view = fittedView();
    const auto transform = state.range(0) == 0 ? adobeTransform()
                                                : displayColoursFor(test_profiles::linearGreyProfile()).transform;
    displayCopy shown; // as the views keep it: the memory of the last conversion is reused
    for (auto _ : state) {
        view.detach(); // a new view bitmap each time, as after every layout
        benchmark::DoNotOptimize(shown.of(view, transform).constBits());
    }
    state.SetLabel(state.range(0) == 0 ? "Adobe RGB" : "grey profile");
    state.SetItemsProcessed(state.iterations() * viewWidth * viewHeight);
}

// A profile the store has not seen: the same Adobe RGB profile with another profile identity.
void TransformBuild(benchmark::State &state)
{
    QByteArray profile = test_profiles::adobeRgbProfile();
    quint32 identity = 0;
    for (auto _ : state) {
        ++identity;
        profile[84] = char(identity & 0xFF);
        profile[85] = char((identity >> 8) & 0xFF);
        profile[86] = char((identity >> 16) & 0xFF);
        benchmark::DoNotOptimize(displayColoursFor(profile).transform.get());
    }
}

} // namespace

BENCHMARK(ViewUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(ViewUpdateInSrgb)->Unit(benchmark::kMillisecond);
BENCHMARK(ViewConversion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(TransformBuild)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
