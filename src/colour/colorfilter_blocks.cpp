// Block statistics: mosaic (6) and noise removal by the per-channel median (17).
#include "colorfilter.h"
#include "imagedata/vectorpaths.h"
#include "imagedata/workerpool.h"
#include "imagedata/picturememory.h"
#include "filterkernels.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
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
// sums[x] += row[x]
void addRowToColumnSums(std::uint16_t *sums, const std::uint8_t *row, int count)
{
    int x = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; x + 16 <= count; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x));
        __m128i *lo = reinterpret_cast<__m128i *>(sums + x);
        __m128i *hi = reinterpret_cast<__m128i *>(sums + x + 8);
        _mm_storeu_si128(lo, _mm_add_epi16(_mm_loadu_si128(lo), _mm_unpacklo_epi8(v, zero)));
        _mm_storeu_si128(hi, _mm_add_epi16(_mm_loadu_si128(hi), _mm_unpackhi_epi8(v, zero)));
    }
#endif
    for (; x < count; ++x) sums[x] = static_cast<std::uint16_t>(sums[x] + row[x]);
}
} // namespace

// Tiles of s × s from the top-left corner, cut by the right and bottom edges. A band of tile
// rows is summed row by row into one sum per column, the columns of each tile are added up, and
// one row of means is built and copied into every row of the band.
void colorFilter::mosaic()
{
    const int s = mosaicSize;
    if (s < 1 || width < 1 || height < 1) return;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    const int tiles = (width + s - 1) / s;
    // Bands of whole tile rows on the worker threads; the mosaic reports no progress.
    forEachBand(height, [&](int first, int end) {
        std::vector<int> sums(static_cast<std::size_t>(tiles));
        std::vector<std::uint8_t> meanRow(static_cast<std::size_t>(width));
        // Column sums of a band fit 16 bits while a tile has at most 257 rows.
        std::vector<std::uint16_t> columnSums(s <= 257 ? static_cast<std::size_t>(width) : 0);
        for (int top = first; top < end; top += s) {
            const int bottom = std::min(height, top + s);
            for (int p = 0; p < 3; ++p) {
                std::fill(sums.begin(), sums.end(), 0);
                if (!columnSums.empty()) {
                    std::fill(columnSums.begin(), columnSums.end(), std::uint16_t(0));
                    for (int y = top; y < bottom; ++y)
                        addRowToColumnSums(columnSums.data(), planes[p] + static_cast<std::size_t>(y) * width, width);
                    for (int j = 0, left = 0; j < tiles; ++j, left += s) {
                        const int right = std::min(width, left + s);
                        int sum = 0;
                        for (int x = left; x < right; ++x) sum += columnSums[x];
                        sums[j] = sum;
                    }
                } else {
                    for (int y = top; y < bottom; ++y) {
                        const std::uint8_t *row = planes[p] + static_cast<std::size_t>(y) * width;
                        for (int j = 0, left = 0; j < tiles; ++j, left += s)
                            sums[j] += sumBytes(row + left, std::min(width, left + s) - left);
                    }
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
    }, {}, 1, s);
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

// One row of all three planes by sliding histograms (see medianFilter). Each plane's row is cut
// into a few pieces with a histogram each, and all of them step together, so that their
// independent chains of updates overlap. rows[p][j] is the source row of window row j; N is the
// window size (fixed for the common sizes, 0 for any other size given in n).
template <int N>
void medianRowHistogram(std::uint8_t *const out[3], const std::uint8_t *const *const rows[3], const int *columnOf,
                        int width, int n)
{
    if constexpr (N > 0) n = N;
    constexpr int pieces = 4;
    constexpr int chains = 3 * pieces;
    const int half = n / 2;
    const int middle = n * n / 2;
    const int pieceLength = (width + pieces - 1) / pieces;
    struct chain {
        int histogram[256];
        int level;
        int below; // values < level
        int x;     // next pixel
        int end;
        const std::uint8_t *const *source;
        std::uint8_t *out;
    };
    chain state[chains];
    int active = 0;
    for (int p = 0; p < 3; ++p)
        for (int k = 0; k < pieces; ++k) {
            const int from = k * pieceLength, to = std::min(width, from + pieceLength);
            if (from >= to) continue;
            chain &c = state[active++];
            std::fill(std::begin(c.histogram), std::end(c.histogram), 0);
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) ++c.histogram[rows[p][j][columnOf[from + i]]];
            c.level = 0;
            c.below = 0;
            while (c.below + c.histogram[c.level] <= middle) c.below += c.histogram[c.level++];
            out[p][from] = static_cast<std::uint8_t>(c.level);
            c.x = from + 1;
            c.end = to;
            c.source = rows[p];
            c.out = out[p];
        }
    for (int step = 1; step < pieceLength; ++step) {
        for (int s = 0; s < active; ++s) {
            chain &c = state[s];
            const int x = c.x;
            if (x >= c.end) continue;
            const int leaving = columnOf[x - 1];         // window column x − 1 − half
            const int entering = columnOf[x + 2 * half]; // window column x + half
            if (leaving != entering) {
                int *hist = c.histogram;
                int level = c.level, count = c.below;
                for (int j = 0; j < n; ++j) {
                    const int vo = c.source[j][leaving];
                    const int vi = c.source[j][entering];
                    --hist[vo];
                    ++hist[vi];
                    count += (vi < level) - (vo < level);
                }
                // The level mostly moves by a step or two: take those without branches, and
                // leave the loops for the rare larger jumps.
                for (int t = 0; t < 2; ++t) {
                    const int down = count > middle;
                    level -= down;
                    count -= hist[level] & -down;
                }
                while (count > middle) count -= hist[--level];
                for (int t = 0; t < 2; ++t) {
                    const int up = count + hist[level] <= middle;
                    count += hist[level] & -up;
                    level += up;
                }
                while (count + hist[level] <= middle) count += hist[level++];
                c.level = level;
                c.below = count;
            }
            c.out[x] = static_cast<std::uint8_t>(c.level);
            c.x = x + 1;
        }
    }
}

// Comparators (low, high) of Batcher's odd-even merge sort of `size` values (a power of two),
// keeping only those that reach the entry `wanted`.
std::vector<std::pair<int, int>> selectionNetwork(int size, int wanted)
{
    std::vector<std::pair<int, int>> all;
    for (int p = 1; p < size; p <<= 1)
        for (int k = p; k >= 1; k >>= 1)
            for (int j = k % p; j + k < size; j += 2 * k)
                for (int i = 0; i < std::min(k, size - j - k); ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) all.emplace_back(i + j, i + j + k);
    std::vector<bool> live(static_cast<std::size_t>(size), false);
    live[static_cast<std::size_t>(wanted)] = true;
    std::vector<std::pair<int, int>> kept;
    for (auto c = all.rbegin(); c != all.rend(); ++c) {
        if (!live[c->first] && !live[c->second]) continue;
        live[c->first] = live[c->second] = true;
        kept.push_back(*c);
    }
    return {kept.rbegin(), kept.rend()};
}

#if defined(__x86_64__) || defined(__i386__)
bool medianNetworkAvailable()
{
    return vectorUnitsInUse().avx2;
}

// The median of an n × n window (n² ≤ 64) for 32 pixels at a time: the n² values, padded to the
// network size with as many zeros as 255s (one extra 255 when the padding is odd), go through the
// comparators and the wanted entry is the median. padded[j] is window row j with its columns
// limited to the picture, half columns before x = 0 and enough after the last to read whole blocks.
__attribute__((target("avx2"))) void medianRowNetwork(std::uint8_t *out, const std::uint8_t *const *padded, int n, int width,
                                                      int size, const std::vector<std::pair<int, int>> &network)
{
    __m256i v[64];
    const int values = n * n;
    const int zeros = (size - values) / 2;
    for (int x = 0; x < width; x += 32) {
        int k = 0;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) v[k++] = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(padded[j] + x + i));
        for (int z = 0; z < zeros; ++z) v[k++] = _mm256_setzero_si256();
        while (k < size) v[k++] = _mm256_set1_epi8(static_cast<char>(0xff));
        for (const auto &[a, b] : network) {
            const __m256i low = _mm256_min_epu8(v[a], v[b]);
            v[b] = _mm256_max_epu8(v[a], v[b]);
            v[a] = low;
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x), v[values / 2 + zeros]);
    }
}
#endif

