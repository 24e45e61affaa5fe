// Kernel filters: sharpen (15), soft focus (16), emboss (4) and motion blur (5).
//
// The filters work row by row on whole rows of samples, so that the inner loops run over
// contiguous bytes and vectorise. Each weighted term is (w · v) >> 8 with w ≤ 256; it is formed
// exactly as the high half of (v << 8) · w, one 16-bit multiply per sample. The x-range of every
// kernel tap is cut to the picture, which is exactly the "neighbour inside the picture" rule.
// Every real-number step (sharpen and emboss scaling, the soft-focus mix) is done in double
// precision in the same order as the scalar formula, so the results are byte-identical to it.
#include "colorfilter.h"
#include "imagedata/picturememory.h"
#include "colorcontrol.h"
#include "filterkernels.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KORVIA_X86 1
// GCC 12 reports its own 512-bit intrinsics as possibly uninitialised.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {
using plane = pictureBytes;

inline int clampByte(int value)
{
    if (value > 255) value = 255;
    if (value < 0) value = 0;
    return value;
}

bool haveAvx2()
{
#ifdef KORVIA_X86
    static const bool available = __builtin_cpu_supports("avx2");
    return available && kernelVectorPaths() >= 1;
#else
    return false;
#endif
}

bool haveAvx512()
{
#ifdef KORVIA_X86
    static const bool available = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
                                  __builtin_cpu_supports("avx512bw");
    return available && kernelVectorPaths() >= 2;
#else
    return false;
#endif
}

// ---- acc[i] += (w · src[i]) >> 8 over a row ----

void addWeightedRowPlain(std::uint16_t *acc, const std::uint8_t *src, int count, int w)
{
    for (int i = 0; i < count; ++i) acc[i] = static_cast<std::uint16_t>(acc[i] + ((w * src[i]) >> 8));
}

#ifdef KORVIA_X86
__attribute__((target("avx2"))) void addWeightedRowAvx2(std::uint16_t *acc, const std::uint8_t *src, int count, int w)
{
    const __m256i weight = _mm256_set1_epi16(static_cast<short>(w));
    int i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i v0 = _mm256_slli_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i))), 8);
        const __m256i v1 = _mm256_slli_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i + 16))), 8);
        __m256i *a0 = reinterpret_cast<__m256i *>(acc + i);
        __m256i *a1 = reinterpret_cast<__m256i *>(acc + i + 16);
        _mm256_storeu_si256(a0, _mm256_add_epi16(_mm256_loadu_si256(a0), _mm256_mulhi_epu16(v0, weight)));
        _mm256_storeu_si256(a1, _mm256_add_epi16(_mm256_loadu_si256(a1), _mm256_mulhi_epu16(v1, weight)));
    }
    for (; i + 16 <= count; i += 16) {
        const __m256i v = _mm256_slli_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i))), 8);
        __m256i *a = reinterpret_cast<__m256i *>(acc + i);
        _mm256_storeu_si256(a, _mm256_add_epi16(_mm256_loadu_si256(a), _mm256_mulhi_epu16(v, weight)));
    }
    addWeightedRowPlain(acc + i, src + i, count - i, w);
}

// acc32[i] += acc16[i]
__attribute__((target("avx2"))) void widenAddAvx2(std::uint32_t *acc32, const std::uint16_t *acc16, int count)
{
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i *a = reinterpret_cast<__m256i *>(acc32 + i);
        const __m256i v = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(acc16 + i)));
        _mm256_storeu_si256(a, _mm256_add_epi32(_mm256_loadu_si256(a), v));
    }
    for (; i < count; ++i) acc32[i] += acc16[i];
}
#endif

void addWeightedRow(std::uint16_t *acc, const std::uint8_t *src, int count, int w)
{
#ifdef KORVIA_X86
    if (haveAvx2()) return addWeightedRowAvx2(acc, src, count, w);
#endif
    addWeightedRowPlain(acc, src, count, w);
}

#ifdef KORVIA_X86
__attribute__((target("avx2,avx512f,avx512bw"))) void widenAddWide(std::uint32_t *acc32, const std::uint16_t *acc16, int count)
{
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i v = _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(acc16 + i)));
        _mm512_storeu_si512(acc32 + i, _mm512_add_epi32(_mm512_loadu_si512(acc32 + i), v));
    }
    widenAddAvx2(acc32 + i, acc16 + i, count - i);
}
#endif

void widenAdd(std::uint32_t *acc32, const std::uint16_t *acc16, int count)
{
#ifdef KORVIA_X86
    if (haveAvx512()) return widenAddWide(acc32, acc16, count);
    if (haveAvx2()) return widenAddAvx2(acc32, acc16, count);
#endif
    for (int i = 0; i < count; ++i) acc32[i] += acc16[i];
}

// One non-zero kernel weight at (dx, dy).
struct tap {
    int dx;
    int dy;
    int w;
};

// Adds the taps of one kernel row (all with the same dy) for the outputs from..to−1 of a row into
// acc, each tap's x-range cut to the picture.
void addKernelRow(std::uint16_t *acc, const std::uint8_t *source, int width, int sourceRow,
                  const tap *taps, std::size_t tapCount, int from, int to)
{
    const std::uint8_t *row = source + static_cast<std::size_t>(sourceRow) * width;
    for (std::size_t t = 0; t < tapCount; ++t) {
        const int dx = taps[t].dx;
        const int x0 = std::max(from, -dx);
        const int x1 = std::min(to, width - dx);
        if (x1 > x0) addWeightedRow(acc + x0, row + x0 + dx, x1 - x0, taps[t].w);
    }
}

// The taps of one kernel row together with the source row they read.
struct tapRow {
    const std::uint8_t *row;
    const tap *taps;
    int count;
};

#ifdef KORVIA_X86
// The kernel rows dyTop .. dyBottom (rowTaps[centre + dy]) that have taps, each with the row of
// plane it reads around output row y; returns how many were written to rows.
int tapRowsAround(tapRow *rows, const std::vector<std::vector<tap>> &rowTaps, int centre, const std::uint8_t *plane,
                  int width, int y, int dyTop, int dyBottom)
{
    int rowCount = 0;
    for (int dy = dyTop; dy <= dyBottom; ++dy) {
        const std::vector<tap> &taps = rowTaps[dy + centre];
        if (taps.empty()) continue;
        rows[rowCount++] = {plane + static_cast<std::size_t>(y + dy) * width, taps.data(), static_cast<int>(taps.size())};
    }
    return rowCount;
}

// Blocks of 32 outputs from `from` on, while a block ends at or before `to`, with every tap inside
// the picture (the caller keeps from + dx ≥ 0 and to + dx ≤ width for all taps). The 32 source
// bytes of a tap are read as 16 pairs: the even samples shifted up by 8 and the odd samples masked
// in place both become v · 256, whose product with w keeps (w · v) >> 8 in its high half. Sums
// stay in registers. Returns where the blocks end.

// 16-bit sums over all rows (the whole sum must fit 16 bits), stored in order into acc.
__attribute__((target("avx2"))) int blockSums16(std::uint16_t *acc, const tapRow *rows, int rowCount, int from, int to)
{
    const __m256i oddMask = _mm256_set1_epi16(static_cast<short>(0xff00));
    int x = from;
    for (; x + 32 <= to; x += 32) {
        __m256i even = _mm256_setzero_si256(), odd = _mm256_setzero_si256();
        for (int r = 0; r < rowCount; ++r) {
            const std::uint8_t *row = rows[r].row + x;
            for (int t = 0; t < rows[r].count; ++t) {
                const __m256i w = _mm256_set1_epi16(static_cast<short>(rows[r].taps[t].w));
                const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + rows[r].taps[t].dx));
                even = _mm256_add_epi16(even, _mm256_mulhi_epu16(_mm256_slli_epi16(v, 8), w));
                odd = _mm256_add_epi16(odd, _mm256_mulhi_epu16(_mm256_and_si256(v, oddMask), w));
            }
        }
        const __m256i lo = _mm256_unpacklo_epi16(even, odd); // x 0-7 | 16-23
        const __m256i hi = _mm256_unpackhi_epi16(even, odd); // x 8-15 | 24-31
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(acc + x), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(acc + x + 16), _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    return x;
}

