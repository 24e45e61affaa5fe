// The paint filter's window version (see paintregions.h): the same bytes as the plain loop of
// colorfilter_paint.cpp, with each region put together a row at a time from shared windows.
#include "colorfilter.h"
#include "paintregions.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace paintRegions {
namespace {

// ---- the incremental version ----
//
// The picture is copied into planes with a wide border of zeros: three value planes, three
// inverted planes (255 − value, so a maximum over them is 255 minus the minimum) and a mask
// plane (1 inside the picture), so that samples outside the picture drop out of every maximum
// and sum without tests. Each region is then put together, a whole row at a time, from
// windows along rows, columns and diagonals computed once per row and shared between the
// regions that use them.

constexpr int extremePlanes = 6; // maxima of red, green, blue, then of their inversions
constexpr int sumPlanes = 4;     // sums of red, green, blue and of the mask (the sample count)
constexpr int maskPlane = 6;

struct borderedPicture {
    int width = 0, height = 0, margin = 0, stride = 0;
    std::vector<std::uint8_t> data[7];

    borderedPicture(const std::uint8_t *red, const std::uint8_t *green, const std::uint8_t *blue,
                    int w, int h, int m)
        : width(w), height(h), margin(m), stride(w + 2 * m)
    {
        const std::size_t size = static_cast<std::size_t>(stride) * (h + 2 * m);
        const std::uint8_t *sources[3] = {red, green, blue};
        for (auto &plane : data) plane.assign(size, 0);
        forEachBand(h, [&](int first, int end) {
            for (int y = first; y < end; ++y) {
                const std::size_t from = static_cast<std::size_t>(y) * w;
                for (int c = 0; c < 3; ++c) {
                    std::uint8_t *value = row(c, y), *inverse = row(c + 3, y);
                    for (int x = 0; x < w; ++x) {
                        value[x] = sources[c][from + x];
                        inverse[x] = static_cast<std::uint8_t>(255 - sources[c][from + x]);
                    }
                }
                std::uint8_t *mask = row(maskPlane, y);
                for (int x = 0; x < w; ++x) mask[x] = 1;
            }
        });
    }
    // Pointer to column 0 of row y; columns −margin .. width + margin − 1 may be read.
    std::uint8_t *row(int plane, int y)
    {
        return data[plane].data() + static_cast<std::size_t>(y + margin) * stride + margin;
    }
    static int sumSource(int q) { return q < 3 ? q : maskPlane; }
};

// The bordered picture as one strip of columns reads it: relative to the strip's first column.
struct pictureStrip {
    const borderedPicture *whole = nullptr;
    int offset = 0; // first column of the strip
    const std::uint8_t *row(int plane, int y) const
    {
        return whole->data[plane].data() + static_cast<std::size_t>(y + whole->margin) * whole->stride + whole->margin +
               offset;
    }
};

// A row of window statistics, columns −margin .. width + margin − 1.
template <typename sumType>
struct statisticsRow {
    int margin = 0;
    std::vector<std::uint8_t> extremeData[extremePlanes];
    std::vector<sumType> sumData[sumPlanes];

    void allocate(int width, int m)
    {
        margin = m;
        for (auto &v : extremeData) v.assign(static_cast<std::size_t>(width) + 2 * m, 0);
        for (auto &v : sumData) v.assign(static_cast<std::size_t>(width) + 2 * m, 0);
    }
    std::uint8_t *extreme(int p) { return extremeData[p].data() + margin; }
    const std::uint8_t *extreme(int p) const { return extremeData[p].data() + margin; }
    sumType *sum(int q) { return sumData[q].data() + margin; }
    const sumType *sum(int q) const { return sumData[q].data() + margin; }

    void clear(int from, int to)
    {
        for (int p = 0; p < extremePlanes; ++p) std::fill(extreme(p) + from, extreme(p) + to, 0);
        for (int q = 0; q < sumPlanes; ++q) std::fill(sum(q) + from, sum(q) + to, 0);
    }

