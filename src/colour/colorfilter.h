// The colour filter engine: every colour adjustment and effect of the "調整", "効果1" and "効果2"
// pages, applied in place to three 8-bit colour planes. The caller fills the fields below
// (operation code, size, planes, parameters) and calls run().
#pragma once
#include "operationkeys.h"
#include "imagedata/progress.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// The operation codes of the colour pages, the values of colorFilter::filterType.
enum filterCode : int {
    filterRgbShift = 1,
    filterBrightChromaHue = 2,
    filterEmboss = 4,
    filterMotionBlur = 5,
    filterMosaic = 6,
    filterColorLevels = 7,
    filterGreyscale = 8,
    filterSepia = 9,
    filterDrawColorMono = 10,
    filterToneSCurve = 11,
    filterToneSlope = 12,
    filterTonePoints = 13,
    filterToneGamma = 14,
    filterSharpen = 15,
    filterSoftFocus = 16,
    filterMedian = 17,
    filterFringeCircle = 101,
    filterFringeSquare = 102,
    filterPaintNormal = 105,
    filterPaintPointillism = 106,
    filterFringeBlur = 107,
};

// The knots of the point tone curve: the values at start-up and after a reset, 128 − 16·k (the
// identity), and the smallest and largest value the curve editor can store.
inline constexpr std::array<int, 9> startTonePoints{128, 112, 96, 80, 64, 48, 32, 16, 0};
inline constexpr int minimumTonePoint = -2;
inline constexpr int maximumTonePoint = 130;

class myImageArray;

class colorFilter {
public:
    int filterType = 0;          // operation code, see run()
    int width = 0;
    int height = 0;
    int pixelCount = 0;          // width × height, set by run()
    std::uint32_t drawColor = 0; // packed colour (red bits 0-7, green 8-15, blue 16-23)
    std::uint8_t *redPlane = nullptr;   // borrowed planes, row-major, index y·width + x
    std::uint8_t *greenPlane = nullptr;
    std::uint8_t *bluePlane = nullptr;

    // Parameters, refilled from the controls (or korvia-batch) before every run; their ranges
    // and start values are the table in filterparameters.h.
    int bright = 0;
    int chroma = 0;
    int hue = 0;
    int red = 0;
    int green = 0;
    int blue = 0;
    int toneMax = 50;
    int toneMin = -50;
    int tonePosition = 0;
    std::array<int, 9> tonePoints = startTonePoints; // point-curve knots
    int outFocusSize = 100;
    int outFocusDensity = 3;
    int fringeSize = 100;
    int fringeLevel = 3;
    int paintSize = 10;
    int softSize = 15;
    int softCoreLevel = 30;
    int embosseLevel = 20;
    int embossAngle = 0;
    int edgeLevel = 5;
    int colorLevel = 5;
    int mosaicSize = 20;
    int vibrateSize = 10;
    int vibrateAngle = 0;
    int medianSize = 3;
    std::array<double, 256> toneTable{}; // tone lookup table, built by each tone-curve run
    const progressIndicator *progressBar = nullptr; // borrowed

    // Where the planes lie when they hold only a part of a larger picture (the preview of a
    // zoomed view, filterregion.h): the part's top-left pixel and the whole picture's size. The
    // fringe effects, which depend on where a pixel lies in the picture (its distance from the
    // centre and the edges, its random draws), take them from here; a frame of 0 × 0 (the
    // default) means the planes are the whole picture.
    int frameLeft = 0;
    int frameTop = 0;
    int frameWidth = 0;
    int frameHeight = 0;

    // Sets pixelCount and the progress maximum (height), runs the filter describeFilter gives for
    // filterType (filterCode), then resets the progress position to 0. Unknown codes leave the
    // planes untouched.
    void run();

    // Runs the current operation on a whole 32-bit bitmap: splits it into planes, points the engine
    // at them, runs, writes the planes back and lets go of them. What the window's preview and
    // execute and korvia-batch all call.
    void runOnBitmap(QImage &bitmap);
    // Points the engine at the three planes (their size too) and runs; the planes stay borrowed
    // until the caller lets go of them.
    void runOnPlanes(myImageArray &planes);

    // The filters run() dispatches to; each works on the fields above.
    void rgbShift();          // 1
    void brightChromaHue();   // 2
    void colorLevels();       // 7
    void monochrome(int code);   // filterGreyscale, filterSepia, filterDrawColorMono
    void toneCurve(int code);    // filterToneSCurve .. filterToneGamma
    void emboss();            // 4
    void motionBlur();        // 5
    void mosaic();            // 6
    void sharpen();           // 15
    void softFocus();         // 16
    void medianFilter();      // 17
    void fringeBrightCircle();   // 101
    void fringeBrightSquare();   // 102
    void fringeBlur();           // 107
    void paint(int code);        // filterPaintNormal, filterPaintPointillism

    void reportRow(int row) const { if (progressBar) progressBar->setPosition(row); }
    // Runs body(first, end) over bands of rows 0 .. height − 1 on the worker threads and reports
    // each row on this thread, in order, once the bands up to it are done (workerpool.h).
    void forEachRowBand(const std::function<void(int, int)> &body, int minimum = 1, int step = 1) const;
};

// The tone-curve builder shared by the engine (n = 256) and the curve display (n = 128).
// kind 11 S-curve, 12 slope, 13 points (always 256 entries), 14 gamma; maximum/minimum/position
// are the tone track bar's. Fills values with fractions 0..1 and returns the curve's parameter.
double buildToneCurve(int kind, int maximum, int minimum, int position,
                      const std::array<int, 9> &points, double *values, int n);

// How much of the picture a filter's result at one pixel depends on (filterregion.h).
struct filterReach {
    int margin = 0;     // picture pixels read on every side of the pixel
    int tile = 1;       // results come in tiles of tile × tile from the picture's top-left corner
    bool whole = false; // every pixel depends on the whole picture: no part can be cut out
};

// One description per filter code, read by every reader of codes: the engine's run, the run on a
// part of the picture (filterregion.h), korvia-batch's kernel files and the window's pages.
struct filterDescription {
    filterCode code;
    // What runs it on a colorFilter: the member of its family, told the code where a family
    // serves several.
    void (*run)(colorFilter &filter, int code);
    // Its reach with the filter's parameters on a width × height picture; nullptr for a result
    // that depends on the pixel alone.
    filterReach (*reach)(const colorFilter &filter, int width, int height) = nullptr;
    // Its weights as one n × n kernel with the filter's parameters (filterkernels.h), which
    // korvia-batch's kernel command writes; nullptr for a filter that is not one kernel.
    std::vector<int> (*kernel)(const colorFilter &filter, int &n) = nullptr;
    // Where the window offers it: the page of imageOperationPageControl, the tab of the control
    // under it (operationtabs.h) and the item of the tab's radio group (-1 for a tab without one).
    int page;
    int tab;
    int item;
    // The korvia-batch operation that runs this code (filteroperations.h): its name, one line for
    // the usage text and its keys; no name for a code reached only through another operation's
    // choice key.
    const char *batchName = nullptr;
    const char *summary = nullptr;
    std::span<const operationKey> keys = {};
};
// Every filter code, in code order.
std::span<const filterDescription> filterDescriptions();
// The description of a code, or nullptr for a code no filter has.
const filterDescription *describeFilter(int code);
