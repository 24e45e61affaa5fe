// Fringe brightness (circle, square) and fringe blur: the engine against a straightforward
// reading of each filter with the same random sequence, and the filters' defining cases.
#include "colour/colorcontrol.h"
#include "colour/colorfilter.h"
#include "colour/filterkernels.h"
#include "colour/fringeblur.h"
#include "testplanes.h"
#include "colour/sharedrandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

namespace {

planes noisePicture(int w, int h, unsigned seed)
{
    planes p(w, h);
    std::mt19937 engine(seed);
    for (int i = 0; i < w * h; ++i) {
        p.red[i] = static_cast<std::uint8_t>(engine());
        p.green[i] = static_cast<std::uint8_t>(engine());
        p.blue[i] = static_cast<std::uint8_t>(engine());
    }
    return p;
}

planes flatPicture(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    planes p(w, h);
    std::fill(p.red.begin(), p.red.end(), r);
    std::fill(p.green.begin(), p.green.end(), g);
    std::fill(p.blue.begin(), p.blue.end(), b);
    return p;
}

struct fringeSettings {
    int size = 100;
    int level = 3;
};

planes runEngine(planes p, int code, fringeSettings s, unsigned seed)
{
    colorFilter filter;
    filter.filterType = code;
    attachPlanes(filter, p);
    filter.fringeSize = s.size;
    filter.fringeLevel = s.level;
    filter.outFocusSize = s.size;
    filter.outFocusDensity = s.level;
    sharedRandom::instance().seed(seed);
    filter.run();
    return p;
}

// ---- straightforward readings, drawing from the same generator in the same order ----

int clampByte(int v) { return std::max(0, std::min(255, v)); }

void roundTrip(planes &p, int i, int change)
{
    colorTriple rgb{p.red[i], p.green[i], p.blue[i]}, yhc;
    rgbToYhc(rgb, yhc);
    yhc.first = clampByte(yhc.first + change);
    yhcToRgb(rgb, yhc);
    p.red[i] = static_cast<std::uint8_t>(clampByte(rgb.first));
    p.green[i] = static_cast<std::uint8_t>(clampByte(rgb.second));
    p.blue[i] = static_cast<std::uint8_t>(clampByte(rgb.third));
}

double halfDiagonalOf(const planes &p)
{
    return std::sqrt((p.width * 0.5) * (p.width * 0.5) + (p.height * 0.5) * (p.height * 0.5));
}

int distOf(const planes &p, int x, int y)
{
    const double dx = x - p.width * 0.5, dy = y - p.height * 0.5;
    return static_cast<int>(std::sqrt(dx * dx + dy * dy));
}

planes plainCircle(planes p, fringeSettings s, unsigned seed)
{
    sharedRandom &random = sharedRandom::instance();
    random.seed(seed);
    const int half = s.size / 2;
    const double factor = s.level / halfDiagonalOf(p);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int e = half + random.next() % 15;
            const int dist = distOf(p, x, y);
            if (e < dist) {
                const int change = static_cast<int>(factor * (dist - e));
                if (change != 0) roundTrip(p, p.index(x, y), change);
            }
        }
    return p;
}

planes plainSquare(planes p, fringeSettings s, unsigned seed)
{
    sharedRandom &random = sharedRandom::instance();
    random.seed(seed);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int c = std::min({y, x, p.height - y, p.width - x});
            const int f = s.size + random.next() % 10;
            if (c < f) {
                int change = 0;
                if (s.size != 0) change = static_cast<int>((f - c) * (static_cast<double>(s.level) / s.size));
                roundTrip(p, p.index(x, y), change);
            }
        }
    return p;
}