bool medianColumnHistogramsAvailable()
{
    return vectorUnitsInUse().avx512;
}

// The median level of a window histogram held as 256 8-bit counts (total n² ≤ 225) in four
// registers, with its bytes also stored at `bins`: the smallest level m whose count of values
// ≤ m exceeds `middle`. Counts of groups of 8 bins and their running sums find the group, the
// running sum of the group's 8 bins finds the level; no loop, nothing carried between pixels.
__attribute__((target("avx2,avx512f,avx512bw"))) inline int histogramMedian(const __m512i h[4], const std::uint8_t *bins,
                                                                          int middle)
{
    const __m512i zero = _mm512_setzero_si512();
    // 32 group counts, each ≤ 225, as bytes: groups 0-15 in lo, 16-31 in hi.
    const __m128i g0 = _mm512_maskz_cvtepi64_epi8(0xFF, _mm512_sad_epu8(h[0], zero));
    const __m128i g1 = _mm512_maskz_cvtepi64_epi8(0xFF, _mm512_sad_epu8(h[1], zero));
    const __m128i g2 = _mm512_maskz_cvtepi64_epi8(0xFF, _mm512_sad_epu8(h[2], zero));
    const __m128i g3 = _mm512_maskz_cvtepi64_epi8(0xFF, _mm512_sad_epu8(h[3], zero));
    __m128i lo = _mm_unpacklo_epi64(g0, g1);
    __m128i hi = _mm_unpacklo_epi64(g2, g3);
    // Running sums (they never pass 225, so bytes hold them).
    lo = _mm_add_epi8(lo, _mm_slli_si128(lo, 1));
    hi = _mm_add_epi8(hi, _mm_slli_si128(hi, 1));
    lo = _mm_add_epi8(lo, _mm_slli_si128(lo, 2));
    hi = _mm_add_epi8(hi, _mm_slli_si128(hi, 2));
    lo = _mm_add_epi8(lo, _mm_slli_si128(lo, 4));
    hi = _mm_add_epi8(hi, _mm_slli_si128(hi, 4));
    lo = _mm_add_epi8(lo, _mm_slli_si128(lo, 8));
    hi = _mm_add_epi8(hi, _mm_slli_si128(hi, 8));
    hi = _mm_add_epi8(hi, _mm_shuffle_epi8(lo, _mm_set1_epi8(15)));
    // First group whose running sum exceeds middle (≥ middle + 1, compared unsigned).
    const __m128i limit = _mm_set1_epi8(static_cast<char>(middle + 1));
    const unsigned over = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(lo, limit), lo))) |
                          (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(hi, limit), hi))) << 16);
    const int group = __builtin_ctz(over);
    alignas(16) std::uint8_t sums[32];
    _mm_store_si128(reinterpret_cast<__m128i *>(sums), lo);
    _mm_store_si128(reinterpret_cast<__m128i *>(sums + 16), hi);
    const int before = group ? sums[group - 1] : 0;
    // Running sums of the group's 8 bins, one byte each; the first one above middle − before.
    std::uint64_t eight;
    std::memcpy(&eight, bins + 8 * group, 8);
    const std::uint64_t running = eight * 0x0101010101010101ull;
    const __m128i r = _mm_cvtsi64_si128(static_cast<long long>(running));
    const __m128i target = _mm_set1_epi8(static_cast<char>(middle - before + 1));
    const unsigned reached = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(r, target), r))) & 0xffu;
    return 8 * group + __builtin_ctz(reached);
}