// 16-bit sums per kernel row (one row adds at most its tap count · 255), widened into 32-bit sums
// over the rows and stored in order into acc.
__attribute__((target("avx2"))) int blockSums32(std::uint32_t *acc, const tapRow *rows, int rowCount, int from, int to)
{
    const __m256i oddMask = _mm256_set1_epi16(static_cast<short>(0xff00));
    int x = from;
    for (; x + 32 <= to; x += 32) {
        __m256i e0 = _mm256_setzero_si256(), e1 = _mm256_setzero_si256();
        __m256i o0 = _mm256_setzero_si256(), o1 = _mm256_setzero_si256();
        for (int r = 0; r < rowCount; ++r) {
            const std::uint8_t *row = rows[r].row + x;
            __m256i even = _mm256_setzero_si256(), odd = _mm256_setzero_si256();
            for (int t = 0; t < rows[r].count; ++t) {
                const __m256i w = _mm256_set1_epi16(static_cast<short>(rows[r].taps[t].w));
                const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + rows[r].taps[t].dx));
                even = _mm256_add_epi16(even, _mm256_mulhi_epu16(_mm256_slli_epi16(v, 8), w));
                odd = _mm256_add_epi16(odd, _mm256_mulhi_epu16(_mm256_and_si256(v, oddMask), w));
            }
            e0 = _mm256_add_epi32(e0, _mm256_cvtepu16_epi32(_mm256_castsi256_si128(even)));  // x 0,2..14
            e1 = _mm256_add_epi32(e1, _mm256_cvtepu16_epi32(_mm256_extracti128_si256(even, 1))); // x 16..30
            o0 = _mm256_add_epi32(o0, _mm256_cvtepu16_epi32(_mm256_castsi256_si128(odd)));   // x 1..15
            o1 = _mm256_add_epi32(o1, _mm256_cvtepu16_epi32(_mm256_extracti128_si256(odd, 1)));  // x 17..31
        }
        const __m256i lo0 = _mm256_unpacklo_epi32(e0, o0); // x 0-3 | 8-11
        const __m256i hi0 = _mm256_unpackhi_epi32(e0, o0); // x 4-7 | 12-15
        const __m256i lo1 = _mm256_unpacklo_epi32(e1, o1);
        const __m256i hi1 = _mm256_unpackhi_epi32(e1, o1);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(acc + x), _mm256_permute2x128_si256(lo0, hi0, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(acc + x + 8), _mm256_permute2x128_si256(lo0, hi0, 0x31));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(acc + x + 16), _mm256_permute2x128_si256(lo1, hi1, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(acc + x + 24), _mm256_permute2x128_si256(lo1, hi1, 0x31));
    }
    return x;
}
#endif

#ifdef KORVIA_X86
// The same blocks with 64 outputs and 512-bit registers.
__attribute__((target("avx2,avx512f,avx512bw"))) inline void storeInOrder16(std::uint16_t *acc, __m512i even, __m512i odd)
{
    // unpack works within 128-bit lanes: lo holds x 0-7, 16-23, 32-39, 48-55 and hi the rest.
    const __m512i lo = _mm512_unpacklo_epi16(even, odd);
    const __m512i hi = _mm512_unpackhi_epi16(even, odd);
    const __m512i first = _mm512_set_epi64(11, 10, 3, 2, 9, 8, 1, 0);
    const __m512i second = _mm512_set_epi64(15, 14, 7, 6, 13, 12, 5, 4);
    _mm512_storeu_si512(acc, _mm512_permutex2var_epi64(lo, first, hi));
    _mm512_storeu_si512(acc + 32, _mm512_permutex2var_epi64(lo, second, hi));
}

__attribute__((target("avx2,avx512f,avx512bw"))) inline void storeInOrder32(std::uint32_t *acc, __m512i even, __m512i odd)
{
    const __m512i lo = _mm512_unpacklo_epi32(even, odd);
    const __m512i hi = _mm512_unpackhi_epi32(even, odd);
    const __m512i first = _mm512_set_epi64(11, 10, 3, 2, 9, 8, 1, 0);
    const __m512i second = _mm512_set_epi64(15, 14, 7, 6, 13, 12, 5, 4);
    _mm512_storeu_si512(acc, _mm512_permutex2var_epi64(lo, first, hi));
    _mm512_storeu_si512(acc + 16, _mm512_permutex2var_epi64(lo, second, hi));
}

__attribute__((target("avx2,avx512f,avx512bw"))) int blockSums16Wide(std::uint16_t *acc, const tapRow *rows, int rowCount,
                                                                    int from, int to)
{
    const __m512i oddMask = _mm512_set1_epi16(static_cast<short>(0xff00));
    int x = from;
    // Two blocks per pass share each weight's broadcast.
    for (; x + 128 <= to; x += 128) {
        __m512i even0 = _mm512_setzero_si512(), odd0 = _mm512_setzero_si512();
        __m512i even1 = _mm512_setzero_si512(), odd1 = _mm512_setzero_si512();
        for (int r = 0; r < rowCount; ++r) {
            const std::uint8_t *row = rows[r].row + x;
            for (int t = 0; t < rows[r].count; ++t) {
                const __m512i w = _mm512_set1_epi16(static_cast<short>(rows[r].taps[t].w));
                const __m512i v0 = _mm512_loadu_si512(row + rows[r].taps[t].dx);
                const __m512i v1 = _mm512_loadu_si512(row + rows[r].taps[t].dx + 64);
                even0 = _mm512_add_epi16(even0, _mm512_mulhi_epu16(_mm512_slli_epi16(v0, 8), w));
                odd0 = _mm512_add_epi16(odd0, _mm512_mulhi_epu16(_mm512_and_si512(v0, oddMask), w));
                even1 = _mm512_add_epi16(even1, _mm512_mulhi_epu16(_mm512_slli_epi16(v1, 8), w));
                odd1 = _mm512_add_epi16(odd1, _mm512_mulhi_epu16(_mm512_and_si512(v1, oddMask), w));
            }
        }
        storeInOrder16(acc + x, even0, odd0);
        storeInOrder16(acc + x + 64, even1, odd1);
    }
    for (; x + 64 <= to; x += 64) {
        __m512i even = _mm512_setzero_si512(), odd = _mm512_setzero_si512();
        for (int r = 0; r < rowCount; ++r) {
            const std::uint8_t *row = rows[r].row + x;
            for (int t = 0; t < rows[r].count; ++t) {
                const __m512i w = _mm512_set1_epi16(static_cast<short>(rows[r].taps[t].w));
                const __m512i v = _mm512_loadu_si512(row + rows[r].taps[t].dx);
                even = _mm512_add_epi16(even, _mm512_mulhi_epu16(_mm512_slli_epi16(v, 8), w));
                odd = _mm512_add_epi16(odd, _mm512_mulhi_epu16(_mm512_and_si512(v, oddMask), w));
            }
        }
        storeInOrder16(acc + x, even, odd);
    }
    return x;
}

__attribute__((target("avx2,avx512f,avx512bw"))) int blockSums32Wide(std::uint32_t *acc, const tapRow *rows, int rowCount,
                                                                    int from, int to)
{
    const __m512i oddMask = _mm512_set1_epi16(static_cast<short>(0xff00));
    int x = from;
    for (; x + 64 <= to; x += 64) {
        __m512i e0 = _mm512_setzero_si512(), e1 = _mm512_setzero_si512();
        __m512i o0 = _mm512_setzero_si512(), o1 = _mm512_setzero_si512();
        for (int r = 0; r < rowCount; ++r) {
            const std::uint8_t *row = rows[r].row + x;
            __m512i even = _mm512_setzero_si512(), odd = _mm512_setzero_si512();
            for (int t = 0; t < rows[r].count; ++t) {
                const __m512i w = _mm512_set1_epi16(static_cast<short>(rows[r].taps[t].w));
                const __m512i v = _mm512_loadu_si512(row + rows[r].taps[t].dx);
                even = _mm512_add_epi16(even, _mm512_mulhi_epu16(_mm512_slli_epi16(v, 8), w));
                odd = _mm512_add_epi16(odd, _mm512_mulhi_epu16(_mm512_and_si512(v, oddMask), w));
            }
            e0 = _mm512_add_epi32(e0, _mm512_cvtepu16_epi32(_mm512_castsi512_si256(even)));      // x 0, 2 .. 30
            e1 = _mm512_add_epi32(e1, _mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(even, 1))); // x 32 .. 62
            o0 = _mm512_add_epi32(o0, _mm512_cvtepu16_epi32(_mm512_castsi512_si256(odd)));
            o1 = _mm512_add_epi32(o1, _mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(odd, 1)));
        }
        storeInOrder32(acc + x, e0, o0);
        storeInOrder32(acc + x + 32, e1, o1);
    }
    return x;
}
#endif