planes plainBlur(planes p, fringeSettings s, unsigned seed)
{
    sharedRandom &random = sharedRandom::instance();
    random.seed(seed);
    // Running sums along each row of the unchanged picture: columns a..b of row v add up to
    // sums[v][b + 1] − sums[v][a].
    const int w = p.width;
    std::vector<long> sums[3];
    std::vector<std::uint8_t> *channels[3] = {&p.red, &p.green, &p.blue};
    for (int c = 0; c < 3; ++c) {
        sums[c].assign(static_cast<std::size_t>(p.height) * (w + 1), 0);
        for (int v = 0; v < p.height; ++v)
            for (int u = 0; u < w; ++u)
                sums[c][v * (w + 1) + u + 1] = sums[c][v * (w + 1) + u] + (*channels[c])[p.index(u, v)];
    }
    const int size = s.size;
    const double k = (s.level | 1) / halfDiagonalOf(p);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int l = distOf(p, x, y) + random.next() % 15;
            const int o = l - size / 2;
            const int r = static_cast<int>(k * o);
            const int t = random.next() % 15 + size;
            if (t / 2 < l) {
                const int h = r / 2;
                const int left = std::max(0, x - h), right = std::min(w - 1, x + h);
                const int top = std::max(0, y - h), bottom = std::min(p.height - 1, y + h);
                const long n = static_cast<long>(right - left + 1) * (bottom - top + 1);
                const int i = p.index(x, y);
                for (int c = 0; c < 3; ++c) {
                    long sum = 0;
                    for (int v = top; v <= bottom; ++v) sum += sums[c][v * (w + 1) + right + 1] - sums[c][v * (w + 1) + left];
                    (*channels[c])[i] = static_cast<std::uint8_t>(sum / n);
                }
            }
        }
    return p;
}

const int oddSizes[][2] = {{1, 1}, {2, 2}, {1, 7}, {9, 1}, {3, 5}, {17, 9}, {64, 41}, {101, 77}, {150, 23}};

// ---- the engine against the readings ----

TEST(fringeEngine, matchesStraightforwardReadingsForTheSameSeed)
{
    const fringeSettings brightSettings[] = {{0, 77}, {1, -255}, {7, 255}, {20, 40}, {60, -90}, {100, 3}, {5000, 255}};
    const fringeSettings blurSettings[] = {{3, 255}, {3, 3}, {10, 128}, {40, 255}, {100, 77}, {5000, 255}};
    unsigned seed = 11;
    for (const auto &size : oddSizes) {
        const planes picture = noisePicture(size[0], size[1], seed);
        for (const fringeSettings &s : brightSettings) {
            ++seed;
            SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " size " << s.size << " level " << s.level);
            if (s.size != 0) {
                EXPECT_TRUE(runEngine(picture, filterFringeCircle, s, seed) == plainCircle(picture, s, seed));
            }
            EXPECT_TRUE(runEngine(picture, filterFringeSquare, s, seed) == plainSquare(picture, s, seed));
        }
        for (const fringeSettings &s : blurSettings) {
            ++seed;
            SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " blur size " << s.size << " density " << s.level);
            EXPECT_TRUE(runEngine(picture, filterFringeBlur, s, seed) == plainBlur(picture, s, seed));
        }
    }
}

TEST(fringeEngine, drawsOncePerPixelForBrightnessAndTwiceForBlur)
{
    // The random sequence continues across runs: after a filter the generator must stand
    // exactly where the per-pixel draws leave it.
    const planes picture = noisePicture(13, 7, 5);
    const int draws[][2] = {{filterFringeCircle, 1}, {filterFringeSquare, 1}, {filterFringeBlur, 2}};
    for (const auto &[code, perPixel] : draws) {
        runEngine(picture, code, {20, 100}, 99);
        const int after = sharedRandom::instance().next();
        sharedRandom &reference = sharedRandom::instance();
        reference.seed(99);
        for (int i = 0; i < 13 * 7 * perPixel; ++i) reference.next();
        EXPECT_EQ(after, reference.next()) << "code " << code;
    }
}

TEST(fringeEngine, reportsEveryRowInOrderThenResets)
{
    planes picture = noisePicture(9, 70, 4);
    progressIndicator progress;
    std::vector<int> positions;
    progress.onPosition = [&](int p) { positions.push_back(p); };
    for (int code : {filterFringeCircle, filterFringeSquare, filterFringeBlur}) {
        positions.clear();
        colorFilter filter;
        filter.filterType = code;
        attachPlanes(filter, picture);
        filter.progressBar = &progress;
        filter.run();
        std::vector<int> expected(70);
        for (int y = 0; y < 70; ++y) expected[y] = y;
        expected.push_back(0);
        EXPECT_EQ(positions, expected) << "code " << code;
    }
}

// The engine's blur gives the plain reading's bytes and leaves the generator where two draws per
// pixel do.
void expectPlainBlur(const planes &picture, fringeSettings s, unsigned seed)
{
    EXPECT_TRUE(runEngine(picture, filterFringeBlur, s, seed) == plainBlur(picture, s, seed));
    sharedRandom &reference = sharedRandom::instance();
    const int after = reference.next();
    reference.seed(seed);
    reference.skip(2 * static_cast<std::uint64_t>(picture.width) * picture.height);
    EXPECT_EQ(after, reference.next());
}