// Large windows with a histogram per column (counts of one column's n values, 8 bits each) and
// the window's histogram as the sum of its n columns: moving right adds one column's histogram
// and takes away another, 256 bins at a time, whatever n is, and the median is read off the
// window's histogram afresh (histogramMedian). Moving down changes each column's histogram by one
// value out and one in. The picture is done in bands of rows and strips of columns so that a
// strip's column histograms stay in cache.
// Rows band0 .. band1 − 1, with column histograms of their own.
__attribute__((target("avx2,avx512f,avx512bw"))) void medianColumnHistogramBand(
    std::uint8_t *const planes[3], const std::uint8_t *const copies[3], int width, int height, int n, int band0,
    int band1)
{
    constexpr int stripWidth = 256;
    const int half = n / 2;
    const int middle = n * n / 2;
    const std::size_t planeBytes = static_cast<std::size_t>(stripWidth + 2 * half) * 256;
    auto rowOf = [&](int p, int y) { return copies[p] + static_cast<std::size_t>(std::clamp(y, 0, height - 1)) * width; };
    {
        std::vector<std::uint8_t> storage(3 * planeBytes + 64);
        // 64-byte aligned column histograms, one set per plane.
        std::uint8_t *base = reinterpret_cast<std::uint8_t *>((reinterpret_cast<std::uintptr_t>(storage.data()) + 63) & ~std::uintptr_t(63));
        std::uint8_t *columns[3] = {base, base + planeBytes, base + 2 * planeBytes};
        alignas(64) std::uint8_t window[3][256];
        for (int x0 = 0; x0 < width; x0 += stripWidth) {
            const int x1 = std::min(width, x0 + stripWidth);
            const int used = (x1 - x0) + 2 * half; // positions c ↔ columns x0 − half + c
            for (int p = 0; p < 3; ++p) {
                // Column histograms for the band's first row.
                std::memset(columns[p], 0, static_cast<std::size_t>(used) * 256);
                for (int j = 0; j < n; ++j) {
                    const std::uint8_t *row = rowOf(p, band0 + j - half);
                    for (int c = 0; c < used; ++c) ++columns[p][c * 256 + row[std::clamp(x0 - half + c, 0, width - 1)]];
                }
            }
            for (int y = band0; y < band1; ++y) {
                __m512i h[3][4];
                std::uint8_t *out[3];
                for (int p = 0; p < 3; ++p) {
                    std::uint8_t *col = columns[p];
                    if (y > band0) {
                        const std::uint8_t *leaving = rowOf(p, y - 1 - half);
                        const std::uint8_t *entering = rowOf(p, y + half);
                        for (int c = 0; c < used; ++c) {
                            const int column = std::clamp(x0 - half + c, 0, width - 1);
                            --col[c * 256 + leaving[column]];
                            ++col[c * 256 + entering[column]];
                        }
                    }
                    for (int k = 0; k < 4; ++k) h[p][k] = _mm512_setzero_si512();
                    for (int c = 0; c < n; ++c)
                        for (int k = 0; k < 4; ++k) h[p][k] = _mm512_add_epi8(h[p][k], _mm512_load_si512(col + c * 256 + 64 * k));
                    out[p] = planes[p] + static_cast<std::size_t>(y) * width;
                }
                // The three planes side by side: independent work for the processor to overlap.
                for (int x = x0;;) {
                    for (int p = 0; p < 3; ++p) {
                        for (int k = 0; k < 4; ++k) _mm512_store_si512(window[p] + 64 * k, h[p][k]);
                        out[p][x] = static_cast<std::uint8_t>(histogramMedian(h[p], window[p], middle));
                    }
                    if (++x >= x1) break;
                    for (int p = 0; p < 3; ++p) {
                        const std::uint8_t *in = columns[p] + (x - x0 + 2 * half) * 256;
                        const std::uint8_t *gone = columns[p] + (x - x0 - 1) * 256;
                        for (int k = 0; k < 4; ++k)
                            h[p][k] = _mm512_sub_epi8(_mm512_add_epi8(h[p][k], _mm512_load_si512(in + 64 * k)), _mm512_load_si512(gone + 64 * k));
                    }
                }
            }
        }
    }
}