    // Adds the picture's row y, read shift columns to the right, to columns from .. to − 1.
    void takeRow(const pictureStrip &picture, int y, int shift, int from, int to)
    {
        for (int p = 0; p < extremePlanes; ++p) {
            std::uint8_t *__restrict target = extreme(p);
            const std::uint8_t *__restrict source = picture.row(p, y) + shift;
            for (int x = from; x < to; ++x) target[x] = std::max(target[x], source[x]);
        }
        for (int q = 0; q < sumPlanes; ++q) {
            sumType *__restrict target = sum(q);
            const std::uint8_t *__restrict source = picture.row(borderedPicture::sumSource(q), y) + shift;
            for (int x = from; x < to; ++x) target[x] = static_cast<sumType>(target[x] + source[x]);
        }
    }

    // Replaces columns from .. to − 1 by the picture's row y, read shift columns to the right.
    void assignRow(const pictureStrip &picture, int y, int shift, int from, int to)
    {
        for (int p = 0; p < extremePlanes; ++p) {
            std::uint8_t *__restrict target = extreme(p);
            const std::uint8_t *__restrict source = picture.row(p, y) + shift;
            for (int x = from; x < to; ++x) target[x] = source[x];
        }
        for (int q = 0; q < sumPlanes; ++q) {
            sumType *__restrict target = sum(q);
            const std::uint8_t *__restrict source = picture.row(borderedPicture::sumSource(q), y) + shift;
            for (int x = from; x < to; ++x) target[x] = source[x];
        }
    }

    // Replaces columns by another row of statistics, read shift columns to the right.
    template <typename otherSum>
    void assign(const statisticsRow<otherSum> &other, int shift, int from, int to)
    {
        for (int p = 0; p < extremePlanes; ++p) {
            std::uint8_t *__restrict target = extreme(p);
            const std::uint8_t *__restrict source = other.extreme(p) + shift;
            for (int x = from; x < to; ++x) target[x] = source[x];
        }
        for (int q = 0; q < sumPlanes; ++q) {
            sumType *__restrict target = sum(q);
            const otherSum *__restrict source = other.sum(q) + shift;
            for (int x = from; x < to; ++x) target[x] = static_cast<sumType>(source[x]);
        }
    }

    // Adds another row of statistics, read shift columns to the right.
    template <typename otherSum>
    void take(const statisticsRow<otherSum> &other, int shift, int from, int to)
    {
        for (int p = 0; p < extremePlanes; ++p) {
            std::uint8_t *__restrict target = extreme(p);
            const std::uint8_t *__restrict source = other.extreme(p) + shift;
            for (int x = from; x < to; ++x) target[x] = std::max(target[x], source[x]);
        }
        for (int q = 0; q < sumPlanes; ++q) {
            sumType *__restrict target = sum(q);
            const otherSum *__restrict source = other.sum(q) + shift;
            for (int x = from; x < to; ++x) target[x] = static_cast<sumType>(target[x] + source[x]);
        }
    }
};

using windowRow = statisticsRow<std::uint16_t>; // windows of at most 257 samples
using regionRow = statisticsRow<std::uint32_t>;

// Rows of a window kind kept for the rows around the current one; each is computed once.
struct windowRing {
    std::vector<windowRow> rows;
    std::vector<int> tags;
    void allocate(int count, int width, int margin)
    {
        rows.resize(count);
        tags.assign(count, std::numeric_limits<int>::min());
        for (auto &row : rows) row.allocate(width, margin);
    }
    template <typename build>
    const windowRow &get(int y, build &&make)
    {
        const int count = static_cast<int>(rows.size());
        const int slot = ((y % count) + count) % count;
        if (tags[slot] != y) {
            make(rows[slot], y);
            tags[slot] = y;
        }
        return rows[slot];
    }
};

struct fastPaint {
    int fullWidth, height, d;
    bool pointillism;
    int margin, reach;
    borderedPicture whole;

    fastPaint(const std::uint8_t *red, const std::uint8_t *green, const std::uint8_t *blue, int w, int h,
              int dd, bool point)
        : fullWidth(w), height(h), d(dd), pointillism(point), margin(3 * dd + 4), reach(dd + 2),
          whole(red, green, blue, w, h, margin)
    {
    }