// Widest reach of the taps to the left and to the right.
void tapReach(const std::vector<std::vector<tap>> &rowTaps, int &left, int &right)
{
    left = 0;
    right = 0;
    for (const auto &taps : rowTaps)
        for (const tap &t : taps) {
            left = std::max(left, -t.dx);
            right = std::max(right, t.dx);
        }
}

// ---- sharpen rows ----

void sharpenRowPlain(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down,
                     int from, int to, double f)
{
    for (int x = from; x < to; ++x) {
        const int centre = mid[x];
        const int laplace = up[x] + down[x] + mid[x - 1] + mid[x + 1] - 4 * centre;
        const int b = static_cast<int>(laplace * f);
        out[x] = static_cast<std::uint8_t>(clampByte(centre - b));
    }
}

#ifdef KORVIA_X86
__attribute__((target("avx2"))) inline __m128i loadBytes4(const std::uint8_t *p)
{
    int v;
    std::memcpy(&v, p, 4);
    return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(v));
}

// trunc(value · factor) for four integers, in double precision.
__attribute__((target("avx2"))) inline __m128i scaleTruncate(__m128i value, __m256d factor)
{
    return _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(value), factor));
}

__attribute__((target("avx2"))) void sharpenRowAvx2(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid,
                                                    const std::uint8_t *down, int from, int to, double f)
{
    const __m256d factor = _mm256_set1_pd(f);
    int x = from;
    for (; x + 16 <= to; x += 16) {
        __m128i result[4];
        for (int k = 0; k < 4; ++k) {
            const int at = x + 4 * k;
            const __m128i c = loadBytes4(mid + at);
            __m128i l = _mm_add_epi32(_mm_add_epi32(loadBytes4(up + at), loadBytes4(down + at)),
                                      _mm_add_epi32(loadBytes4(mid + at - 1), loadBytes4(mid + at + 1)));
            l = _mm_sub_epi32(l, _mm_slli_epi32(c, 2));
            result[k] = _mm_sub_epi32(c, scaleTruncate(l, factor));
        }
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(result[0], result[1]), _mm_packs_epi32(result[2], result[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), packed);
    }
    sharpenRowPlain(out, up, mid, down, x, to, f);
}
#endif

// ---- emboss rows ----

// The grey level the brightness/chroma/hue step gives with chroma −255: with no chroma left the
// conversion back returns the luma on all three channels.
void lumaRowPlain(std::uint8_t *grey, const std::uint8_t *r, const std::uint8_t *g, const std::uint8_t *b, int count)
{
    // Only the luma of rgbToYhc is needed: the same expression without the hue and chroma.
    for (int i = 0; i < count; ++i) {
        const double red = r[i], green = g[i], blue = b[i];
        grey[i] = static_cast<std::uint8_t>(clampByte(static_cast<int>(0.3 * red + 0.59 * green + 0.11 * blue)));
    }
}

#ifdef KORVIA_X86
__attribute__((target("avx2"))) void lumaRowAvx2(std::uint8_t *grey, const std::uint8_t *r, const std::uint8_t *g,
                                                 const std::uint8_t *b, int count)
{
    const __m256d wr = _mm256_set1_pd(0.3), wg = _mm256_set1_pd(0.59), wb = _mm256_set1_pd(0.11);
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i y[4];
        for (int k = 0; k < 4; ++k) {
            const int at = i + 4 * k;
            const __m256d vr = _mm256_cvtepi32_pd(loadBytes4(r + at));
            const __m256d vg = _mm256_cvtepi32_pd(loadBytes4(g + at));
            const __m256d vb = _mm256_cvtepi32_pd(loadBytes4(b + at));
            const __m256d sum = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(wr, vr), _mm256_mul_pd(wg, vg)), _mm256_mul_pd(wb, vb));
            y[k] = _mm256_cvttpd_epi32(sum);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(grey + i),
                         _mm_packus_epi16(_mm_packs_epi32(y[0], y[1]), _mm_packs_epi32(y[2], y[3])));
    }
    lumaRowPlain(grey + i, r + i, g + i, b + i, count - i);
}
#endif

void lumaRow(std::uint8_t *grey, const std::uint8_t *r, const std::uint8_t *g, const std::uint8_t *b, int count)
{
#ifdef KORVIA_X86
    if (haveAvx2()) return lumaRowAvx2(grey, r, g, b, count);
#endif
    lumaRowPlain(grey, r, g, b, count);
}

// Relief of the inner pixels from..to−1 of one row; rows[0..2] are the grey rows y − 1, y, y + 1.
void embossRowPlain(std::uint8_t *const out[3], const std::uint8_t *const rows[3], int from, int to,
                    const int *kernel, int level, const int base[3])
{
    for (int x = from; x < to; ++x) {
        int s = 0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) s += kernel[r * 3 + c] * rows[r][x + c - 1];
        const int relief = static_cast<int>(s * level * 0.01);
        for (int p = 0; p < 3; ++p) out[p][x] = static_cast<std::uint8_t>(clampByte(relief + base[p]));
    }
}

#ifdef KORVIA_X86
__attribute__((target("avx2"))) void embossRowAvx2(std::uint8_t *const out[3], const std::uint8_t *const rows[3], int from,
                                                   int to, const int *kernel, int level, const int base[3])
{
    const __m256d hundredth = _mm256_set1_pd(0.01);
    const __m128i levelV = _mm_set1_epi32(level);
    __m128i weights[9];
    for (int k = 0; k < 9; ++k) weights[k] = _mm_set1_epi32(kernel[k]);
    const __m128i bases[3] = {_mm_set1_epi16(static_cast<short>(base[0])), _mm_set1_epi16(static_cast<short>(base[1])),
                              _mm_set1_epi16(static_cast<short>(base[2]))};
    int x = from;
    for (; x + 16 <= to; x += 16) {
        __m128i relief[4];
        for (int k = 0; k < 4; ++k) {
            const int at = x + 4 * k;
            __m128i s = _mm_setzero_si128();
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    s = _mm_add_epi32(s, _mm_mullo_epi32(weights[r * 3 + c], loadBytes4(rows[r] + at + c - 1)));
            relief[k] = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm_mullo_epi32(s, levelV)), hundredth));
        }
        const __m128i lo = _mm_packs_epi32(relief[0], relief[1]);
        const __m128i hi = _mm_packs_epi32(relief[2], relief[3]);
        for (int p = 0; p < 3; ++p)
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out[p] + x),
                             _mm_packus_epi16(_mm_add_epi16(lo, bases[p]), _mm_add_epi16(hi, bases[p])));
    }
    embossRowPlain(out, rows, x, to, kernel, level, base);
}
#endif

// ---- exact integer scaling for sharpen and emboss ----
//
// Both filters scale a small integer v (sharpen's Laplacian, emboss's kernel sum) by a double and
// truncate. For a given parameter the results form a table over every possible v, made with the
// very same double expression as the row loops above. When a multiply-shift
//     q(|v|) = (((|v| << pre) · multiplier) >> 16) >> post,  result = sign(v) · q(|v|)
// reproduces that table for every v in −range..range, the vector rows use it in 16-bit lanes;
// otherwise the double loops run. The search checks the whole table, so the choice can never
// change a byte.
struct mulShift {
    int pre = 0;
    int multiplier = 0;
    int post = 0;
    bool valid = false;
};

inline int mulShiftMagnitude(const mulShift &m, int magnitude)
{
    const unsigned widened = static_cast<unsigned>(magnitude) << m.pre;
    return static_cast<int>(((widened * static_cast<unsigned>(m.multiplier)) >> 16) >> m.post);
}

