// The table of filter codes: every code of the colour pages has exactly one row, in code order,
// and no other number has one (run() leaves the planes alone for those).
#include "colour/colorfilter.h"

#include <gtest/gtest.h>

#include <set>

TEST(filterDescriptions, everyCodeOnceAndNoOther)
{
    const std::set<int> codes{filterRgbShift,    filterBrightChromaHue, filterEmboss,       filterMotionBlur,
                              filterMosaic,      filterColorLevels,     filterGreyscale,    filterSepia,
                              filterDrawColorMono, filterToneSCurve,    filterToneSlope,    filterTonePoints,
                              filterToneGamma,   filterSharpen,         filterSoftFocus,    filterMedian,
                              filterFringeCircle, filterFringeSquare,   filterPaintNormal,  filterPaintPointillism,
                              filterFringeBlur};
    int previous = 0;
    for (const filterDescription &d : filterDescriptions()) {
        EXPECT_GT(int(d.code), previous);
        previous = d.code;
        EXPECT_NE(d.run, nullptr);
    }
    EXPECT_EQ(filterDescriptions().size(), codes.size());
    for (int code = -5; code <= 300; ++code) {
        const filterDescription *d = describeFilter(code);
        EXPECT_EQ(d != nullptr, codes.count(code) == 1) << code;
        if (d) {
            EXPECT_EQ(int(d->code), code);
        }
    }
}