// Bands of rows on the worker threads; a band builds its histograms from n rows, so it is
// worth it from 4n rows on.
void medianColumnHistograms(std::uint8_t *const planes[3], const std::uint8_t *const copies[3], int width, int height,
                            int n, const colorFilter &filter)
{
    filter.forEachRowBand([&](int band0, int band1) { medianColumnHistogramBand(planes, copies, width, height, n, band0, band1); },
                          4 * n);
}
} // namespace

// The median is entry n²/2 of the sorted window, border rows and columns repeated as the clamped
// window counts them; every method below gives exactly that entry:
//   3 × 3: the column-sorting network (medianRow3);
//   7 × 7 and larger, with AVX-512: column histograms (medianColumnHistograms);
//   5 × 5 and 7 × 7, with AVX2: pruned sorting networks (medianRowNetwork);
//   otherwise: a 256-bin histogram that slides along the row, moving one pixel right removing the
//   column that leaves and adding the one that enters, with the median tracked as the level m
//   with count(< m) ≤ n²/2 < count(≤ m).
void colorFilter::medianFilter()
{
    const int n = medianSize | 1;
    if (n < 1 || width < 1 || height < 1) return;
    const int half = n / 2;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};

    if (n == 3) {
        // In place, like sharpen: row y is saved before it is written and row y − 1 is read from
        // that copy, row y + 1 is still untouched; the rows just outside a band come from copies
        // taken before any band began. Border rows repeat themselves.
        const std::vector<int> edges = rowBands(height);
        const bandNeighbours originals(planes, 3, width, height, edges, 1);
        forEachBand(
            edges,
            [&](int first, int end) {
                std::vector<std::uint8_t> sorted(3 * (static_cast<std::size_t>(width) + 2));
                std::uint8_t *lo = sorted.data(), *mid = lo + width + 2, *hi = mid + width + 2;
                std::vector<std::uint8_t> saved(3 * 2 * static_cast<std::size_t>(width));
                auto savedRow = [&](int p, int y) {
                    return saved.data() + (static_cast<std::size_t>(p) * 2 + (y & 1)) * width;
                };
                for (int y = first; y < end; ++y)
                    for (int p = 0; p < 3; ++p) {
                        std::uint8_t *out = planes[p] + static_cast<std::size_t>(y) * width;
                        std::uint8_t *row = savedRow(p, y);
                        std::memcpy(row, out, static_cast<std::size_t>(width));
                        const std::uint8_t *above =
                            y == 0 ? row : y == first ? originals.row(first, p, y - 1) : savedRow(p, y - 1);
                        const std::uint8_t *below =
                            y == height - 1 ? row : y + 1 < end ? out + width : originals.row(first, p, y + 1);
                        medianRow3(out, above, row, below, width, lo, mid, hi);
                    }
            },
            [this](int y) { reportRow(y); });
        return;
    }

    pictureBytes copies[3];
    for (int p = 0; p < 3; ++p) {
        copies[p] = borrowPictureBytes(count);
        copyInPieces(copies[p].get(), planes[p], count);
    }
    auto rowOf = [&](int p, int y) {
        return copies[p].get() + static_cast<std::size_t>(std::clamp(y, 0, height - 1)) * width;
    };

