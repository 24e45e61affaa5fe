// Every filter of the engine on 1, 2, 3 and 7 worker threads: the bytes, the shared generator's
// position afterwards and the progress reports are those of one thread, on the plain and the
// vector paths alike.
#include "colour/colorcontrol.h"
#include "colour/colorfilter.h"
#include "colour/filterkernels.h"
#include "colour/sharedrandom.h"
#include "imagedata/workerpool.h"
#include "testplanes.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct filterCase {
    int code;
    std::function<void(colorFilter &)> set; // parameters beyond the engine's start values
};

const filterCase filterCases[] = {
    {filterRgbShift, [](colorFilter &f) { f.red = 40, f.green = -70, f.blue = 300; }},
    {filterBrightChromaHue, [](colorFilter &f) { f.bright = 20, f.chroma = -40, f.hue = 30; }},
    {filterBrightChromaHue, [](colorFilter &f) { f.bright = -10, f.chroma = -255; }},
    {filterEmboss, [](colorFilter &f) { f.embossAngle = 135, f.drawColor = 0x406080; }},
    {filterMotionBlur, [](colorFilter &f) { f.vibrateSize = 6, f.vibrateAngle = 30; }},
    {filterMotionBlur, [](colorFilter &f) { f.vibrateSize = 30, f.vibrateAngle = 135; }},
    {filterMotionBlur, [](colorFilter &f) { f.vibrateSize = 3, f.vibrateAngle = 250; }}, // weights beyond 0..256
    {filterMosaic, [](colorFilter &f) { f.mosaicSize = 7; }},
    {filterColorLevels, [](colorFilter &f) { f.colorLevel = 6; }},
    {filterGreyscale, nullptr},
    {filterSepia, nullptr},
    {filterDrawColorMono, [](colorFilter &f) { f.drawColor = 0x20c0a0; }},
    {filterToneSCurve, [](colorFilter &f) { f.tonePosition = 30; }},
    {filterToneSlope, [](colorFilter &f) { f.tonePosition = 20; }},
    {filterTonePoints, [](colorFilter &f) { f.tonePoints[4] = 20; }},
    {filterToneGamma, [](colorFilter &f) { f.tonePosition = -20; }},
    {filterSharpen, [](colorFilter &f) { f.edgeLevel = 7; }},
    {filterSoftFocus, [](colorFilter &f) { f.softSize = 9, f.softCoreLevel = 40; }},
    {filterMedian, [](colorFilter &f) { f.medianSize = 3; }},
    {filterMedian, [](colorFilter &f) { f.medianSize = 5; }},
    {filterMedian, [](colorFilter &f) { f.medianSize = 7; }},
    {filterMedian, [](colorFilter &f) { f.medianSize = 10; }},
    {filterFringeCircle, [](colorFilter &f) { f.fringeSize = 60, f.fringeLevel = -120; }},
    {filterFringeSquare, [](colorFilter &f) { f.fringeSize = 20, f.fringeLevel = 90; }},
    {filterPaintNormal, [](colorFilter &f) { f.paintSize = 8; }},
    {filterPaintPointillism, [](colorFilter &f) { f.paintSize = 12; }},
    {filterPaintNormal, [](colorFilter &f) { f.paintSize = 32; }}, // beyond the 16-bit window sums
    {filterFringeBlur, [](colorFilter &f) { f.outFocusSize = 20, f.outFocusDensity = 255; }},
    {filterFringeBlur, [](colorFilter &f) { f.outFocusSize = 3, f.outFocusDensity = 40; }},
};

struct filterRun {
    planes picture;
    std::uint32_t generator = 0;
    std::vector<int> positions;
    bool reportedElsewhere = false;
};

filterRun runWith(const filterCase &c, const planes &source, int threads)
{
    setWorkerThreads(threads);
    filterRun out{source, 0, {}, false};
    sharedRandom::instance().seed(4242);
    progressIndicator progress;
    const std::thread::id caller = std::this_thread::get_id();
    progress.onPosition = [&](int p) {
        out.positions.push_back(p);
        out.reportedElsewhere = out.reportedElsewhere || std::this_thread::get_id() != caller;
    };
    colorFilter filter;
    filter.filterType = c.code;
    if (c.set) c.set(filter);
    attachPlanes(filter, out.picture);
    filter.progressBar = &progress;
    filter.run();
    out.generator = sharedRandom::instance().position();
    setWorkerThreads(0);
    return out;
}

planes noise(int w, int h, unsigned seed)
{
    planes p(w, h);
    std::mt19937 engine(seed);
    for (auto *plane : {&p.red, &p.green, &p.blue})
        for (auto &v : *plane) v = static_cast<std::uint8_t>(engine() % 4 == 0 ? engine() % 2 * 255 : engine());
    return p;
}

} // namespace

TEST(workerThreads, everyFilterGivesTheBytesOfOneThread)
{
    const int sizes[][2] = {{1, 1}, {2, 3}, {613, 5}, {211, 157}};
    for (const int vectorLevel : {0, 2}) {
        setVectorPaths(static_cast<vectorPaths>(vectorLevel));
        for (const filterCase &c : filterCases) {
            for (const auto &size : sizes) {
                const planes source = noise(size[0], size[1], static_cast<unsigned>(c.code * 31 + size[0]));
                const filterRun one = runWith(c, source, 1);
                for (const int threads : {2, 3, 7}) {
                    const filterRun many = runWith(c, source, threads);
                    const auto where = testing::Message() << "code " << c.code << ", " << size[0] << " x " << size[1]
                                                          << ", " << threads << " threads, vector level " << vectorLevel;
                    EXPECT_TRUE(many.picture == one.picture) << where;
                    EXPECT_EQ(many.generator, one.generator) << where;
                    EXPECT_EQ(many.positions, one.positions) << where;
                    EXPECT_FALSE(many.reportedElsewhere) << where;
                }
            }
        }
    }
    setVectorPaths(vectorPaths::best);
}

TEST(workerThreads, theSwitchSetsTheCountAndBandsKeepTheirStep)
{
    setWorkerThreads(5);
    EXPECT_EQ(workerThreads(), 5);
    setWorkerThreads(0);
    EXPECT_GE(workerThreads(), 1);
    const std::vector<int> edges = rowBands(1000, 1, 7);
    ASSERT_GE(edges.size(), 2u);
    EXPECT_EQ(edges.front(), 0);
    EXPECT_EQ(edges.back(), 1000);
    for (std::size_t i = 1; i + 1 < edges.size(); ++i) EXPECT_EQ(edges[i] % 7, 0);
}

TEST(workerThreads, aFailingTaskIsReportedOnTheCallingThreadAfterTheOthersEnd)
{
    setWorkerThreads(3);
    std::vector<int> ran(50, 0);
    EXPECT_THROW(runTasks(50,
                          [&](int i) {
                              ran[static_cast<std::size_t>(i)] = 1;
                              if (i == 3) throw std::runtime_error("band failed");
                          }),
                 std::runtime_error);
    // Still usable afterwards, with every task run.
    std::vector<int> all(50, 0);
    runTasks(50, [&](int i) { all[static_cast<std::size_t>(i)] = i; });
    for (int i = 0; i < 50; ++i) EXPECT_EQ(all[static_cast<std::size_t>(i)], i);
    setWorkerThreads(0);
}
