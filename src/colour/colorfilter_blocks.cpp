// Block statistics: mosaic (6) and noise removal by the per-channel median (17).
#include "colorfilter.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
// Sum of count bytes.
int sumBytes(const std::uint8_t *p, int count)
{
    int sum = 0;
    int i = 0;
#ifdef __SSE2__
    __m128i total = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16)
        total = _mm_add_epi64(total, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)), _mm_setzero_si128()));
    sum = _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(total, total));
#endif
    for (; i < count; ++i) sum += p[i];
    return sum;
}
} // namespace

// Tiles of s × s from the top-left corner, cut by the right and bottom edges. A band of tile
// rows is summed row by row into one sum per tile, then one row of means is built and copied
// into every row of the band.
void colorFilter::mosaic()
{
    const int s = mosaicSize;
    if (s < 1 || width < 1 || height < 1) return;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    const int tiles = (width + s - 1) / s;
    std::vector<int> sums(static_cast<std::size_t>(tiles));
    std::vector<std::uint8_t> meanRow(static_cast<std::size_t>(width));
    for (int top = 0; top < height; top += s) {
        const int bottom = std::min(height, top + s);
        for (int p = 0; p < 3; ++p) {
            std::fill(sums.begin(), sums.end(), 0);
            for (int y = top; y < bottom; ++y) {
                const std::uint8_t *row = planes[p] + static_cast<std::size_t>(y) * width;
                for (int j = 0, left = 0; j < tiles; ++j, left += s)
                    sums[j] += sumBytes(row + left, std::min(width, left + s) - left);
            }
            for (int j = 0, left = 0; j < tiles; ++j, left += s) {
                const int right = std::min(width, left + s);
                const int mean = sums[j] / ((bottom - top) * (right - left));
                std::memset(meanRow.data() + left, mean, static_cast<std::size_t>(right - left));
            }
            for (int y = top; y < bottom; ++y)
                std::memcpy(planes[p] + static_cast<std::size_t>(y) * width, meanRow.data(), static_cast<std::size_t>(width));
        }
    }
}

namespace {
// Median of 3 × 3 by a selection network: sort every column of three, then the median is the
// median of (largest low, median of the middles, smallest high). Exact for any values, ties
// included. lo/mid/hi are the sorted columns with one repeated column at each end.
inline std::uint8_t median3(std::uint8_t a, std::uint8_t b, std::uint8_t c)
{
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

void medianRow3(std::uint8_t *out, const std::uint8_t *above, const std::uint8_t *row, const std::uint8_t *below,
                int width, std::uint8_t *lo, std::uint8_t *mid, std::uint8_t *hi)
{
    // Sorted columns at positions 1..width; positions 0 and width + 1 repeat the edge columns.
    int x = 0;
#ifdef __SSE2__
    for (; x + 16 <= width; x += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(above + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(below + x));
        const __m128i t1 = _mm_min_epu8(a, b), t2 = _mm_max_epu8(a, b);
        const __m128i t3 = _mm_max_epu8(t1, c);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(lo + 1 + x), _mm_min_epu8(t1, c));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(mid + 1 + x), _mm_min_epu8(t2, t3));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(hi + 1 + x), _mm_max_epu8(t2, t3));
    }
#endif
    for (; x < width; ++x) {
        const std::uint8_t t1 = std::min(above[x], row[x]), t2 = std::max(above[x], row[x]);
        const std::uint8_t t3 = std::max(t1, below[x]);
        lo[1 + x] = std::min(t1, below[x]);
        mid[1 + x] = std::min(t2, t3);
        hi[1 + x] = std::max(t2, t3);
    }
    lo[0] = lo[1];
    mid[0] = mid[1];
    hi[0] = hi[1];
    lo[width + 1] = lo[width];
    mid[width + 1] = mid[width];
    hi[width + 1] = hi[width];

    x = 0;
#ifdef __SSE2__
    for (; x + 16 <= width; x += 16) {
        auto at = [](const std::uint8_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
        const __m128i l = _mm_max_epu8(_mm_max_epu8(at(lo + x), at(lo + x + 1)), at(lo + x + 2));
        const __m128i h = _mm_min_epu8(_mm_min_epu8(at(hi + x), at(hi + x + 1)), at(hi + x + 2));
        const __m128i m0 = at(mid + x), m1 = at(mid + x + 1), m2 = at(mid + x + 2);
        const __m128i m = _mm_max_epu8(_mm_min_epu8(m0, m1), _mm_min_epu8(_mm_max_epu8(m0, m1), m2));
        const __m128i result = _mm_max_epu8(_mm_min_epu8(l, m), _mm_min_epu8(_mm_max_epu8(l, m), h));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), result);
    }
#endif
    for (; x < width; ++x) {
        const std::uint8_t l = std::max(std::max(lo[x], lo[x + 1]), lo[x + 2]);
        const std::uint8_t h = std::min(std::min(hi[x], hi[x + 1]), hi[x + 2]);
        out[x] = median3(l, median3(mid[x], mid[x + 1], mid[x + 2]), h);
    }
}