#if defined(__x86_64__) || defined(__i386__)
    if (n >= 7 && n * n < 256 && medianColumnHistogramsAvailable()) {
        const std::uint8_t *const sources[3] = {copies[0].get(), copies[1].get(), copies[2].get()};
        medianColumnHistograms(planes, sources, width, height, n, *this);
        return;
    }
    if ((n == 5 || n == 7) && medianNetworkAvailable()) {
        const int size = n == 5 ? 32 : 64;
        const int zeros = (size - n * n) / 2;
        const std::vector<std::pair<int, int>> network = selectionNetwork(size, n * n / 2 + zeros);
        const std::size_t blocks = (static_cast<std::size_t>(width) + 31) / 32 * 32;
        const std::size_t paddedLength = blocks + 2 * half + 32;
        forEachRowBand([&](int first, int end) {
            std::vector<std::uint8_t> paddedRows(paddedLength * n);
            std::vector<std::uint8_t> result(blocks);
            std::vector<const std::uint8_t *> padded(n);
            for (int j = 0; j < n; ++j) padded[j] = paddedRows.data() + paddedLength * j;
            for (int y = first; y < end; ++y) {
                for (int p = 0; p < 3; ++p) {
                    for (int j = 0; j < n; ++j) {
                        const std::uint8_t *row = rowOf(p, y + j - half);
                        std::uint8_t *target = paddedRows.data() + paddedLength * j;
                        std::memset(target, row[0], static_cast<std::size_t>(half));
                        std::memcpy(target + half, row, static_cast<std::size_t>(width));
                        std::memset(target + half + width, row[width - 1], paddedLength - half - width);
                    }
                    medianRowNetwork(result.data(), padded.data(), n, width, size, network);
                    std::memcpy(planes[p] + static_cast<std::size_t>(y) * width, result.data(), static_cast<std::size_t>(width));
                }
            }
        });
        return;
    }
#endif

    // Column index of window position i for the pixel at x, limited to the picture.
    std::vector<int> columnOf(static_cast<std::size_t>(width) + 2 * half + 1);
    for (int i = 0; i < static_cast<int>(columnOf.size()); ++i) columnOf[i] = std::clamp(i - half, 0, width - 1);
    forEachRowBand([&](int first, int end) {
        std::vector<const std::uint8_t *> rowList[3];
        for (auto &list : rowList) list.resize(static_cast<std::size_t>(n));
        const std::uint8_t *const *rows[3] = {rowList[0].data(), rowList[1].data(), rowList[2].data()};
        for (int y = first; y < end; ++y) {
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
        }
    });
}