// table[v + range] is the wanted result for v; range << pre must stay within 16 bits, and every
// result within ±limit so that the lanes' later sums cannot overflow.
mulShift findMulShift(const std::vector<int> &table, int range, int pre, double factor, int limit)
{
    mulShift found;
    if (factor < 0 || (range << pre) > 65535) return found;
    for (int v = -range; v <= range; ++v)
        if (table[v + range] > limit || table[v + range] < -limit) return found;
    for (int post = 0; post <= 15 && !found.valid; ++post) {
        const double scaled = std::ldexp(factor, 16 - pre + post);
        if (scaled > 65536.0) break;
        const int estimate = static_cast<int>(scaled);
        for (int candidate = estimate; candidate <= estimate + 2 && candidate <= 65535; ++candidate) {
            if (candidate < 0) continue;
            const mulShift m{pre, candidate, post, true};
            bool equal = true;
            for (int v = 0; v <= range && equal; ++v) {
                const int q = mulShiftMagnitude(m, v);
                equal = table[range + v] == q && table[range - v] == -q;
            }
            if (equal) {
                found = m;
                break;
            }
        }
    }
    return found;
}

// Laplacians lie in −1020..1020: 1020 << 6 still fits 16 bits.
constexpr int laplaceRange = 1020;

mulShift sharpenScaling(double f)
{
    // Factors this large could never fit the 16-bit lanes; do not even build their table.
    if (!(f >= 0 && f < 64)) return {};
    std::vector<int> table(2 * laplaceRange + 1);
    for (int laplace = -laplaceRange; laplace <= laplaceRange; ++laplace)
        table[laplace + laplaceRange] = static_cast<int>(laplace * f);
    return findMulShift(table, laplaceRange, 6, f, 32767 - 255);
}

// Kernel sums of a 3 × 3 relief kernel lie within ±range, range = 255 · the larger of the summed
// positive and the summed negative weights.
int reliefRange(const int *kernel)
{
    int positive = 0, negative = 0;
    for (int k = 0; k < 9; ++k) (kernel[k] > 0 ? positive : negative) += std::abs(kernel[k]);
    return 255 * std::max(positive, negative);
}

mulShift reliefScaling(const int *kernel, int level)
{
    if (level < 0 || level > 10000) return {};
    const int range = reliefRange(kernel);
    int pre = 0;
    while (pre < 15 && (range << (pre + 1)) <= 65535) ++pre;
    std::vector<int> table(2 * static_cast<std::size_t>(range) + 1);
    for (int s = -range; s <= range; ++s) table[s + range] = static_cast<int>(s * level * 0.01);
    return findMulShift(table, range, pre, level * 0.01, 32767 - 255);
}

void sharpenRowScaled(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down,
                      int from, int to, const mulShift &m)
{
    for (int x = from; x < to; ++x) {
        const int centre = mid[x];
        const int laplace = up[x] + down[x] + mid[x - 1] + mid[x + 1] - 4 * centre;
        const int q = mulShiftMagnitude(m, std::abs(laplace));
        out[x] = static_cast<std::uint8_t>(clampByte(centre - (laplace < 0 ? -q : q)));
    }
}

void embossRowScaled(std::uint8_t *const out[3], const std::uint8_t *const rows[3], int from, int to,
                     const int *kernel, const mulShift &m, const int base[3])
{
    for (int x = from; x < to; ++x) {
        int s = 0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) s += kernel[r * 3 + c] * rows[r][x + c - 1];
        const int q = mulShiftMagnitude(m, std::abs(s));
        const int relief = s < 0 ? -q : q;
        for (int p = 0; p < 3; ++p) out[p][x] = static_cast<std::uint8_t>(clampByte(relief + base[p]));
    }
}

#ifdef KORVIA_X86
__attribute__((target("avx2"))) inline __m256i widen16(const std::uint8_t *p)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}

// sign(v) · q(|v|) in 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i scaleLanes(__m256i v, __m128i pre, __m256i multiplier, __m128i post)
{
    const __m256i q = _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_sll_epi16(_mm256_abs_epi16(v), pre), multiplier), post);
    return _mm256_sign_epi16(q, v);
}

// Two rows of 16 signed words → 32 bytes clamped to 0..255, in order.
__attribute__((target("avx2"))) inline void storeClamped(std::uint8_t *out, __m256i lo, __m256i hi)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xd8));
}

__attribute__((target("avx2"))) void sharpenRowScaledAvx2(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid,
                                                          const std::uint8_t *down, int from, int to, const mulShift &m)
{
    const __m128i pre = _mm_cvtsi32_si128(m.pre), post = _mm_cvtsi32_si128(m.post);
    const __m256i multiplier = _mm256_set1_epi16(static_cast<short>(m.multiplier));
    int x = from;
    for (; x + 32 <= to; x += 32) {
        __m256i result[2];
        for (int k = 0; k < 2; ++k) {
            const int at = x + 16 * k;
            const __m256i c = widen16(mid + at);
            __m256i l = _mm256_add_epi16(_mm256_add_epi16(widen16(up + at), widen16(down + at)),
                                         _mm256_add_epi16(widen16(mid + at - 1), widen16(mid + at + 1)));
            l = _mm256_sub_epi16(l, _mm256_slli_epi16(c, 2));
            result[k] = _mm256_sub_epi16(c, scaleLanes(l, pre, multiplier, post));
        }
        storeClamped(out + x, result[0], result[1]);
    }
    sharpenRowScaled(out, up, mid, down, x, to, m);
}

__attribute__((target("avx2"))) void embossRowScaledAvx2(std::uint8_t *const out[3], const std::uint8_t *const rows[3],
                                                         int from, int to, const int *kernel, const mulShift &m,
                                                         const int base[3])
{
    const __m128i pre = _mm_cvtsi32_si128(m.pre), post = _mm_cvtsi32_si128(m.post);
    const __m256i multiplier = _mm256_set1_epi16(static_cast<short>(m.multiplier));
    __m256i weights[9];
    for (int k = 0; k < 9; ++k) weights[k] = _mm256_set1_epi16(static_cast<short>(kernel[k]));
    const __m256i bases[3] = {_mm256_set1_epi16(static_cast<short>(base[0])), _mm256_set1_epi16(static_cast<short>(base[1])),
                              _mm256_set1_epi16(static_cast<short>(base[2]))};
    int x = from;
    for (; x + 32 <= to; x += 32) {
        __m256i relief[2];
        for (int k = 0; k < 2; ++k) {
            const int at = x + 16 * k;
            __m256i s = _mm256_setzero_si256();
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    s = _mm256_add_epi16(s, _mm256_mullo_epi16(weights[r * 3 + c], widen16(rows[r] + at + c - 1)));
            relief[k] = scaleLanes(s, pre, multiplier, post);
        }
        for (int p = 0; p < 3; ++p)
            storeClamped(out[p] + x, _mm256_add_epi16(relief[0], bases[p]), _mm256_add_epi16(relief[1], bases[p]));
    }
    embossRowScaled(out, rows, x, to, kernel, m, base);
}

__attribute__((target("avx2,avx512f,avx512bw"))) inline __m512i widen16Wide(const std::uint8_t *p)
{
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)));
}

__attribute__((target("avx2,avx512f,avx512bw"))) inline __m512i scaleLanesWide(__m512i v, __m128i pre, __m512i multiplier,
                                                                              __m128i post)
{
    const __m512i q = _mm512_srl_epi16(_mm512_mulhi_epu16(_mm512_sll_epi16(_mm512_abs_epi16(v), pre), multiplier), post);
    // sign(v) · q: negate the lanes where v < 0 (q is 0 where v is 0).
    const __mmask32 negative = _mm512_movepi16_mask(v);
    return _mm512_mask_sub_epi16(q, negative, _mm512_setzero_si512(), q);
}

// 32 signed words → 32 bytes clamped to 0..255.
__attribute__((target("avx2,avx512f,avx512bw"))) inline void storeClampedWide(std::uint8_t *out, __m512i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), _mm512_cvtusepi16_epi8(_mm512_max_epi16(v, _mm512_setzero_si512())));
}

