// The brush pages of the settings tab: the airbrush's and the water brush's three bars, their
// captions, profile graphs and samples, around the brush engine (geometry/brushtool.h). The window
// hands it its controls as drawing surfaces, captions and bars; the dabs and strokes use the engine
// part only.
#pragma once
#include "controlrefs.h"
#include "geometry/brushtool.h"

#include <cstdint>

class brushPanel : public brushTool {
public:
    // Controls, borrowed from the window.
    pictureTarget *airBrushSampleImage = nullptr;
    pictureTarget *airBrushShapeImage = nullptr;
    pictureTarget *waterBrushSampleImage = nullptr;
    pictureTarget *wateBrushShapeImage = nullptr;
    textTarget *airBrushSizeStaticText = nullptr;
    textTarget *airBrushDensityStaticText = nullptr;
    textTarget *airBrushShapeStaticText = nullptr;
    textTarget *wateBrushSizeStaticText = nullptr;
    textTarget *wateBrushDensityStaticText = nullptr;
    textTarget *wateBrushShapeStaticText = nullptr;
    trackBarSource *airBrushSizeTrackBar = nullptr;
    trackBarSource *airBrushDensityTrackBar = nullptr;
    trackBarSource *airBrushShapeTrackBar = nullptr;
    trackBarSource *wateBrushSizeTrackBar = nullptr;
    trackBarSource *wateBrushDensityTrackBar = nullptr;
    trackBarSource *wateBrushShapeTrackBar = nullptr;
    const std::uint32_t *drawColorRef = nullptr; // the window's drawing colour (packed)

    // Each brush from its bars: size, profile, graph and sample shown on its page.
    void setupAirBrush();
    void setupWaterBrush();

private:
    void setupFrom(bool air, trackBarSource *size, trackBarSource *density, trackBarSource *shape,
                   pictureTarget *graph, pictureTarget *sample);
};
