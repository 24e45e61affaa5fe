// Speed of painting with the brushes on the shared 24-megapixel photo-like picture: one dab of the
// largest brush (201 pixels), and a stroke of about 100 such dabs a quarter diameter apart, one mouse move each, with the
// redraw of the part of a fitted 1100 × 733 view it touched, as the window does per mouse move.
// Following the hand at 100 dabs a second leaves 10 ms per dab.
#include "benchphoto.h"
#include "geometry/brushstroke.h"
#include "geometry/viewmapping.h"
#include "geometry/brushtool.h"
#include "imagedata/myimagearray.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <algorithm>

namespace {

using benchPhoto::thePhoto;

brushTool largestBrush()
{
    brushTool brush;
    brush.airBrushSize = brush.waterBrushSize = 201;
    brushTool::buildProfile(201, brush.airProfile, 0.0001, 100);
    brushTool::buildProfile(201, brush.waterProfile, 0.0001, 100);
    return brush;
}

void oneDab(benchmark::State &state, int kind)
{
    brushTool brush = largestBrush();
    QImage picture = thePhoto().copy();
    int x = 1000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(paintDab(brush, picture, 0x00C8C864u, x, 2000, kind));
        x = x < 5000 ? x + 50 : 1000;
    }
}

void stroke(benchmark::State &state, int kind)
{
    brushTool brush = largestBrush();
    QImage picture = thePhoto().copy();
    QImage view(1100, 733, QImage::Format_RGB32);
    stretchCopy(picture, view);
    long painted = 0;
    for (auto _ : state) {
        strokePath path;
        std::vector<point> dabs;
        path.begin(point{300, 300}, dabs);
        // One mouse move per dab, as a steady hand gives them.
        for (int k = 1; k < 100; ++k) {
            dabs.clear();
            path.moveTo(point{300 + 50 * k, 300 + 30 * k}, dabSpacing(201), dabs);
            painted += long(dabs.size());
            for (const point &p : dabs) {
                const rectangle r = paintDab(brush, picture, 0x00C8C864u, p.x, p.y, kind);
                int left, right, top, bottom;
                viewSpanOf(r.left, r.right, picture.width(), view.width(), left, right);
                viewSpanOf(r.top, r.bottom, picture.height(), view.height(), top, bottom);
                stretchCopyArea(picture, view, left, top, right, bottom);
            }
        }
        benchmark::DoNotOptimize(view.constBits());
    }
    state.counters["dabs/s"] = benchmark::Counter(double(painted), benchmark::Counter::kIsRate);
}

void BM_airDab201(benchmark::State &state) { oneDab(state, brushTool::airKind); }
void BM_waterDab201(benchmark::State &state) { oneDab(state, brushTool::waterKind); }
void BM_airStroke(benchmark::State &state) { stroke(state, brushTool::airKind); }
void BM_waterStroke(benchmark::State &state) { stroke(state, brushTool::waterKind); }

BENCHMARK(BM_airDab201)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_waterDab201)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_airStroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_waterStroke)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