__attribute__((target("avx2,avx512f,avx512bw"))) void sharpenRowScaledWide(std::uint8_t *out, const std::uint8_t *up,
                                                                          const std::uint8_t *mid, const std::uint8_t *down,
                                                                          int from, int to, const mulShift &m)
{
    const __m128i pre = _mm_cvtsi32_si128(m.pre), post = _mm_cvtsi32_si128(m.post);
    const __m512i multiplier = _mm512_set1_epi16(static_cast<short>(m.multiplier));
    int x = from;
    for (; x + 32 <= to; x += 32) {
        const __m512i c = widen16Wide(mid + x);
        __m512i l = _mm512_add_epi16(_mm512_add_epi16(widen16Wide(up + x), widen16Wide(down + x)),
                                     _mm512_add_epi16(widen16Wide(mid + x - 1), widen16Wide(mid + x + 1)));
        l = _mm512_sub_epi16(l, _mm512_slli_epi16(c, 2));
        storeClampedWide(out + x, _mm512_sub_epi16(c, scaleLanesWide(l, pre, multiplier, post)));
    }
    sharpenRowScaledAvx2(out, up, mid, down, x, to, m);
}

__attribute__((target("avx2,avx512f,avx512bw"))) void embossRowScaledWide(std::uint8_t *const out[3],
                                                                         const std::uint8_t *const rows[3], int from, int to,
                                                                         const int *kernel, const mulShift &m,
                                                                         const int base[3])
{
    const __m128i pre = _mm_cvtsi32_si128(m.pre), post = _mm_cvtsi32_si128(m.post);
    const __m512i multiplier = _mm512_set1_epi16(static_cast<short>(m.multiplier));
    __m512i weights[9];
    for (int k = 0; k < 9; ++k) weights[k] = _mm512_set1_epi16(static_cast<short>(kernel[k]));
    const __m512i bases[3] = {_mm512_set1_epi16(static_cast<short>(base[0])), _mm512_set1_epi16(static_cast<short>(base[1])),
                              _mm512_set1_epi16(static_cast<short>(base[2]))};
    int x = from;
    for (; x + 32 <= to; x += 32) {
        __m512i s = _mm512_setzero_si512();
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                s = _mm512_add_epi16(s, _mm512_mullo_epi16(weights[r * 3 + c], widen16Wide(rows[r] + x + c - 1)));
        const __m512i relief = scaleLanesWide(s, pre, multiplier, post);
        for (int p = 0; p < 3; ++p) storeClampedWide(out[p] + x, _mm512_add_epi16(relief, bases[p]));
    }
    embossRowScaledAvx2(out, rows, x, to, kernel, m, base);
}

__attribute__((target("avx2,avx512f,avx512bw"))) inline __m512d bytes8(const std::uint8_t *p)
{
    long long v;
    std::memcpy(&v, p, 8);
    return _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(_mm_cvtsi64_si128(v)));
}

// Luma of 16 pixels per step in 8-wide double lanes, in the same order as the plain formula.
__attribute__((target("avx2,avx512f,avx512bw"))) void lumaRowWide(std::uint8_t *grey, const std::uint8_t *r,
                                                                 const std::uint8_t *g, const std::uint8_t *b, int count)
{
    const __m512d wr = _mm512_set1_pd(0.3), wg = _mm512_set1_pd(0.59), wb = _mm512_set1_pd(0.11);
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        __m256i y[2];
        for (int k = 0; k < 2; ++k) {
            const int at = i + 8 * k;
            const __m512d sum = _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(wr, bytes8(r + at)), _mm512_mul_pd(wg, bytes8(g + at))),
                                              _mm512_mul_pd(wb, bytes8(b + at)));
            y[k] = _mm512_cvttpd_epi32(sum);
        }
        // Every luma lies in 0..255.
        const __m512i both = _mm512_inserti64x4(_mm512_castsi256_si512(y[0]), y[1], 1);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(grey + i), _mm512_cvtusepi32_epi8(both));
    }
    lumaRowAvx2(grey + i, r + i, g + i, b + i, count - i);
}

// The luma in integers: the exact value is X / 100 with X = 30r + 59g + 11b. The doubles of the
// plain formula stay within about 1e-13 of it, so wherever X is not a multiple of 100 (the
// fraction is at least 0.01 away from a whole number) their truncation is X / 100. Where X is a
// multiple of 100 the doubles may land just below the whole number; those few pixels take the
// plain formula itself.
inline unsigned lumaQuotient(unsigned x) { return (((x >> 2) * 5243u) >> 16) >> 1; }

bool lumaQuotientExact()
{
    static const bool exact = [] {
        for (unsigned x = 0; x <= 255u * 100; ++x)
            if (lumaQuotient(x) != x / 100) return false;
        return true;
    }();
    return exact;
}

__attribute__((target("avx2"))) void lumaRowExactAvx2(std::uint8_t *grey, const std::uint8_t *r, const std::uint8_t *g,
                                                      const std::uint8_t *b, int count)
{
    const __m256i k30 = _mm256_set1_epi16(30), k59 = _mm256_set1_epi16(59), k11 = _mm256_set1_epi16(11);
    const __m256i k100 = _mm256_set1_epi16(100), magic = _mm256_set1_epi16(5243);
    int i = 0;
    for (; i + 32 <= count; i += 32) {
        __m256i q[2], onStep[2];
        for (int k = 0; k < 2; ++k) {
            const int at = i + 16 * k;
            const __m256i x = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(widen16(r + at), k30),
                                                                _mm256_mullo_epi16(widen16(g + at), k59)),
                                               _mm256_mullo_epi16(widen16(b + at), k11));
            q[k] = _mm256_srli_epi16(_mm256_mulhi_epu16(_mm256_srli_epi16(x, 2), magic), 1);
            onStep[k] = _mm256_cmpeq_epi16(_mm256_mullo_epi16(q[k], k100), x);
        }
        storeClamped(grey + i, q[0], q[1]);
        // One bit per pixel, in order: the all-ones words packed to bytes the way the lumas were.
        const __m256i flags = _mm256_permute4x64_epi64(_mm256_packs_epi16(onStep[0], onStep[1]), 0xd8);
        for (unsigned whole = static_cast<unsigned>(_mm256_movemask_epi8(flags)); whole; whole &= whole - 1) {
            const int k = i + __builtin_ctz(whole);
            lumaRowPlain(grey + k, r + k, g + k, b + k, 1);
        }
    }
    lumaRowAvx2(grey + i, r + i, g + i, b + i, count - i);
}

__attribute__((target("avx2,avx512f,avx512bw"))) void lumaRowExactWide(std::uint8_t *grey, const std::uint8_t *r,
                                                                      const std::uint8_t *g, const std::uint8_t *b,
                                                                      int count)
{
    const __m512i k30 = _mm512_set1_epi16(30), k59 = _mm512_set1_epi16(59), k11 = _mm512_set1_epi16(11);
    const __m512i k100 = _mm512_set1_epi16(100), magic = _mm512_set1_epi16(5243);
    int i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m512i x = _mm512_add_epi16(_mm512_add_epi16(_mm512_mullo_epi16(widen16Wide(r + i), k30),
                                                            _mm512_mullo_epi16(widen16Wide(g + i), k59)),
                                           _mm512_mullo_epi16(widen16Wide(b + i), k11));
        const __m512i q = _mm512_srli_epi16(_mm512_mulhi_epu16(_mm512_srli_epi16(x, 2), magic), 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(grey + i), _mm512_cvtepi16_epi8(q));
        for (__mmask32 whole = _mm512_cmpeq_epi16_mask(_mm512_mullo_epi16(q, k100), x); whole; whole &= whole - 1) {
            const int k = i + __builtin_ctz(whole);
            lumaRowPlain(grey + k, r + k, g + k, b + k, 1);
        }
    }
    lumaRowWide(grey + i, r + i, g + i, b + i, count - i);
}
#endif

// ---- finishing rows ----

