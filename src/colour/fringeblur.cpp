// Fringe blur with 512-bit vectors: the picture cut into parts of rows and strips of columns
// (fringeblur_strip.cpp does one strip of one part).
//
// The random draws are taken out of row order (strip by strip) by leaping the generator to the
// first pixel of each strip row; afterwards it stands where two draws per pixel leave it.
//
// On a processor with several cores the rows are cut into as many parts, done side by side,
// each with its strips and table of its own. A part reads the rows its boxes reach beyond its
// own from copies taken before any part starts, so it never sees a neighbour's output, and its
// table starts where its highest box does. The bytes stay those of one part.
#include "fringeblur.h"
#include "fringeblur_strip.h"
#include "filterkernels.h"
#include "sharedrandom.h"
#include "imagedata/vectorpaths.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#define KORVIA_X86 1
#endif

namespace {

int stripOverride = 0;
int partOverride = 0;

} // namespace

int fringeBlurCores() { return std::min(8, availableCores()); }

void setFringeBlurStripWidth(int columns) { stripOverride = columns; }
void setFringeBlurParts(int parts) { partOverride = parts; }

double fringeHalfDiagonal(int width, int height)
{
    const double halfWidth = width * 0.5, halfHeight = height * 0.5;
    return std::sqrt(halfWidth * halfWidth + halfHeight * halfHeight);
}

int fringeBlurReach(int width, int height, int size, int density)
{
    const double diagonal = fringeHalfDiagonal(width, height);
    const int o = static_cast<int>(diagonal) + 14 - size / 2; // the corner lies trunc(diagonal) out
    const int reach = o > 0 ? static_cast<int>(density / diagonal * o) >> 1 : 0;
    return std::min(reach, std::max(width, height));
}

bool fringeBlurWide(const fringeBlurJob &job)
{
#ifdef KORVIA_X86
    using namespace fringeBlurStrips;
    if (!vectorUnitsInUse().avx512) return false;
    const int width = job.width, height = job.height;
    // Four times the squared distance from the centre must fit 31 bits.
    if (width <= 0 || height <= 0 || width > 16383 || height > 16383 || job.size < 0) return false;

    blurShape shape;
    shape.width = width, shape.height = height, shape.size = job.size;
    shape.k = job.density / fringeHalfDiagonal(width, height);
    shape.reach = fringeBlurReach(width, height, job.size, job.density);
    // Sums, counts and count · (quotient + 1) stay below 2^31 in signed lanes.
    if (256.0 * (2.0 * shape.reach + 1) * (2.0 * shape.reach + 1) >= 2147483648.0) return false;
    shape.margin = shape.reach + 1;

    // Strips of 1200 columns: on 24-megapixel photos narrower strips (whose table rings would
    // stay in the second-level cache) lose more on building their margins twice than they gain,
    // and whole rows lose on cache misses; measured fastest of 160 .. 6000.
    int strip = stripOverride > 0 ? stripOverride : 1200;
    strip = std::max(strip, shape.margin); // the margin of a strip lies within its left neighbour
    const int stripCount = (width + strip - 1) / strip;

    sharedRandom &random = sharedRandom::instance();
    std::vector<std::uint32_t> rowStates(static_cast<std::size_t>(height));
    {
        const sharedRandom::leap rowLeap = sharedRandom::leapOf(2 * static_cast<std::uint64_t>(width));
        std::uint32_t s = random.position();
        for (int y = 0; y < height; ++y, s = rowLeap.from(s)) rowStates[y] = s;
    }

    // Parts of rows, each with its own strips and table, done by the worker threads: one part
    // per thread (on 24-megapixel photos two per core lose 5 % on their overlaps), but no more
    // than leaves each part four times the rows its boxes reach beyond it.
    int partCount = partOverride > 0 ? partOverride
                                     : std::min(workerThreads(), std::max(1, height / (4 * (shape.reach + 1))));
    partCount = std::clamp(partCount, 1, height);

    // The rows every part reads beyond its own, copied before any part writes.
    std::vector<rowPart> parts(static_cast<std::size_t>(partCount));
    std::vector<std::vector<std::uint8_t>> copies;
    std::uint8_t *const planes[3] = {job.red, job.green, job.blue};
    auto copyRows = [&](int from, int to, const std::uint8_t *into[3]) {
        for (int c = 0; c < 3; ++c) {
            const std::size_t w = static_cast<std::size_t>(width);
            copies.emplace_back(planes[c] + from * w, planes[c] + to * w);
            into[c] = copies.back().data();
        }
    };
    copies.reserve(6 * static_cast<std::size_t>(partCount));
    for (int i = 0; i < partCount; ++i) {
        rowPart &part = parts[static_cast<std::size_t>(i)];
        part.top = static_cast<int>(static_cast<std::int64_t>(height) * i / partCount);
        part.bottom = static_cast<int>(static_cast<std::int64_t>(height) * (i + 1) / partCount);
        part.origin = std::max(0, part.top - shape.reach);
        part.end = std::min(height, part.bottom + shape.reach);
        part.width = width;
        for (int c = 0; c < 3; ++c) part.planes[c] = planes[c];
        if (part.origin < part.top) copyRows(part.origin, part.top, part.before);
        if (part.bottom < part.end) copyRows(part.bottom, part.end, part.after);
    }

    // The bar moves on one row for every stripCount strip rows done, in whichever parts: evenly
    // over the whole run, through every row once and in order, ending at the last row. Only the
    // calling thread moves it.
    std::atomic<std::int64_t> done{0};
    int reported = 0;
    const std::thread::id caller = std::this_thread::get_id();
    const std::function<void()> report = [&] {
        const std::int64_t now = done.load(std::memory_order_relaxed);
        for (; reported < height && (reported + 1) * static_cast<std::int64_t>(stripCount) <= now; ++reported)
            if (job.reportRow) job.reportRow(reported);
    };

    const std::size_t marginBytes = static_cast<std::size_t>(3) * height * shape.margin;
    // Parts write rows of their own only and read their neighbours' rows from the copies, so
    // any number of them run side by side, in any order.
    runTasks(
        partCount,
        [&](int i) {
            const bool reporting = std::this_thread::get_id() == caller;
            const std::function<void()> rowDone = [&] {
                done.fetch_add(1, std::memory_order_relaxed);
                if (reporting) report();
            };
            blurBuffers buffers;
            scratch<std::uint8_t> marginIn, marginOut;
            const rowPart &part = parts[static_cast<std::size_t>(i)];
            for (int s = 0; s < stripCount; ++s) {
                const int left = s * strip, right = std::min(width, left + strip);
                const bool last = s + 1 == stripCount;
                if (!last) marginOut.resize(marginBytes);
                stripWork stripJob(part, shape, left, right, buffers);
                stripJob.run(s > 0 ? marginIn.data() : nullptr, last ? nullptr : marginOut.data(), rowStates,
                             sharedRandom::leapOf(2 * static_cast<std::uint64_t>(left)), rowDone);
                std::swap(marginIn, marginOut);
            }
        },
        report);
    report();
    random.skip(2 * static_cast<std::uint64_t>(width) * height);
    return true;
#else
    (void)job;
    return false;
#endif
}
