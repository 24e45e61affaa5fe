// Brushtool: the airbrush (sprays the drawing colour with a soft, speckled round profile) and the
// water brush (box-blurs what lies under it, the radius following the same kind of profile).
// Their settings turn into 201 × 201 tables of strengths; the engine draws each brush's profile
// graph and a sample dab. The speckles come from the program's shared random generator.
#pragma once
#include "imagedata/controlrefs.h"

#include <QImage>
#include <cstdint>
#include <vector>

class brushTool {
public:
    static constexpr int tableSide = 201;      // side of the tables and dab bitmaps
    static constexpr int airKind = 5;
    static constexpr int waterKind = 6;

    brushTool();

    QImage dabBitmap;          // result of applyDab
    QImage dabSourceBitmap;    // copy of the area under the dab
    QImage airSampleBitmap;    // canvas of the airbrush sample
    QImage waterSampleBitmap;  // lined background of the water-brush sample

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

    int airBrushSize = 11;   // odd diameter, 3..201
    int waterBrushSize = 11;
    std::vector<int> airProfile;   // 201 × 201 strengths, 0..density
    std::vector<int> waterProfile;

    // The odd diameter of a size bar's position: limited to 3..201, lowest bit set.
    static int oddSize(int position);

    void setupAirBrush();
    void setupWaterBrush();
    // Strengths of an n-pixel dab: e = 1 − (distance + random bit) / ((n − 1) div 2),
    // table = trunc(e^(10^v) · D) where e > 0, else 0.
    static void buildProfile(int n, std::vector<int> &table, double v, int density);
    // White graph, silver frame, and one black column per x rising from the baseline c.
    static void drawProfileGraph(pictureTarget *image, double a, double q, double v, int c);
    void drawAirBrushSample(std::uint32_t colour, pictureTarget *image);
    void drawWaterBrushSample(pictureTarget *image);
    // One dab of the given kind centred at (x, y) of source; the result lands in dabBitmap.
    void applyDab(const QImage &source, std::uint32_t colour, int x, int y, int kind);

private:
    std::vector<int> waterSums; // scratch of applyDab: the water brush's table of box sums
    void setup(trackBarSource *size, trackBarSource *density, trackBarSource *shape, bool air);
};