// out[i] = min(acc[i] / a, 255)
void divideRowPlain(std::uint8_t *out, const std::uint16_t *acc, int count, int a)
{
    for (int i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(std::min(acc[i] / a, 255));
}

#ifdef KORVIA_X86
// A 16-bit sum divided by a width up to a few hundred: the correctly rounded single-precision
// quotient never reaches the next integer early, so truncating it is the integer division.
__attribute__((target("avx2"))) void divideRowAvx2(std::uint8_t *out, const std::uint16_t *acc, int count, int a)
{
    const __m256 divisor = _mm256_set1_ps(static_cast<float>(a));
    const __m256i top = _mm256_set1_epi32(255);
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m256i s0 = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(acc + i)));
        const __m256i s1 = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(acc + i + 8)));
        const __m256i q0 = _mm256_min_epi32(_mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(s0), divisor)), top);
        const __m256i q1 = _mm256_min_epi32(_mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(s1), divisor)), top);
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(q0, q1), 0xd8);
        const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), bytes);
    }
    divideRowPlain(out + i, acc + i, count - i, a);
}
#endif

// out[i] = trunc(q · min(trunc(acc[i] · scale[i]), 255) + r · v[i])
void softMixRowPlain(std::uint8_t *out, const std::uint32_t *acc, const double *scale, const std::uint8_t *v,
                     int count, double q, double r)
{
    for (int i = 0; i < count; ++i) {
        const int blurred = std::min(static_cast<int>(acc[i] * scale[i]), 255);
        out[i] = static_cast<std::uint8_t>(static_cast<int>(q * blurred + r * v[i]));
    }
}

#ifdef KORVIA_X86
__attribute__((target("avx2"))) void softMixRowAvx2(std::uint8_t *out, const std::uint32_t *acc, const double *scale,
                                                    const std::uint8_t *v, int count, double q, double r)
{
    const __m256d qv = _mm256_set1_pd(q), rv = _mm256_set1_pd(r);
    const __m128i top = _mm_set1_epi32(255);
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i mixed[4];
        for (int k = 0; k < 4; ++k) {
            const int at = i + 4 * k;
            // The sums stay far below 2³¹, so the signed conversion is exact.
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(acc + at));
            __m128i blurred = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(a), _mm256_loadu_pd(scale + at)));
            blurred = _mm_min_epi32(blurred, top);
            const __m256d sum = _mm256_add_pd(_mm256_mul_pd(qv, _mm256_cvtepi32_pd(blurred)),
                                              _mm256_mul_pd(rv, _mm256_cvtepi32_pd(loadBytes4(v + at))));
            mixed[k] = _mm256_cvttpd_epi32(sum);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                         _mm_packus_epi16(_mm_packs_epi32(mixed[0], mixed[1]), _mm_packs_epi32(mixed[2], mixed[3])));
    }
    softMixRowPlain(out + i, acc + i, scale + i, v + i, count - i, q, r);
}
#endif

// The straightforward sums of a square kernel, for parameters beyond the controls' ranges whose
// weights or sums would not fit the 16-bit terms above: per channel, A = Σ (K · v) >> 8 over the
// neighbours inside the picture.
void kernelSumsPlain(const std::uint8_t *source, int width, int height, const std::vector<int> &kernel, int n, int x,
                     int y, long long &sum)
{
    const int h = n / 2;
    sum = 0;
    for (int dy = -h; dy <= h; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy >= height) continue;
        for (int dx = -h; dx <= h; ++dx) {
            const int xx = x + dx;
            if (xx < 0 || xx >= width) continue;
            const long long w = kernel[static_cast<std::size_t>(dy + h) * n + dx + h];
            sum += (w * source[static_cast<std::size_t>(yy) * width + xx]) >> 8;
        }
    }
}

// out[i] = Σ (w · row[x + dx]) >> 8 over one kernel row's taps inside the picture, for the outputs
// x = x0 + i, x0 ≤ x < x1; left and right are the taps' widest reach.
void convolveSpan(std::uint16_t *out, const std::uint8_t *row, const tap *taps, int tapCount, int width, int left,
                  int right, int x0, int x1)
{
    int from = x0, to = x0;
#ifdef KORVIA_X86
    const int start = std::max(x0, left);
    const int stop = std::min(x1, width - right);
    if (haveAvx2() && stop > start) {
        const tapRow single{row + start, taps, tapCount};
        const int length = stop - start;
        int done = 0;
        if (haveAvx512()) {
            done = blockSums16Wide(out + (start - x0), &single, 1, done, length);
            // One more block ending exactly at the end; it repeats a few outputs with equal values.
            if (done < length && length >= 64) done = blockSums16Wide(out + (start - x0), &single, 1, length - 64, length);
        }
        done = blockSums16(out + (start - x0), &single, 1, done, length);
        if (done < length && length >= 32) done = blockSums16(out + (start - x0), &single, 1, length - 32, length);
        from = start;
        to = start + done;
    }
#endif
    const int segments[2][2] = {{x0, from}, {to, x1}};
    for (const auto &segment : segments) {
        const int a = segment[0], b = segment[1];
        if (b <= a) continue;
        std::fill(out + (a - x0), out + (b - x0), std::uint16_t(0));
        for (int t = 0; t < tapCount; ++t) {
            const int dx = taps[t].dx;
            const int xa = std::max(a, -dx), xb = std::min(b, width - dx);
            if (xb > xa) addWeightedRow(out + (xa - x0), row + xa + dx, xb - xa, taps[t].w);
        }
    }
}

// The results of a filter that wrote into copies go back into the planes, band by band on the
// worker threads.
void copyPlanesBack(std::uint8_t *const planes[3], const plane copies[3], int width, int height)
{
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (int p = 0; p < 3; ++p) copyInPieces(planes[p], copies[p].get(), count);
}

} // namespace

void colorFilter::sharpen()
{
    if (width < 3 || height < 3) return;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    const double f = edgeLevel * 0.1;
    const mulShift scaling = sharpenScaling(f);
    // Rows 1 .. height − 2 in bands. Within a band row y is written only after its original is
    // saved, and row y − 1 is read from the saved copy; row y + 1 is still untouched in the
    // plane. The rows just above and below a band come from copies taken before any band began.
    std::vector<int> edges = rowBands(height - 2);
    for (int &edge : edges) ++edge;
    const bandNeighbours originals(planes, 3, width, height, edges, 1);
    forEachBand(
        edges,
        [&](int first, int end) {
            std::vector<std::uint8_t> saved(3 * 2 * static_cast<std::size_t>(width));
            auto savedRow = [&](int p, int y) { return saved.data() + (static_cast<std::size_t>(p) * 2 + (y & 1)) * width; };
            for (int y = first; y < end; ++y) {
                for (int p = 0; p < 3; ++p) {
                    std::uint8_t *out = planes[p] + static_cast<std::size_t>(y) * width;
                    std::uint8_t *mid = savedRow(p, y);
                    std::memcpy(mid, out, static_cast<std::size_t>(width));
                    const std::uint8_t *up = y == first ? originals.row(first, p, y - 1) : savedRow(p, y - 1);
                    const std::uint8_t *down = y + 1 < end ? out + width : originals.row(first, p, y + 1);
                    if (scaling.valid) {
#ifdef KORVIA_X86
                        if (haveAvx512()) {
                            sharpenRowScaledWide(out, up, mid, down, 1, width - 1, scaling);
                            continue;
                        }
                        if (haveAvx2()) {
                            sharpenRowScaledAvx2(out, up, mid, down, 1, width - 1, scaling);
                            continue;
                        }
#endif
                        sharpenRowScaled(out, up, mid, down, 1, width - 1, scaling);
                        continue;
                    }
#ifdef KORVIA_X86
                    if (haveAvx2()) {
                        sharpenRowAvx2(out, up, mid, down, 1, width - 1, f);
                        continue;
                    }
#endif
                    sharpenRowPlain(out, up, mid, down, 1, width - 1, f);
                }
            }
        },
        [this](int y) { reportRow(y); });
}