TEST(fringeEngine, blurIsTheSameOnEveryPathStripAndReach)
{
    // The vector path does the picture in strips of columns, each with a margin of the reach
    // taken from its left neighbour before that is blurred; boxes near and beyond the
    // picture's edges are cut; the largest reaches leave the single-precision check. The plain
    // path runs with the vector paths off.
    const fringeSettings blurSettings[] = {{3, 255}, {40, 31}, {60, 77}, {10, 9}};
    unsigned seed = 300;
    for (int level : {2, 0}) {
        setVectorPaths(static_cast<vectorPaths>(level));
        for (int strip : {0, 16, 17, 48}) {
            setFringeBlurStripWidth(strip);
            for (auto [w, h] : std::vector<std::pair<int, int>>{{300, 200}, {97, 131}, {33, 260}}) {
                const planes picture = noisePicture(w, h, seed);
                for (const fringeSettings &s : blurSettings) {
                    ++seed;
                    SCOPED_TRACE(testing::Message() << "level " << level << " strip " << strip << " " << w << "x" << h
                                                    << " size " << s.size << " density " << s.level);
                    expectPlainBlur(picture, s, seed);
                }
            }
            if (level == 0) break; // the plain path has no strips
        }
    }
    setFringeBlurStripWidth(0);
    setVectorPaths(vectorPaths::best);
}

TEST(fringeEngine, blurInPartsOfRowsIsTheSameAsInOne)
{
    // Parts of rows run side by side, each reading its neighbours' rows from copies; a part's
    // strips keep the margins of every row its boxes reach, even rows the strip itself needs
    // no further. Pictures lower than the reach give parts whose boxes cross several others.
    const fringeSettings blurSettings[] = {{3, 255}, {60, 77}, {10, 9}};
    unsigned seed = 700;
    for (int parts : {2, 3, 5}) {
        setFringeBlurParts(parts);
        for (int strip : {0, 16, 48}) {
            setFringeBlurStripWidth(strip);
            for (auto [w, h] : std::vector<std::pair<int, int>>{{300, 200}, {97, 131}, {33, 260}, {120, 9}}) {
                const planes picture = noisePicture(w, h, seed);
                for (const fringeSettings &s : blurSettings) {
                    ++seed;
                    SCOPED_TRACE(testing::Message() << parts << " parts, strip " << strip << " " << w << "x" << h
                                                    << " size " << s.size << " density " << s.level);
                    expectPlainBlur(picture, s, seed);
                }
            }
        }
    }
    setFringeBlurStripWidth(0);
    setFringeBlurParts(0);
}

TEST(fringeEngine, blurInStripsAndPartsReportsEveryRowOnceInOrderFromTheCallingThread)
{
    const int stripsAndParts[][2] = {{20, 1}, {40, 3}};
    for (const auto [strip, parts] : stripsAndParts) {
        planes picture = noisePicture(200, 90, 4);
        progressIndicator progress;
        std::vector<int> positions;
        bool elsewhere = false;
        const std::thread::id caller = std::this_thread::get_id();
        progress.onPosition = [&](int p) {
            positions.push_back(p);
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
        };
        setFringeBlurStripWidth(strip);
        setFringeBlurParts(parts);
        colorFilter filter;
        filter.filterType = filterFringeBlur;
        attachPlanes(filter, picture);
        filter.outFocusSize = 10;
        filter.outFocusDensity = 9;
        filter.progressBar = &progress;
        filter.run();
        setFringeBlurStripWidth(0);
        setFringeBlurParts(0);
        std::vector<int> expected(90);
        for (int y = 0; y < 90; ++y) expected[y] = y;
        expected.push_back(0);
        EXPECT_EQ(positions, expected) << parts << " parts";
        EXPECT_FALSE(elsewhere) << parts << " parts";
    }
}

#if defined(__linux__)
TEST(fringeEngine, aProcessHeldToOneCoreGetsOneWorker)
{
    cpu_set_t everything;
    ASSERT_EQ(sched_getaffinity(0, sizeof everything, &everything), 0);
    int first = 0;
    while (!CPU_ISSET(first, &everything)) ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const int held = fringeBlurCores();
    ASSERT_EQ(sched_setaffinity(0, sizeof everything, &everything), 0);
    EXPECT_EQ(held, 1);
    EXPECT_EQ(fringeBlurCores(), std::min(8, CPU_COUNT(&everything)));
}
#endif

