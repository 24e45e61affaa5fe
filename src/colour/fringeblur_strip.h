// The fringe blur's strips (fringeblur_strip.cpp): one strip of columns of one part of rows,
// its summed-area table in a ring of rows and its means sixteen pixels at a time in 512-bit
// lanes. Inside the fringe blur only; fringeblur.cpp cuts the picture into parts and strips.
#pragma once
#if defined(__x86_64__) || defined(__i386__)
#include "sharedrandom.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <vector>

namespace fringeBlurStrips {

constexpr int lanes = 16;

// Working memory in whole 64-byte lines, for aligned vector loads and stores, and left as it
// comes when it grows: every cell is written before it is read (or read only into lanes that
// are thrown away), so filling megabytes with zeros first would be wasted.
template <class T>
struct scratchAllocator {
    using value_type = T;
    scratchAllocator() = default;
    template <class U>
    scratchAllocator(const scratchAllocator<U> &) {}
    T *allocate(std::size_t n) { return static_cast<T *>(::operator new(n * sizeof(T), std::align_val_t{64})); }
    void deallocate(T *p, std::size_t) { ::operator delete(p, std::align_val_t{64}); }
    template <class U>
    void construct(U *p) noexcept { ::new (static_cast<void *>(p)) U; }
    bool operator==(const scratchAllocator &) const { return true; }
};
template <class T>
using scratch = std::vector<T, scratchAllocator<T>>;
constexpr int bandRows = 4; // rows whose means are taken together (measured best of 1 .. 16)

struct blurShape {
    int width = 0, height = 0, size = 0;
    double k = 0;   // density / half diagonal
    int reach = 0;  // the largest half-size any box can get
    int margin = 0; // columns left of a strip that its boxes can reach: reach + 1
};

// The rows one part of the picture writes, [top, bottom), and where its table reads the
// original picture from: its own rows from the planes (each still unchanged when read), the rows
// of its neighbours from copies taken before any part began. Its table starts at row origin, as
// if the picture began there, which leaves every box sum the same: a box never reaches above it.
struct rowPart {
    int top = 0, bottom = 0;
    int origin = 0, end = 0; // the picture rows the boxes of [top, bottom) reach
    std::uint8_t *planes[3] = {};
    const std::uint8_t *before[3] = {}; // rows [origin, top)
    const std::uint8_t *after[3] = {};  // rows [bottom, end)
    int width = 0;
    const std::uint8_t *row(int c, int r) const
    {
        const std::size_t w = static_cast<std::size_t>(width);
        if (r < top) return before[c] + static_cast<std::size_t>(r - origin) * w;
        if (r >= bottom) return after[c] + static_cast<std::size_t>(r - bottom) * w;
        return planes[c] + static_cast<std::size_t>(r) * w;
    }
};

// Working memory of the strips, allocated once for the widest.
struct blurBuffers {
    scratch<std::uint32_t> ring;   // summed-area table rows
    scratch<std::uint8_t> source;  // one picture row, three channels
    scratch<std::int32_t> halves;  // half-sizes of a band of rows
    scratch<int> smallestOf;       // smallest half-size per chunk
    scratch<std::int32_t> lowest;  // a row's half-sizes, a pixel that stays counting as the largest
    scratch<std::uint32_t *> rows; // table row r → its ring row
};

// One strip of columns [left, right): its table ring and the rows of its left margin.
class stripWork {
public:
    stripWork(const rowPart &part, const blurShape &shape, int left, int right, blurBuffers &buffers)
        : part(part), shape(shape), left(left), right(right), base(left - shape.margin), built(part.origin)
    {
        // Room for the corners of every lane, one half-size beyond the reach included.
        columns = ((right - left) + 2 * shape.reach + 19 + lanes - 1) / lanes * lanes;
        ringRows = std::min(part.end - part.origin + 1, 2 * shape.reach + 1 + bandRows);
        rowStride = static_cast<std::size_t>(columns) * 3;
        chunksPerRow = (right - left + lanes - 1) / lanes;
        bandStride = chunksPerRow * lanes;
        chunkStride = (chunksPerRow + 3) / 4 * 4;
        auto atLeast = [](auto &buffer, std::size_t size) {
            if (buffer.size() < size) buffer.resize(size);
            return buffer.data();
        };
        ring = atLeast(buffers.ring, static_cast<std::size_t>(ringRows) * rowStride);
        std::fill(ring, ring + rowStride, 0u); // table row origin; a lane reads any other row only once it is built
        source = atLeast(buffers.source, static_cast<std::size_t>(columns) * 3 + lanes);
        halves = atLeast(buffers.halves, static_cast<std::size_t>(bandRows) * bandStride);
        smallestOf = atLeast(buffers.smallestOf, static_cast<std::size_t>(bandRows) * chunkStride);
        lowest = atLeast(buffers.lowest, static_cast<std::size_t>(chunkStride) * lanes);
        rows = atLeast(buffers.rows, static_cast<std::size_t>(shape.height) + 1);
        // Rows beyond the part's are read only for a half-size one past the reach, which no lane
        // has: any row of the ring serves them.
        for (int r = 0; r <= shape.height; ++r)
            rows[r] = r < part.origin || r > part.end
                          ? ring
                          : ring + static_cast<std::size_t>((r - part.origin) % ringRows) * rowStride;
    }

    // marginIn: original columns [left − margin, left) of every row (null for the first strip);
    // marginOut: where to keep columns [right − margin, right) for the next strip (null for the last).
    void run(const std::uint8_t *marginIn, std::uint8_t *marginOut, const std::vector<std::uint32_t> &rowStates,
             sharedRandom::leap toStrip, const std::function<void()> &rowDone);

private:
    std::uint32_t *tableRow(int r) { return rows[r]; }
    void buildRow(int r, const std::uint8_t *marginIn, std::uint8_t *marginOut);
    int sizeRow(int y, std::uint32_t state, std::int32_t *halves, int *smallestOf);
    void meanBand(int top, int count);

    const rowPart &part;
    const blurShape &shape;
    int left, right, base;
    int columns = 0, ringRows = 0;
    std::size_t rowStride = 0;
    std::uint32_t *ring = nullptr;
    std::uint8_t *source = nullptr;
    std::int32_t *halves = nullptr;
    int *smallestOf = nullptr;
    std::int32_t *lowest = nullptr;
    std::uint32_t **rows = nullptr; // table row r lives in ring row (r − origin) % ringRows
    int chunksPerRow = 0, bandStride = 0;
    int chunkStride = 0; // chunksPerRow rounded up to whole groups of four
    int built; // table rows origin .. built are ready
};

} // namespace fringeBlurStrips
#endif