void colorFilter::softFocus()
{
    const double r = softCoreLevel * 0.01;
    const double q = 1 - r;
    int n = 0;
    const std::vector<int> kernel = softFocusKernel(softSize, n);
    if (n < 1 || width < 1 || height < 1) return;
    const int h = n / 2;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    plane copies[3] = {requirePictureBytes(count), requirePictureBytes(count), requirePictureBytes(count)};

    // Sizes far beyond the control's range would overflow the 16-bit row sums: plain sums.
    if (n > 257) {
        forEachRowBand([&](int first, int end) {
            for (int y = first; y < end; ++y) {
                for (int x = 0; x < width; ++x) {
                    double sum = 0;
                    for (int dy = std::max(-h, -y); dy <= std::min(h, height - 1 - y); ++dy)
                        for (int dx = std::max(-h, -x); dx <= std::min(h, width - 1 - x); ++dx)
                            sum += kernel[static_cast<std::size_t>(dy + h) * n + dx + h];
                    const std::size_t at = static_cast<std::size_t>(y) * width + x;
                    for (int p = 0; p < 3; ++p) {
                        long long a;
                        kernelSumsPlain(planes[p], width, height, kernel, n, x, y, a);
                        const int blurred = static_cast<int>(std::min(static_cast<double>(a) * (255 / sum), 255.0));
                        copies[p][at] = static_cast<std::uint8_t>(static_cast<int>(q * blurred + r * planes[p][at]));
                    }
                }
            }
        });
        copyPlanesBack(planes, copies, width, height);
        return;
    }

    // Non-zero weights per kernel row, and running sums of each row for the weight sum S of a
    // window cut by the picture's edge.
    std::vector<std::vector<tap>> rowTaps(n);
    std::vector<std::vector<long long>> prefix(n, std::vector<long long>(n + 1, 0));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const int w = kernel[static_cast<std::size_t>(i) * n + j];
            if (w) rowTaps[i].push_back({j - h, i - h, w});
            prefix[i][j + 1] = prefix[i][j] + w;
        }

    // 255 / S for every column of output row y, into scale; each band keeps its own.
    auto scalesFor = [&](std::vector<double> &scale, int &scaleTop, int &scaleBottom, int y) {
        const int dyTop = std::max(-h, -y);
        const int dyBottom = std::min(h, height - 1 - y);
        if (dyTop == scaleTop && dyBottom == scaleBottom) return;
        for (int x = 0; x < width; ++x) {
            const int lo = std::max(-h, -x) + h;
            const int hi = std::min(h, width - 1 - x) + h;
            long long sum = 0;
            for (int dy = dyTop; dy <= dyBottom; ++dy) sum += prefix[dy + h][hi + 1] - prefix[dy + h][lo];
            scale[x] = 255 / static_cast<double>(sum);
        }
        scaleTop = dyTop;
        scaleBottom = dyBottom;
    };

#ifdef KORVIA_X86
    if (haveAvx2()) {
        // The cone's rows dy and −dy carry the same weights, so each source row is convolved once
        // with each kernel row k = 0..h and added to both output rows it serves, r − k and r + k.
        // The sums of the output rows wait in a ring of n rows. To keep the ring in cache the
        // picture is done in bands of rows, each in strips of columns; a band re-reads the h
        // source rows above and below it. Progress is reported when a band is complete.
        constexpr int stripWidth = 1024;
        std::vector<int> left(n), right(n);
        for (int i = 0; i < n; ++i) tapReach({rowTaps[i]}, left[i], right[i]);
        const int span = std::min(width, stripWidth);
        // A band re-reads 2h rows: bands of at least 4h rows keep that within a third.
        forEachRowBand([&](int band0, int band1) {
            std::vector<double> scale(width);
            int scaleTop = 1, scaleBottom = 0; // kernel-row range the scales were made for
            std::vector<std::uint32_t> ring(3 * static_cast<std::size_t>(n) * span);
            auto sums = [&](int p, int y) { return ring.data() + (static_cast<std::size_t>(p) * n + y % n) * span; };
            std::vector<std::uint16_t> convolved(span);
            for (int x0 = 0; x0 < width; x0 += stripWidth) {
                const int x1 = std::min(width, x0 + stripWidth);
                const int length = x1 - x0;
                auto finish = [&](int y) {
                    scalesFor(scale, scaleTop, scaleBottom, y);
                    const std::size_t at = static_cast<std::size_t>(y) * width + x0;
                    for (int p = 0; p < 3; ++p)
                        softMixRowAvx2(copies[p].get() + at, sums(p, y), scale.data() + x0, planes[p] + at, length, q, r);
                };
                const int first = std::max(0, band0 - h), last = std::min(height - 1, band1 - 1 + h);
                for (int row = first; row <= last; ++row) {
                    // Output rows whose first source row this is start from zero.
                    const int startFrom = row == first ? band0 : row + h;
                    const int startTo = row == first ? std::min(band1, row + h + 1) : std::min(band1, row + h + 1);
                    for (int y = std::max(startFrom, band0); y < startTo; ++y)
                        for (int p = 0; p < 3; ++p) std::fill(sums(p, y), sums(p, y) + length, 0u);
                    for (int p = 0; p < 3; ++p) {
                        const std::uint8_t *source = planes[p] + static_cast<std::size_t>(row) * width;
                        for (int k = 0; k <= h; ++k) {
                            const std::vector<tap> &taps = rowTaps[h + k];
                            const int above = row - k, below = row + k;
                            const bool toAbove = above >= band0 && above < band1;
                            const bool toBelow = k > 0 && below >= band0 && below < band1;
                            if (taps.empty() || (!toAbove && !toBelow)) continue;
                            // One kernel row adds at most n · 255 per sample: it fits 16 bits.
                            convolveSpan(convolved.data(), source, taps.data(), static_cast<int>(taps.size()), width,
                                         left[h + k], right[h + k], x0, x1);
                            if (toAbove) widenAdd(sums(p, above), convolved.data(), length);
                            if (toBelow) widenAdd(sums(p, below), convolved.data(), length);
                        }
                    }
                    if (row - h >= band0 && row - h < band1) finish(row - h);
                }
                // Rows near the bottom whose window is cut: their last source row is the picture's.
                for (int y = std::max(band0, height - h); y < band1; ++y) finish(y);
            }
        }, 4 * h);
        copyPlanesBack(planes, copies, width, height);
        return;
    }
#endif

    int reachLeft, reachRight;
    tapReach(rowTaps, reachLeft, reachRight);
    forEachRowBand([&](int first, int end) {
        std::vector<double> scale(width);
        int scaleTop = 1, scaleBottom = 0; // kernel-row range the scales were made for
        std::vector<tapRow> rows(n);
        std::vector<std::uint16_t> acc16(width);
        std::vector<std::uint32_t> acc32(width);
        for (int y = first; y < end; ++y) {
            const int dyTop = std::max(-h, -y);
            const int dyBottom = std::min(h, height - 1 - y);
            scalesFor(scale, scaleTop, scaleBottom, y);
            for (int p = 0; p < 3; ++p) {
                // Inner blocks with the whole row of every tap inside the picture first, then the
                // rest of the row one tap at a time.
                int blockFrom = 0, blockTo = 0;
#ifdef KORVIA_X86
                if (haveAvx2() && reachRight < width) {
                    const int rowCount = tapRowsAround(rows.data(), rowTaps, h, planes[p], width, y, dyTop, dyBottom);
                    blockFrom = reachLeft;
                    blockTo = blockFrom;
                    if (haveAvx512()) blockTo = blockSums32Wide(acc32.data(), rows.data(), rowCount, blockTo, width - reachRight);
                    blockTo = blockSums32(acc32.data(), rows.data(), rowCount, blockTo, width - reachRight);
                }
#endif
                const int segments[2][2] = {{0, blockFrom}, {blockTo > blockFrom ? blockTo : blockFrom, width}};
                for (const auto &segment : segments) {
                    const int from = segment[0], to = segment[1];
                    if (to <= from) continue;
                    std::fill(acc32.begin() + from, acc32.begin() + to, 0u);
                    for (int dy = dyTop; dy <= dyBottom; ++dy) {
                        const std::vector<tap> &taps = rowTaps[dy + h];
                        if (taps.empty()) continue;
                        // One kernel row adds at most n · 255 per sample: it fits the 16-bit sums.
                        std::fill(acc16.begin() + from, acc16.begin() + to, std::uint16_t(0));
                        addKernelRow(acc16.data(), planes[p], width, y + dy, taps.data(), taps.size(), from, to);
                        widenAdd(acc32.data() + from, acc16.data() + from, to - from);
                    }
                }
                const std::size_t at = static_cast<std::size_t>(y) * width;
#ifdef KORVIA_X86
                if (haveAvx2()) {
                    softMixRowAvx2(copies[p].get() + at, acc32.data(), scale.data(), planes[p] + at, width, q, r);
                    continue;
                }
#endif
                softMixRowPlain(copies[p].get() + at, acc32.data(), scale.data(), planes[p] + at, width, q, r);
            }
        }
    });
    copyPlanesBack(planes, copies, width, height);
}