// ---- the shared generator ----

TEST(sharedRandomGenerator, leapsLandWhereSingleDrawsDo)
{
    sharedRandom &random = sharedRandom::instance();
    for (std::uint64_t n : {0ull, 1ull, 2ull, 31ull, 32ull, 1000ull, 123457ull}) {
        random.seed(9);
        for (std::uint64_t i = 0; i < n; ++i) random.next();
        const std::uint32_t stepped = random.position();
        random.seed(9);
        random.skip(n);
        EXPECT_EQ(random.position(), stepped) << n;
        EXPECT_EQ(sharedRandom::leapOf(n).from(9), stepped) << n;
        random.seed(stepped);
        EXPECT_EQ(sharedRandom::valueOf(sharedRandom::leapOf(1).from(stepped)), random.next()) << n;
    }
}

TEST(sharedRandomGenerator, isTheSameSequenceEverywhereAfterASeed)
{
    sharedRandom &random = sharedRandom::instance();
    random.seed(1);
    const int first[] = {41, 18467, 6334, 26500, 19169};
    for (int value : first) EXPECT_EQ(random.next(), value);
    random.seed(1);
    EXPECT_EQ(random.below(15), 41 % 15);
    EXPECT_EQ(random.bit(), 18467 & 1);
}

TEST(sharedRandomGenerator, bulkDrawsEqualSingleDrawsAndContinueTheSequence)
{
    sharedRandom &random = sharedRandom::instance();
    for (int count : {0, 1, 3, 4, 5, 7, 8, 9, 1001}) {
        random.seed(77 + count);
        std::vector<int> single(count);
        for (int &v : single) v = random.below(15);
        const int afterSingle = random.next();
        random.seed(77 + count);
        std::vector<int> bulk(count, -1);
        random.fillBelow<15>(bulk.data(), count);
        EXPECT_EQ(bulk, single) << count;
        EXPECT_EQ(random.next(), afterSingle) << count;
    }
}

TEST(sharedRandomGenerator, drawsCoverTheirRangeEvenly)
{
    sharedRandom &random = sharedRandom::instance();
    random.seed(5);
    int counts[10] = {}, ones = 0, largest = 0;
    for (int i = 0; i < 100000; ++i) {
        const int v = random.next();
        ASSERT_GE(v, 0);
        largest = std::max(largest, v);
        ++counts[v % 10];
        ones += v & 1;
    }
    EXPECT_LE(largest, sharedRandom::maximum);
    EXPECT_GT(largest, sharedRandom::maximum - 100);
    for (int c : counts) EXPECT_NEAR(c, 10000, 500);
    EXPECT_NEAR(ones, 50000, 1000);
}

// ---- defining cases of the brightness filters ----

TEST(fringeBrightness, levelZeroLeavesCircleAndRoundTripsSquareBand)
{
    // (200, 100, 50) is one of the colours the luma/hue/chroma round trip alters.
    const planes picture = flatPicture(30, 30, 200, 100, 50);
    EXPECT_TRUE(runEngine(picture, filterFringeCircle, {0, 0}, 3) == picture);
    EXPECT_TRUE(runEngine(picture, filterFringeCircle, {10, 0}, 3) == picture);

    // Size 20 on a 30 × 30 picture: every pixel is within the band (c ≤ 15 < 20 ≤ f).
    planes expected = picture;
    for (int i = 0; i < 900; ++i) roundTrip(expected, i, 0);
    ASSERT_FALSE(expected == picture);
    EXPECT_TRUE(runEngine(picture, filterFringeSquare, {20, 0}, 3) == expected);
}

TEST(fringeBrightness, circleAtTwiceTheHalfDiagonalChangesNothing)
{
    const planes picture = noisePicture(40, 30, 8); // half diagonal 25
    EXPECT_TRUE(runEngine(picture, filterFringeCircle, {50, 255}, 4) == picture);
    EXPECT_TRUE(runEngine(picture, filterFringeCircle, {51, -255}, 4) == picture);
    // A little smaller and the corners change.
    EXPECT_FALSE(runEngine(picture, filterFringeCircle, {20, 255}, 4) == picture);
}

