#include "brushpanel.h"

namespace {
int positionOf(const trackBarSource *bar, int fallback)
{
    return bar ? bar->position() : fallback;
}

QImage *surfaceOf(pictureTarget *target)
{
    return target ? &target->canvas() : nullptr;
}
} // namespace

void brushPanel::setupAirBrush()
{
    setupFrom(true, airBrushSizeTrackBar, airBrushDensityTrackBar, airBrushShapeTrackBar, airBrushShapeImage,
              airBrushSampleImage);
}

void brushPanel::setupWaterBrush()
{
    setupFrom(false, wateBrushSizeTrackBar, wateBrushDensityTrackBar, wateBrushShapeTrackBar, wateBrushShapeImage,
              waterBrushSampleImage);
}

void brushPanel::setupFrom(bool air, trackBarSource *sizeBar, trackBarSource *densityBar, trackBarSource *shapeBar,
                           pictureTarget *graph, pictureTarget *sample)
{
    settings bars;
    bars.size = positionOf(sizeBar, bars.size);
    bars.density = positionOf(densityBar, bars.density);
    if (densityBar) bars.densityMaximum = densityBar->maximum();
    bars.shape = positionOf(shapeBar, bars.shape);
    setup(air, bars, surfaceOf(graph), surfaceOf(sample), drawColorRef ? *drawColorRef : 0);
    if (graph) graph->canvasChanged();
    if (sample) sample->canvasChanged();
}