// One row of all three planes by sliding histograms (see medianFilter), the planes interleaved
// so that their three independent chains overlap. rows[p][j] is the source row of window row j;
// N is the window size (fixed for the common sizes, 0 for any other size given in n).
template <int N>
void medianRowHistogram(std::uint8_t *const out[3], const std::uint8_t *const *const rows[3], const int *columnOf,
                        int width, int n)
{
    if constexpr (N > 0) n = N;
    const int half = n / 2;
    const int middle = n * n / 2;
    int histogram[3][256] = {};
    int m[3], below[3];
    for (int p = 0; p < 3; ++p) {
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) ++histogram[p][rows[p][j][columnOf[i]]];
        m[p] = 0;
        below[p] = 0; // values < m
        while (below[p] + histogram[p][m[p]] <= middle) below[p] += histogram[p][m[p]++];
        out[p][0] = static_cast<std::uint8_t>(m[p]);
    }
    for (int x = 1; x < width; ++x) {
        const int leaving = columnOf[x - 1];         // window column x − 1 − half
        const int entering = columnOf[x + 2 * half]; // window column x + half
        if (leaving != entering) {
            for (int p = 0; p < 3; ++p) {
                int *hist = histogram[p];
                const std::uint8_t *const *source = rows[p];
                int level = m[p], count = below[p];
                for (int j = 0; j < n; ++j) {
                    const int vo = source[j][leaving];
                    const int vi = source[j][entering];
                    --hist[vo];
                    ++hist[vi];
                    count += (vi < level) - (vo < level);
                }
                while (count > middle) count -= hist[--level];
                while (count + hist[level] <= middle) count += hist[level++];
                m[p] = level;
                below[p] = count;
            }
        }
        for (int p = 0; p < 3; ++p) out[p][x] = static_cast<std::uint8_t>(m[p]);
    }
}
} // namespace

// The window's values are kept in a 256-bin histogram that slides along the row: moving one
// pixel right removes the column that leaves and adds the one that enters (border columns and
// rows repeated, exactly as the clamped window counts them). The median is tracked as the level
// m with count(< m) ≤ n²/2 < count(≤ m), the very entry n²/2 of the sorted window.
void colorFilter::medianFilter()
{
    const int n = medianSize | 1;
    if (n < 1 || width < 1 || height < 1) return;
    const int half = n / 2;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    std::unique_ptr<std::uint8_t[]> copies[3];
    for (int p = 0; p < 3; ++p) {
        copies[p].reset(new std::uint8_t[count]);
        std::memcpy(copies[p].get(), planes[p], count);
    }
    auto rowOf = [&](int p, int y) {
        return copies[p].get() + static_cast<std::size_t>(std::clamp(y, 0, height - 1)) * width;
    };

    if (n == 3) {
        std::vector<std::uint8_t> sorted(3 * (static_cast<std::size_t>(width) + 2));
        std::uint8_t *lo = sorted.data(), *mid = lo + width + 2, *hi = mid + width + 2;
        for (int y = 0; y < height; ++y) {
            for (int p = 0; p < 3; ++p)
                medianRow3(planes[p] + static_cast<std::size_t>(y) * width, rowOf(p, y - 1), rowOf(p, y), rowOf(p, y + 1),
                           width, lo, mid, hi);
            reportRow(y);
        }
        return;
    }

    // Column index of window position i for the pixel at x, limited to the picture.
    std::vector<int> columnOf(static_cast<std::size_t>(width) + 2 * half + 1);
    for (int i = 0; i < static_cast<int>(columnOf.size()); ++i) columnOf[i] = std::clamp(i - half, 0, width - 1);
    std::vector<const std::uint8_t *> rowList[3];
    for (auto &list : rowList) list.resize(static_cast<std::size_t>(n));
    const std::uint8_t *const *rows[3] = {rowList[0].data(), rowList[1].data(), rowList[2].data()};
    for (int y = 0; y < height; ++y) {
        std::uint8_t *out[3];
        for (int p = 0; p < 3; ++p) {
            out[p] = planes[p] + static_cast<std::size_t>(y) * width;
            for (int j = 0; j < n; ++j) rowList[p][j] = rowOf(p, y + j - half);
        }
        switch (n) {
        case 5: medianRowHistogram<5>(out, rows, columnOf.data(), width, n); break;
        case 7: medianRowHistogram<7>(out, rows, columnOf.data(), width, n); break;
        case 9: medianRowHistogram<9>(out, rows, columnOf.data(), width, n); break;
        case 11: medianRowHistogram<11>(out, rows, columnOf.data(), width, n); break;
        default: medianRowHistogram<0>(out, rows, columnOf.data(), width, n); break;
        }
        reportRow(y);
    }
}