TEST(fringeBrightness, squareOfFullSizeReachesEveryPixelAndTheCentre)
{
    const planes picture = flatPicture(100, 100, 100, 100, 100);
    const int level = 77;
    const planes result = runEngine(picture, filterFringeSquare, {100, level}, 21);
    for (int i = 0; i < 100 * 100; ++i) ASSERT_NE(result.red[i], 100) << "pixel " << i;

    sharedRandom &random = sharedRandom::instance();
    random.seed(21);
    for (int i = 0; i < 50 * 100 + 50; ++i) random.next();
    const int f = 100 + random.next() % 10;
    const int change = static_cast<int>((f - 50) * (level / 100.0));
    const int centre = result.index(50, 50);
    EXPECT_EQ(result.red[centre], 100 + change);   // a grey stays grey under the round trip
    EXPECT_EQ(result.green[centre], 100 + change);
    EXPECT_EQ(result.blue[centre], 100 + change);
}

TEST(fringeBrightness, squareDarkensTowardTheEdgeAndClamps)
{
    const planes picture = flatPicture(60, 40, 128, 128, 128);
    const planes result = runEngine(picture, filterFringeSquare, {10, -255}, 6);
    // The edge rows lose far more than the level allows above zero: they go black.
    EXPECT_EQ(result.red[result.index(30, 0)], 0);
    EXPECT_EQ(result.red[result.index(0, 20)], 0);
    // The middle is beyond any band.
    EXPECT_EQ(result.red[result.index(30, 20)], 128);
}

TEST(fringeBrightness, squareOfSizeZeroKeepsLuma)
{
    // No division by zero: pixels of the thin random band only pass through the round trip.
    const planes picture = noisePicture(25, 19, 2);
    const planes result = runEngine(picture, filterFringeSquare, {0, 255}, 17);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 25; ++x) {
            const int i = picture.index(x, y);
            planes alone = picture;
            roundTrip(alone, i, 0);
            const bool same = result.red[i] == picture.red[i] && result.green[i] == picture.green[i] &&
                              result.blue[i] == picture.blue[i];
            const bool tripped = result.red[i] == alone.red[i] && result.green[i] == alone.green[i] &&
                                 result.blue[i] == alone.blue[i];
            EXPECT_TRUE(same || tripped) << x << "," << y;
            if (std::min({x, y, 19 - y, 25 - x}) >= 9) {
                EXPECT_TRUE(same) << x << "," << y;
            }
        }
}

TEST(fringeBrightness, singlePixelPicture)
{
    const planes picture = flatPicture(1, 1, 90, 90, 90);
    EXPECT_TRUE(runEngine(picture, filterFringeCircle, {0, 255}, 1) == picture);
    EXPECT_TRUE(runEngine(picture, filterFringeBlur, {3, 255}, 1) == picture);

    const int size = 7, level = -40;
    const planes result = runEngine(picture, filterFringeSquare, {size, level}, 33);
    sharedRandom::instance().seed(33);
    const int f = size + sharedRandom::instance().next() % 10;
    EXPECT_EQ(result.red[0], 90 + static_cast<int>(f * (static_cast<double>(level) / size)));
}

// ---- fringe blur ----

TEST(fringeBlur, sizeBeyondTheDiagonalChangesNothing)
{
    const planes picture = noisePicture(40, 30, 9); // trunc(D) = 25
    EXPECT_TRUE(runEngine(picture, filterFringeBlur, {2 * 25 + 28, 255}, 5) == picture);
    EXPECT_FALSE(runEngine(picture, filterFringeBlur, {10, 255}, 5) == picture);
}

TEST(fringeBlur, cornersTakeTheMeanOfTheirCutBox)
{
    // Left half black, right half white; density 255 and size 3 blur the corners with boxes
    // much larger than the picture, which are cut to the whole picture: the mean of the whole.
    // The corners lie 28 from the centre, beyond any jittered half size (at most 8), and their
    // radius exceeds 240.
    planes picture(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 20; x < 40; ++x) picture.red[picture.index(x, y)] = 255;
    const planes result = runEngine(picture, filterFringeBlur, {3, 255}, 12);
    EXPECT_EQ(result.red[0], 127); // 800 · 255 / 1600 = 127.5, truncated
    EXPECT_EQ(result.red[40 * 40 - 1], 127);
    EXPECT_EQ(result.green[0], 0);
}

} // namespace