void colorFilter::emboss()
{
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    int base[3];
    splitColor(drawColor, base[0], base[1], base[2]);
    const int level = embosseLevel;
    const int *kernel = embossKernel(embossAngle);
    const mulShift scaling = reliefScaling(kernel, level);

    // The grey step (brightness/chroma/hue with chroma −255) leaves every channel at the luma;
    // only that grey is read, so it is made row by row into a ring of three rows: the grey of
    // row y + 1 is taken before row y is written, so every grey comes from the original colours.
    bright = 0;
    chroma = -255;
    hue = 0;
    if (width < 1 || height < 1) return;
    // Bands of rows: the rows just above and below a band are read from copies taken before any
    // band began.
    const std::vector<int> edges = rowBands(height);
    const bandNeighbours originals(planes, 3, width, height, edges, 1);
    forEachBand(
        edges,
        [&](int first, int end) {
            std::vector<std::uint8_t> ring(3 * static_cast<std::size_t>(width));
            auto greyRow = [&](int y) { return ring.data() + static_cast<std::size_t>(y % 3) * width; };
            auto makeGrey = [&](int y) {
                const std::uint8_t *red = originals.row(first, 0, y), *green = originals.row(first, 1, y),
                                   *blue = originals.row(first, 2, y);
#ifdef KORVIA_X86
                if (haveAvx512() && lumaQuotientExact()) return lumaRowExactWide(greyRow(y), red, green, blue, width);
                if (haveAvx512()) return lumaRowWide(greyRow(y), red, green, blue, width);
                if (haveAvx2() && lumaQuotientExact()) return lumaRowExactAvx2(greyRow(y), red, green, blue, width);
#endif
                lumaRow(greyRow(y), red, green, blue, width);
            };
            if (first > 0) makeGrey(first - 1);
            makeGrey(first);
            for (int y = first; y < end; ++y) {
                if (y + 1 < height) makeGrey(y + 1);
                const std::size_t at = static_cast<std::size_t>(y) * width;
                std::uint8_t *out[3] = {planes[0] + at, planes[1] + at, planes[2] + at};
                // Flat border: exactly the drawing colour.
                const bool inner = y >= 1 && y <= height - 2 && width >= 3;
                for (int p = 0; p < 3; ++p) {
                    if (!inner) {
                        std::memset(out[p], base[p], static_cast<std::size_t>(width));
                    } else {
                        out[p][0] = static_cast<std::uint8_t>(base[p]);
                        out[p][width - 1] = static_cast<std::uint8_t>(base[p]);
                    }
                }
                if (inner) {
                    const std::uint8_t *rows[3] = {greyRow(y - 1), greyRow(y), greyRow(y + 1)};
                    if (scaling.valid) {
#ifdef KORVIA_X86
                        if (haveAvx512())
                            embossRowScaledWide(out, rows, 1, width - 1, kernel, scaling, base);
                        else if (haveAvx2())
                            embossRowScaledAvx2(out, rows, 1, width - 1, kernel, scaling, base);
                        else
#endif
                            embossRowScaled(out, rows, 1, width - 1, kernel, scaling, base);
                    } else {
#ifdef KORVIA_X86
                        if (haveAvx2())
                            embossRowAvx2(out, rows, 1, width - 1, kernel, level, base);
                        else
#endif
                            embossRowPlain(out, rows, 1, width - 1, kernel, level, base);
                    }
                }
            }
        },
        [this](int y) { reportRow(y); });
}

void colorFilter::motionBlur()
{
    const int m = vibrateSize;
    if (m < 1 || width < 1 || height < 1) return;
    const int a = 2 * m + 1;
    const std::vector<int> kernel = motionBlurKernel(m, vibrateAngle);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    plane copies[3] = {requirePictureBytes(count), requirePictureBytes(count), requirePictureBytes(count)};

    // The line is sparse: keep only its non-zero weights, row by row.
    std::vector<std::vector<tap>> rowTaps(a);
    std::size_t tapCount = 0;
    for (int i = 0; i < a; ++i)
        for (int j = 0; j < a; ++j) {
            const int w = kernel[static_cast<std::size_t>(i) * a + j];
            if (w) {
                rowTaps[i].push_back({j - m, i - m, w});
                ++tapCount;
            }
        }
    // Angles beyond 0..180 give weights outside 0..256: those take the straightforward sums.
    if (std::any_of(kernel.begin(), kernel.end(), [](int w) { return w < 0 || w > 256; })) {
        forEachRowBand([&](int first, int end) {
            for (int y = first; y < end; ++y)
                for (int p = 0; p < 3; ++p)
                    for (int x = 0; x < width; ++x) {
                        long long sum;
                        kernelSumsPlain(planes[p], width, height, kernel, a, x, y, sum);
                        copies[p][static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(clampByte(static_cast<int>(std::min(sum / a, 255LL))));
                    }
        });
        copyPlanesBack(planes, copies, width, height);
        return;
    }
    // Each term is at most 255; while the whole sum stays within 16 bits it is kept in 16 bits.
    const bool narrow = tapCount * 255 <= 65535;
    int reachLeft, reachRight;
    tapReach(rowTaps, reachLeft, reachRight);
    forEachRowBand([&](int first, int end) {
        std::vector<tapRow> rows(a);
        std::vector<std::uint16_t> acc16(width);
        std::vector<std::uint32_t> acc32(width);
        for (int y = first; y < end; ++y) {
            const int dyTop = std::max(-m, -y);
            const int dyBottom = std::min(m, height - 1 - y);
            for (int p = 0; p < 3; ++p) {
                std::uint8_t *out = copies[p].get() + static_cast<std::size_t>(y) * width;
                if (narrow) {
                    int blockFrom = 0, blockTo = 0;
#ifdef KORVIA_X86
                    if (haveAvx2() && reachRight < width) {
                        const int rowCount = tapRowsAround(rows.data(), rowTaps, m, planes[p], width, y, dyTop, dyBottom);
                        blockFrom = reachLeft;
                        blockTo = blockFrom;
                        if (haveAvx512()) blockTo = blockSums16Wide(acc16.data(), rows.data(), rowCount, blockTo, width - reachRight);
                        blockTo = blockSums16(acc16.data(), rows.data(), rowCount, blockTo, width - reachRight);
                    }
#endif
                    const int segments[2][2] = {{0, blockFrom}, {blockTo > blockFrom ? blockTo : blockFrom, width}};
                    for (const auto &segment : segments) {
                        const int from = segment[0], to = segment[1];
                        if (to <= from) continue;
                        std::fill(acc16.begin() + from, acc16.begin() + to, std::uint16_t(0));
                        for (int dy = dyTop; dy <= dyBottom; ++dy) {
                            const std::vector<tap> &taps = rowTaps[dy + m];
                            addKernelRow(acc16.data(), planes[p], width, y + dy, taps.data(), taps.size(), from, to);
                        }
                    }
#ifdef KORVIA_X86
                    if (haveAvx2()) {
                        divideRowAvx2(out, acc16.data(), width, a);
                        continue;
                    }
#endif
                    divideRowPlain(out, acc16.data(), width, a);
                } else {
                    std::fill(acc32.begin(), acc32.end(), 0u);
                    for (int dy = dyTop; dy <= dyBottom; ++dy) {
                        const std::vector<tap> &taps = rowTaps[dy + m];
                        if (taps.empty()) continue;
                        std::fill(acc16.begin(), acc16.end(), std::uint16_t(0));
                        addKernelRow(acc16.data(), planes[p], width, y + dy, taps.data(), taps.size(), 0, width);
                        widenAdd(acc32.data(), acc16.data(), width);
                    }
                    for (int x = 0; x < width; ++x)
                        out[x] = static_cast<std::uint8_t>(std::min(static_cast<long long>(acc32[x]) / a, 255LL));
                }
            }
        }
    });
    copyPlanesBack(planes, copies, width, height);
}
