// Brushtool: the airbrush (sprays the drawing colour with a soft, speckled round profile) and the
// water brush (box-blurs what lies under it, the radius following the same kind of profile).
// Their settings turn into 201 × 201 tables of strengths; the engine draws each brush's profile
// graph and a sample dab onto the surfaces it is given. The speckles come from the program's
// shared random generator. The window's brush pages (ui/panels/brushpanel.h) read the settings
// from their bars and show the drawings.
#pragma once

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

    // One brush's settings as its three bars give them.
    struct settings {
        int size = 10;
        int density = 10;
        int densityMaximum = 100;
        int shape = 0;
    };

    int airBrushSize = 11;   // odd diameter, 3..201
    int waterBrushSize = 11;
    std::vector<int> airProfile;   // 201 × 201 strengths, 0..density
    std::vector<int> waterProfile;

    // The odd diameter of a size bar's position: limited to 3..201, lowest bit set.
    static int oddSize(int position);

    // The size, the profile, the graph on graph and the sample on sample (either may be null: the
    // sample bitmaps are made all the same) of the airbrush (air) or the water brush.
    void setup(bool air, const settings &bars, QImage *graph, QImage *sample, std::uint32_t colour);
    // Strengths of an n-pixel dab: e = 1 − (distance + random bit) / ((n − 1) div 2),
    // table = trunc(e^(10^v) · D) where e > 0, else 0.
    static void buildProfile(int n, std::vector<int> &table, double v, int density);
    // White graph, silver frame, and one black column per x rising from the baseline c.
    static void drawProfileGraph(QImage *canvas, double a, double q, double v, int c);
    void drawAirBrushSample(std::uint32_t colour, QImage *canvas);
    void drawWaterBrushSample(QImage *canvas);
    // One dab of the given kind centred at (x, y) of source; the result lands in dabBitmap.
    void applyDab(const QImage &source, std::uint32_t colour, int x, int y, int kind);

private:
    std::vector<int> waterSums; // scratch of applyDab: the water brush's table of box sums
};