    // The region at (x, y) sampled one by one, written into column x − left of a region row.
    template <typename row>
    void plainInto(paintSampler &sampler, row &region, int k, int x, int y, int left) const
    {
        sampler.n = 0;
        if (pointillism) sampler.pointillismRegion(k, x, y);
        else sampler.normalRegion(k, x, y);
        const regionStatistics st = statisticsOf(sampler);
        for (int c = 0; c < 3; ++c) {
            region.extreme(c)[x - left] = static_cast<std::uint8_t>(st.n ? st.high[c] : 0);
            region.extreme(c + 3)[x - left] = static_cast<std::uint8_t>(st.n ? 255 - st.low[c] : 0);
            region.sum(c)[x - left] = static_cast<std::uint16_t>(st.sum[c]);
        }
        region.sum(3)[x - left] = static_cast<std::uint16_t>(st.n);
    }

    // Works out columns left .. left + width − 1 of rows first .. end − 1, top to bottom, with
    // working rows of its own: strips and bands of rows may run side by side.
    void runStrip(std::uint8_t *const outputs[3], int left, int width, int first, int end, paintSampler &sampler) const;
};

// Spread of each column of a region: the largest of max − min over the channels.
template <typename row>
void spreadOf(const row &region, std::uint8_t *__restrict spread, int width)
{
    const std::uint8_t *__restrict highRed = region.extreme(0), *__restrict highGreen = region.extreme(1),
                                   *__restrict highBlue = region.extreme(2);
    const std::uint8_t *__restrict invRed = region.extreme(3), *__restrict invGreen = region.extreme(4),
                                   *__restrict invBlue = region.extreme(5);
    for (int x = 0; x < width; ++x) {
        // maximum − minimum = maximum − (255 − maximum of the inversions), never negative
        const std::uint8_t red = static_cast<std::uint8_t>(highRed[x] - static_cast<std::uint8_t>(~invRed[x]));
        const std::uint8_t green = static_cast<std::uint8_t>(highGreen[x] - static_cast<std::uint8_t>(~invGreen[x]));
        const std::uint8_t blue = static_cast<std::uint8_t>(highBlue[x] - static_cast<std::uint8_t>(~invBlue[x]));
        spread[x] = std::max(red, std::max(green, blue));
    }
}

void fastPaint::runStrip(std::uint8_t *const outputs[3], int left, int width, int first, int end,
                         paintSampler &sampler) const
{
    const pictureStrip picture{&whole, left};
    const int near0 = -reach, near1 = width + reach; // what the regions read around a row
    // Columns of the squares' vertical stages that their horizontal stages read.
    const int tall0 = -(d - 1), tall1 = width + d - 1;

    // Regions 1..8 hold at most 256 samples (16-bit sums); the normal style's square up to 529.
    std::vector<windowRow> regions(9);
    regionRow wideSquare;
    for (auto &row : regions) row.allocate(width, 0);
    wideSquare.allocate(width, 0);
    std::vector<std::uint8_t> best(width), winner(width), spread(width);
    // sum / n as (sum · (2^32 / n + 1)) / 2^32, exact for the sums here: below 2^18, so the
    // excess stays under 2^−14 while a quotient's fraction is at least 1/n (n ≤ 529) below 1.
    const int most = pointillism ? d * d : (d + d / 2 - 1) * (d + d / 2 - 1);
    std::vector<std::uint64_t> reciprocals(static_cast<std::size_t>(std::max(most, 3 * d + 2)) + 2, 0);
    for (std::size_t n = 1; n < reciprocals.size(); ++n) reciprocals[n] = (std::uint64_t{1} << 32) / n + 1;

    // Normal style: a vertical window for the off-centre square; windows of d samples along
    // columns, rows, diagonals (down-right) and anti-diagonals (down-left) for the rays.
    const int squareSide = d + d / 2 - 1;
    windowRow squareColumns;
    windowRing alongColumn, alongRow, alongDiagonal, alongAntiDiagonal;
    // Pointillism: d × d squares; rows of centred spans of every half-width for the triangles
    // above and below, accumulated from the rows that feed them; columns of centred spans for
    // the triangles to the right and left.
    windowRing squares;
    windowRow squareRows, span;
    std::vector<windowRow> above, below, columnSpans;
    // The triangles above the first row take the d − 1 rows above it.
    int fedRows = std::max(0, first - (d - 1));
    if (!pointillism) {
        squareColumns.allocate(width, margin);
        alongColumn.allocate(d + 4, width, margin);
        alongRow.allocate(3, width, margin);
        alongDiagonal.allocate(d + 4, width, margin);
        alongAntiDiagonal.allocate(d + 4, width, margin);
    } else {
        squares.allocate(d, width, margin);
        squareRows.allocate(width, margin);
        span.allocate(width, margin);
        above.resize(2 * d);
        below.resize(d);
        columnSpans.resize(d);
        for (auto &row : above) { row.allocate(width, margin); row.clear(0, width); }
        for (auto &row : below) row.allocate(width, margin);
        for (auto &row : columnSpans) row.allocate(width, margin);
    }
    auto slot = [](int y, int count) { return ((y % count) + count) % count; };

    auto makeColumn = [&](windowRow &row, int top) {
        row.assignRow(picture, top, 0, near0, near1);
        for (int i = 1; i < d; ++i) row.takeRow(picture, top + i, 0, near0, near1);
    };
    auto makeRow = [&](windowRow &row, int y) {
        row.assignRow(picture, y, 0, near0, near1);
        for (int i = 1; i < d; ++i) row.takeRow(picture, y, i, near0, near1);
    };
    auto makeDiagonal = [&](windowRow &row, int top) {
        row.assignRow(picture, top, 0, near0, near1);
        for (int i = 1; i < d; ++i) row.takeRow(picture, top + i, i, near0, near1);
    };
    auto makeAntiDiagonal = [&](windowRow &row, int top) {
        row.assignRow(picture, top, 0, near0, near1);
        for (int i = 1; i < d; ++i) row.takeRow(picture, top + i, -i, near0, near1);
    };
    auto makeSquare = [&](windowRow &row, int top) {
        squareRows.assignRow(picture, top, 0, tall0, tall1);
        for (int i = 1; i < d; ++i) squareRows.takeRow(picture, top + i, 0, tall0, tall1);
        row.assign(squareRows, 0, tall0, width);
        for (int i = 1; i < d; ++i) row.take(squareRows, i, tall0, width);
    };
    // Feeds picture row r into the triangles: row r with half-width m belongs to the triangle
    // above row r + m and to the triangle below row r − (d − 1 − m).
    auto feedRow = [&](int r) {
        above[slot(r + d - 1, 2 * d)].clear(0, width);
        below[slot(r, d)].clear(0, width);
        span.assignRow(picture, r, 0, 0, width);
        for (int m = 0; m < d; ++m) {
            if (m > 0) {
                span.takeRow(picture, r, -m, 0, width);
                span.takeRow(picture, r, m, 0, width);
            }
            if (r + m < height) above[slot(r + m, 2 * d)].take(span, 0, 0, width);
            const int target = r - (d - 1 - m);
            if (target >= 0) below[slot(target, d)].take(span, 0, 0, width);
        }
    };
    // A ray: the pixel itself and three windows of d samples.
    auto ray = [&](windowRow &region, const windowRow &first, int shift1, const windowRow &second, int shift2,
                   const windowRow &third, int shift3, int y) {
        region.assignRow(picture, y, 0, 0, width);
        region.take(first, shift1, 0, width);
        region.take(second, shift2, 0, width);
        region.take(third, shift3, 0, width);
    };

    for (int y = first; y < end; ++y) {
        if (!pointillism) {
            // Region 0: rows y − d/2 .. y + d − 2, columns x − d/2 .. x + d − 2.
            squareColumns.assignRow(picture, y - d / 2, 0, tall0, tall1);
            for (int v = y - d / 2 + 1; v <= y + d - 2; ++v) squareColumns.takeRow(picture, v, 0, tall0, tall1);
            wideSquare.assign(squareColumns, -(d / 2), 0, width);
            for (int i = 1; i < squareSide; ++i) wideSquare.take(squareColumns, i - d / 2, 0, width);

            const windowRow &upCentre = alongColumn.get(y - d - 1, makeColumn);
            const windowRow &upSides = alongColumn.get(y - d, makeColumn);
            const windowRow &downSides = alongColumn.get(y + 1, makeColumn);
            const windowRow &downCentre = alongColumn.get(y + 2, makeColumn);
            const windowRow &rowAbove = alongRow.get(y - 1, makeRow);
            const windowRow &rowHere = alongRow.get(y, makeRow);
            const windowRow &rowBelow = alongRow.get(y + 1, makeRow);
            // 1 up: column x rows y − d − 1 .. y − 2, columns x ± 1 rows y − d .. y − 1; 2 through
            // the pixel to the right; 3 down; 4 through the pixel to the left.
            ray(regions[1], upCentre, 0, upSides, -1, upSides, 1, y);
            ray(regions[2], rowHere, 0, rowAbove, -1, rowBelow, -1, y);
            ray(regions[3], downCentre, 0, downSides, -1, downSides, 1, y);
            ray(regions[4], rowHere, -(d - 1), rowAbove, -(d - 2), rowBelow, -(d - 2), y);
            // 5 up-left and 6 up-right: windows starting at their far ends.
            ray(regions[5], alongDiagonal.get(y - d - 1, makeDiagonal), -(d + 1),
                alongDiagonal.get(y - d, makeDiagonal), -(d - 1), alongDiagonal.get(y - d + 1, makeDiagonal), -d, y);
            ray(regions[6], alongAntiDiagonal.get(y - d - 1, makeAntiDiagonal), d + 1,
                alongAntiDiagonal.get(y - d, makeAntiDiagonal), d - 1,
                alongAntiDiagonal.get(y - d + 1, makeAntiDiagonal), d, y);
            // 7 down-right and 8 down-left.
            ray(regions[7], alongDiagonal.get(y + 2, makeDiagonal), 2, alongDiagonal.get(y, makeDiagonal), 1,
                alongDiagonal.get(y + 1, makeDiagonal), 0, y);
            ray(regions[8], alongAntiDiagonal.get(y + 2, makeAntiDiagonal), -2,
                alongAntiDiagonal.get(y, makeAntiDiagonal), -1, alongAntiDiagonal.get(y + 1, makeAntiDiagonal), 0, y);
        } else {
            for (; fedRows < std::min(height, y + d); ++fedRows) feedRow(fedRows);
            // Centred spans of the columns: half-height m around row y.
            columnSpans[0].assignRow(picture, y, 0, near0, near1);
            for (int m = 1; m < d; ++m) {
                windowRow &row = columnSpans[m];
                row.assign(columnSpans[m - 1], 0, near0, near1);
                row.takeRow(picture, y - m, 0, near0, near1);
                row.takeRow(picture, y + m, 0, near0, near1);
            }
            const windowRow &squareHigh = squares.get(y - d + 1, makeSquare);
            const windowRow &squareCentre = squares.get(y - d / 2, makeSquare);
            const windowRow &squareLow = squares.get(y, makeSquare);

            regions[0].assign(squareCentre, -(d / 2), 0, width); // the centred square
            // 1, the triangle above; near the top edge the rows above the picture are skipped
            // without narrowing, which the accumulated rows do not model.
            if (y >= d - 1) regions[1].assign(above[slot(y, 2 * d)], 0, 0, width);
            else for (int x = left; x < left + width; ++x) plainInto(sampler, regions[1], 1, x, y, left);
            regions[2].assign(columnSpans[d - 1], 0, 0, width); // 2, to the right
            for (int j = 1; j < d; ++j) regions[2].take(columnSpans[d - 1 - j], j, 0, width);
            regions[3].assign(below[slot(y, d)], 0, 0, width); // 3, below
            regions[4].assign(columnSpans[0], 0, 0, width); // 4, to the left; likewise at the left edge
            for (int j = 1; j < d; ++j) regions[4].take(columnSpans[j], -j, 0, width);
            for (int x = left; x < std::min(left + width, d - 1); ++x) plainInto(sampler, regions[4], 4, x, y, left);
            regions[5].assign(squareHigh, -(d - 1), 0, width); // the corner squares
            regions[6].assign(squareHigh, 0, 0, width);
            regions[7].assign(squareLow, 0, 0, width);
            regions[8].assign(squareLow, -(d - 1), 0, width);
        }

        // The most uniform region wins, the later one among equals. Every region holds the
        // pixel itself, so none is empty.
        std::fill(best.begin(), best.end(), 255);
        for (int k = 0; k < 9; ++k) {
            if (k == 0 && !pointillism) spreadOf(wideSquare, spread.data(), width);
            else spreadOf(regions[k], spread.data(), width);
            std::uint8_t *__restrict bestOf = best.data(), *__restrict winnerOf = winner.data();
            const std::uint8_t *__restrict spreadOfRegion = spread.data();
            const std::uint8_t number = static_cast<std::uint8_t>(k);
            int x = 0;
#ifdef __SSE2__
            const __m128i numbers = _mm_set1_epi8(static_cast<char>(number));
            for (; x + 16 <= width; x += 16) {
                const __m128i spreads = _mm_loadu_si128(reinterpret_cast<const __m128i *>(spreadOfRegion + x));
                const __m128i bests = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bestOf + x));
                const __m128i lower = _mm_min_epu8(spreads, bests);
                const __m128i take = _mm_cmpeq_epi8(lower, spreads); // spread ≤ best
                const __m128i winners = _mm_loadu_si128(reinterpret_cast<const __m128i *>(winnerOf + x));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(bestOf + x), lower);
                _mm_storeu_si128(reinterpret_cast<__m128i *>(winnerOf + x),
                                 _mm_or_si128(_mm_and_si128(take, numbers), _mm_andnot_si128(take, winners)));
            }
#endif
            for (; x < width; ++x) {
                const bool take = spreadOfRegion[x] <= bestOf[x];
                bestOf[x] = take ? spreadOfRegion[x] : bestOf[x];
                winnerOf[x] = take ? number : winnerOf[x];
            }
        }
        const std::size_t start = static_cast<std::size_t>(y) * fullWidth + left;
        for (int x = 0; x < width; ++x) {
            const int k = winner[x];
            const bool wide = k == 0 && !pointillism;
            const std::uint64_t inverse = reciprocals[wide ? wideSquare.sum(3)[x] : regions[k].sum(3)[x]];
            for (int c = 0; c < 3; ++c) {
                const std::uint64_t sum = wide ? wideSquare.sum(c)[x] : regions[k].sum(c)[x];
                outputs[c][start + x] = static_cast<std::uint8_t>((sum * inverse) >> 32);
            }
        }
    }
}

} // namespace

void paintWithWindows(const colorFilter &filter, const std::uint8_t *red, const std::uint8_t *green,
                      const std::uint8_t *blue, int s, int d, bool pointillism, std::uint8_t *const outputs[3])
{
    // Bands of rows on the worker threads, each in strips of columns that keep the rows of
    // window statistics in cache. A band works out the windows of the d + 4 rows around its
    // first one afresh: bands of at least 4d + 16 rows keep that small.
    const int width = filter.width, height = filter.height;
    const fastPaint fast(red, green, blue, width, height, d, pointillism);
    constexpr int stripWidth = 512;
    filter.forEachRowBand(
        [&](int first, int end) {
            paintSampleLists lists(width, height, s, d, red, green, blue);
            for (int left = 0; left < width; left += stripWidth)
                fast.runStrip(outputs, left, std::min(stripWidth, width - left), first, end, lists.sampler);
        },
        4 * d + 16);
}

} // namespace paintRegions
