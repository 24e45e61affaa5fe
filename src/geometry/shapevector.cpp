// The vector path of the transform engine's resampling. It works on whole 32-bit pixels of the
// bitmaps instead of on planes, and gives exactly the bytes of the plain loop: the three colour
// bytes the plain loop would write, and each destination pixel's fourth byte as it was (the moves
// are the quarter-turn family's, imagedata/quarterturns.h).
// The source positions of a piece of a row four at a time in 256-bit doubles, then
// the blend eight at a time in 512-bit doubles (four at a time without 512-bit units); the same
// expressions in the same order as the plain loop (no fused multiply-add; floor by rounding toward
// −∞; the conversion to integers rounds to nearest, ties to even, as nearbyint does), the four
// neighbours of each pixel fetched as two 64-bit pairs straight from the source bitmap.
#include "shaperules.h"

#include "imagedata/quarterturns.h"
#include "imagedata/vectorpaths.h"
#include "imagedata/workerpool.h"

#include <cstring>
#include <functional>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SHAPE_VECTOR_X86 1
// GCC 12's 512-bit conversion and gather intrinsics start from an undefined vector and warn
// about it wherever they are inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#if SHAPE_VECTOR_X86
namespace {

constexpr std::uint32_t colourBytes = 0x00FFFFFFu;

inline std::uint32_t mergedPixel(std::uint32_t from, std::uint32_t old)
{
    return (from & colourBytes) | (old & ~colourBytes);
}

inline void storeMerged(std::uint32_t *d, __m128i a)
{
    const __m128i low = _mm_set1_epi32(static_cast<int>(colourBytes));
    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(d), _mm_or_si128(_mm_and_si128(a, low), _mm_andnot_si128(low, old)));
}

using quarterTurns::pixelTarget;

// ---------------------------------------------------------------------------------------------
// Resampling

#define AVX2 __attribute__((target("avx2")))

struct resampleFrame {
    const std::uint8_t *source;
    qsizetype sourceStride;
    std::uint32_t background; // the background colour as a pixel's bytes (blue, green, red)
    double lastColumn;        // W − 2, the largest ix inside
    double lastRow;           // H − 2
};

AVX2 inline __m256d channel(__m128i pixels, int shift)
{
    return _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(pixels, shift), _mm_set1_epi32(0xFF)));
}

// Four destination pixels from their source positions, as pixel bytes (the fourth byte 0): the
// blend of the four neighbours inside, the background outside.
AVX2 inline __m128i bilinear4(const resampleFrame &f, __m256d u, __m256d v)
{
    const __m256d ixd = _mm256_floor_pd(u), iyd = _mm256_floor_pd(v);
    const __m256d fx = _mm256_sub_pd(u, ixd), fy = _mm256_sub_pd(v, iyd);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d inside = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(iyd, zero, _CMP_GE_OQ), _mm256_cmp_pd(iyd, _mm256_set1_pd(f.lastRow), _CMP_LE_OQ)),
        _mm256_and_pd(_mm256_cmp_pd(ixd, zero, _CMP_GE_OQ), _mm256_cmp_pd(ixd, _mm256_set1_pd(f.lastColumn), _CMP_LE_OQ)));
    const __m128i background = _mm_set1_epi32(static_cast<int>(f.background));
    const int mask = _mm256_movemask_pd(inside);
    if (mask == 0) return background;

    // Outside lanes read pixel (0, 0); their result is replaced by the background.
    const __m128i ix = _mm256_cvttpd_epi32(_mm256_and_pd(ixd, inside));
    const __m128i iy = _mm256_cvttpd_epi32(_mm256_and_pd(iyd, inside));
    const int strideWords = static_cast<int>(f.sourceStride / 4);
    const __m128i index = _mm_add_epi32(_mm_mullo_epi32(iy, _mm_set1_epi32(strideWords)), ix);
    const __m256i top = _mm256_i32gather_epi64(reinterpret_cast<const long long *>(f.source), index, 4);
    const __m256i bottom = _mm256_i32gather_epi64(reinterpret_cast<const long long *>(f.source + f.sourceStride), index, 4);
    const __m256i evens = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const __m256i topSplit = _mm256_permutevar8x32_epi32(top, evens);
    const __m256i bottomSplit = _mm256_permutevar8x32_epi32(bottom, evens);
    const __m128i q00 = _mm256_castsi256_si128(topSplit), q01 = _mm256_extracti128_si256(topSplit, 1);
    const __m128i q10 = _mm256_castsi256_si128(bottomSplit), q11 = _mm256_extracti128_si256(bottomSplit, 1);

    __m128i result = _mm_setzero_si128();
    for (int shift = 0; shift < 24; shift += 8) {
        const __m256d p00 = channel(q00, shift), p01 = channel(q01, shift);
        const __m256d p10 = channel(q10, shift), p11 = channel(q11, shift);
        // p00 + (p01 − p00)·fx + (p00 + p11 − p01 − p10)·fx·fy + (p10 − p00)·fy, left to right
        __m256d value = _mm256_add_pd(p00, _mm256_mul_pd(_mm256_sub_pd(p01, p00), fx));
        const __m256d cross = _mm256_sub_pd(_mm256_sub_pd(_mm256_add_pd(p00, p11), p01), p10);
        value = _mm256_add_pd(value, _mm256_mul_pd(_mm256_mul_pd(cross, fx), fy));
        value = _mm256_add_pd(value, _mm256_mul_pd(_mm256_sub_pd(p10, p00), fy));
        result = _mm_or_si128(result, _mm_slli_epi32(_mm256_cvtpd_epi32(value), shift));
    }
    if (mask == 0xF) return result;
    const __m128i laneInside = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(inside), evens));
    return _mm_blendv_epi8(background, result, laneInside);
}

#define AVX512 __attribute__((target("avx512f,avx512vl,avx512dq,avx2")))

// Eight destination pixels in 512-bit doubles: the same steps as bilinear4.
AVX512 inline __m256i bilinear8(const resampleFrame &f, __m512d u, __m512d v)
{
    const __m512d ixd = _mm512_roundscale_pd(u, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    const __m512d iyd = _mm512_roundscale_pd(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    const __m512d fx = _mm512_sub_pd(u, ixd), fy = _mm512_sub_pd(v, iyd);
    const __m512d zero = _mm512_setzero_pd();
    const __mmask8 inside = _mm512_cmp_pd_mask(iyd, zero, _CMP_GE_OQ) &
                            _mm512_cmp_pd_mask(iyd, _mm512_set1_pd(f.lastRow), _CMP_LE_OQ) &
                            _mm512_cmp_pd_mask(ixd, zero, _CMP_GE_OQ) &
                            _mm512_cmp_pd_mask(ixd, _mm512_set1_pd(f.lastColumn), _CMP_LE_OQ);
    const __m256i background = _mm256_set1_epi32(static_cast<int>(f.background));
    if (inside == 0) return background;

    const __m256i ix = _mm512_maskz_cvttpd_epi32(inside, ixd), iy = _mm512_maskz_cvttpd_epi32(inside, iyd);
    const int strideWords = static_cast<int>(f.sourceStride / 4);
    const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(iy, _mm256_set1_epi32(strideWords)), ix);
    const __m512i top = _mm512_i32gather_epi64(index, f.source, 4);
    const __m512i bottom = _mm512_i32gather_epi64(index, f.source + f.sourceStride, 4);
    const __m256i q00 = _mm512_cvtepi64_epi32(top), q01 = _mm512_cvtepi64_epi32(_mm512_srli_epi64(top, 32));
    const __m256i q10 = _mm512_cvtepi64_epi32(bottom), q11 = _mm512_cvtepi64_epi32(_mm512_srli_epi64(bottom, 32));
    const __m256i byte = _mm256_set1_epi32(0xFF);

    __m256i result = _mm256_setzero_si256();
    for (int shift = 0; shift < 24; shift += 8) {
        const __m512d p00 = _mm512_cvtepi32_pd(_mm256_and_si256(_mm256_srli_epi32(q00, shift), byte));
        const __m512d p01 = _mm512_cvtepi32_pd(_mm256_and_si256(_mm256_srli_epi32(q01, shift), byte));
        const __m512d p10 = _mm512_cvtepi32_pd(_mm256_and_si256(_mm256_srli_epi32(q10, shift), byte));
        const __m512d p11 = _mm512_cvtepi32_pd(_mm256_and_si256(_mm256_srli_epi32(q11, shift), byte));
        __m512d value = _mm512_add_pd(p00, _mm512_mul_pd(_mm512_sub_pd(p01, p00), fx));
        const __m512d cross = _mm512_sub_pd(_mm512_sub_pd(_mm512_add_pd(p00, p11), p01), p10);
        value = _mm512_add_pd(value, _mm512_mul_pd(_mm512_mul_pd(cross, fx), fy));
        value = _mm512_add_pd(value, _mm512_mul_pd(_mm512_sub_pd(p10, p00), fy));
        result = _mm256_or_si256(result, _mm256_slli_epi32(_mm512_cvtpd_epi32(value), shift));
    }
    return _mm256_mask_blend_epi32(inside, background, result);
}

constexpr int chunk = 256; // destination pixels whose positions are worked out at once

AVX512 void blendChunk512(const resampleFrame &f, std::uint32_t *row, int n, const double *us, const double *vs)
{
    const __m256i low = _mm256_set1_epi32(static_cast<int>(colourBytes));
    for (int i = 0; i < n; i += 8) {
        const __m256i pixels = bilinear8(f, _mm512_load_pd(us + i), _mm512_load_pd(vs + i));
        if (i + 8 <= n) {
            __m256i *d = reinterpret_cast<__m256i *>(row + i);
            _mm256_storeu_si256(d, _mm256_ternarylogic_epi32(low, pixels, _mm256_loadu_si256(d), 0xCA)); // low ? pixels : old
        } else {
            alignas(32) std::uint32_t eight[8];
            _mm256_store_si256(reinterpret_cast<__m256i *>(eight), pixels);
            for (int k = 0; i + k < n; ++k) row[i + k] = mergedPixel(eight[k], row[i + k]);
        }
    }
}

AVX2 void blendChunk256(const resampleFrame &f, std::uint32_t *row, int n, const double *us, const double *vs)
{
    for (int i = 0; i < n; i += 4) {
        const __m128i pixels = bilinear4(f, _mm256_load_pd(us + i), _mm256_load_pd(vs + i));
        if (i + 4 <= n) {
            storeMerged(row + i, pixels);
        } else {
            alignas(16) std::uint32_t four[4];
            _mm_store_si128(reinterpret_cast<__m128i *>(four), pixels);
            for (int k = 0; i + k < n; ++k) row[i + k] = mergedPixel(four[k], row[i + k]);
        }
    }
}

// Columns from..to − 1 of one destination row, a chunk at a time: positions(x, u, v) gives the
// source positions of pixels x..x+3; they are worked out for the chunk (rounded up to eight), then
// blended.
template <class Positions>
AVX2 void resampleRow(const resampleFrame &f, std::uint32_t *row, int from, int to, const Positions &positions, bool wide)
{
    alignas(64) double us[chunk], vs[chunk];
    for (int x0 = from; x0 < to; x0 += chunk) {
        const int n = to - x0 < chunk ? to - x0 : chunk;
        for (int i = 0; i < n; i += 4) {
            __m256d u, v;
            positions(x0 + i, u, v);
            _mm256_store_pd(us + i, u);
            _mm256_store_pd(vs + i, v);
        }
        if (wide) {
            if (n % 8 > 0 && n % 8 <= 4) { // the last four of the eight
                __m256d u, v;
                positions(x0 + (n & ~7) + 4, u, v);
                _mm256_store_pd(us + (n & ~7) + 4, u);
                _mm256_store_pd(vs + (n & ~7) + 4, v);
            }
            blendChunk512(f, row + x0, n, us, vs);
        } else {
            blendChunk256(f, row + x0, n, us, vs);
        }
    }
}

// The source positions of four destination pixels x..x+3 of one row, by code; each is set up
// for its row with the same scalar expressions as the plain rule.
AVX2 inline __m256d columns(int x) { return _mm256_add_pd(_mm256_set1_pd(double(x)), _mm256_setr_pd(0, 1, 2, 3)); }

struct resizePositions {
    __m256d v, half, sx;
    AVX2 resizePositions(const resampleRule &rule, int y)
        : v(_mm256_set1_pd((double(y) + 0.5) * rule.sy - 0.5)), half(_mm256_set1_pd(0.5)), sx(_mm256_set1_pd(rule.sx)) {}
    AVX2 void operator()(int x, __m256d &u, __m256d &vv) const
    {
        u = _mm256_sub_pd(_mm256_mul_pd(_mm256_add_pd(columns(x), half), sx), half);
        vv = v;
    }
};

struct rotatePositions {
    __m256d dySine, dyCosine, cx, cy, c, s, centre;
    AVX2 rotatePositions(const resampleRule &rule, int y)
    {
        const double dy = double(y) - rule.destinationCy;
        dySine = _mm256_set1_pd(dy * rule.sine);
        dyCosine = _mm256_set1_pd(dy * rule.cosine);
        cx = _mm256_set1_pd(rule.cx);
        cy = _mm256_set1_pd(rule.cy);
        c = _mm256_set1_pd(rule.cosine);
        s = _mm256_set1_pd(rule.sine);
        centre = _mm256_set1_pd(rule.destinationCx);
    }
    AVX2 void operator()(int x, __m256d &u, __m256d &v) const
    {
        const __m256d dx = _mm256_sub_pd(columns(x), centre);
        u = _mm256_sub_pd(_mm256_add_pd(cx, _mm256_mul_pd(dx, c)), dySine);
        v = _mm256_add_pd(_mm256_add_pd(cy, _mm256_mul_pd(dx, s)), dyCosine);
    }
};

struct distortPositions {
    __m256d dy, dySquared, cx, cy, radius, perRadius, one, centre;
    AVX2 distortPositions(const resampleRule &rule, int y)
    {
        const double d = double(y) - rule.destinationCy;
        dy = _mm256_set1_pd(d);
        dySquared = _mm256_set1_pd(d * d);
        cx = _mm256_set1_pd(rule.cx);
        cy = _mm256_set1_pd(rule.cy);
        radius = _mm256_set1_pd(rule.radius);
        perRadius = _mm256_set1_pd(rule.amountPerRadius);
        one = _mm256_set1_pd(1.0);
        centre = _mm256_set1_pd(rule.destinationCx);
    }
    AVX2 void operator()(int x, __m256d &u, __m256d &v) const
    {
        const __m256d dx = _mm256_sub_pd(columns(x), centre);
        const __m256d r = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(dx, dx), dySquared));
        const __m256d factor = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(r, radius), perRadius), one);
        u = _mm256_add_pd(cx, _mm256_mul_pd(dx, factor));
        v = _mm256_add_pd(cy, _mm256_mul_pd(dy, factor));
    }
};

struct trapezoidPositions {
    __m256d m, cx, v;
    AVX2 trapezoidPositions(const resampleRule &rule, int y)
        : m(_mm256_set1_pd(rule.trapezoidFactor(y))), cx(_mm256_set1_pd(rule.cx)), v(_mm256_set1_pd(double(y))) {}
    AVX2 void operator()(int x, __m256d &u, __m256d &vv) const
    {
        u = _mm256_add_pd(_mm256_div_pd(_mm256_sub_pd(columns(x), cx), m), cx);
        vv = v;
    }
};

struct slopePositions {
    __m256d shift, v;
    AVX2 slopePositions(const resampleRule &rule, int y)
        : shift(_mm256_set1_pd(rule.slopeShift(y))), v(_mm256_set1_pd(double(y))) {}
    AVX2 void operator()(int x, __m256d &u, __m256d &vv) const
    {
        u = _mm256_add_pd(columns(x), shift);
        vv = v;
    }
};

// Bands of rows in strips of columns: a strip's rows read nearly the same source lines (a
// rotation's rows run across the picture), which then stay in the cache from row to row.
constexpr int bandRows = 16, stripWidth = 2 * chunk;

// Destination rows first .. end − 1.
template <class Positions>
AVX2 void resampleBand(const resampleRule &rule, const resampleFrame &f, const pixelTarget &d, int first, int end,
                       bool wide)
{
    const int Wd = rule.destinationWidth;
    for (int y0 = first; y0 < end; y0 += bandRows) {
        const int y1 = y0 + bandRows < end ? y0 + bandRows : end;
        for (int x0 = 0; x0 < Wd; x0 += stripWidth) {
            const int x1 = x0 + stripWidth < Wd ? x0 + stripWidth : Wd;
            for (int y = y0; y < y1; ++y) resampleRow(f, d.row(y), x0, x1, Positions(rule, y), wide);
        }
    }
}

// The worker threads take whole bands.
template <class Positions>
void resampleRows(const resampleRule &rule, const resampleFrame &f, const pixelTarget &d,
                  const progressIndicator *progress)
{
    const bool wide = vectorUnitsInUse().avx512;
    forEachBand(
        rule.destinationHeight, [&](int first, int end) { resampleBand<Positions>(rule, f, d, first, end, wide); },
        progressRows(progress), 1, bandRows);
}

// False for a rule without a vector reading (the plain loop runs it).
bool resampleAvx2(const resampleRule &rule, const resampleFrame &f, const pixelTarget &d, const progressIndicator *progress)
{
    switch (rule.positionRule) {
    case shapePositionRule::resize: resampleRows<resizePositions>(rule, f, d, progress); return true;
    case shapePositionRule::rotate: resampleRows<rotatePositions>(rule, f, d, progress); return true;
    case shapePositionRule::distort: resampleRows<distortPositions>(rule, f, d, progress); return true;
    case shapePositionRule::trapezoid: resampleRows<trapezoidPositions>(rule, f, d, progress); return true;
    case shapePositionRule::slope: resampleRows<slopePositions>(rule, f, d, progress); return true;
    default: return false;
    }
}

} // namespace

bool resampleVector(const resampleRule &rule, const QImage &source, QImage &destination,
                    std::uint32_t backgroundColor, const progressIndicator *progress)
{
    if (source.depth() != 32 || destination.depth() != 32) return false;
    // Gather offsets are 32-bit pixel counts.
    if (double(source.bytesPerLine()) * source.height() / 4 >= 2147483647.0) return false;
    std::uint8_t *bits = destination.bits();
    if (!bits) return false;
    const std::uint32_t backgroundPixel =
        ((backgroundColor >> 16) & 0xFF) | (backgroundColor & 0xFF00) | ((backgroundColor & 0xFF) << 16);
    const resampleFrame f{source.constBits(), source.bytesPerLine(), backgroundPixel, double(rule.width - 2),
                          double(rule.height - 2)};
    if (progress) progress->setMaximum(rule.destinationHeight - 1);
    return resampleAvx2(rule, f, pixelTarget{bits, destination.bytesPerLine()}, progress);
}

#else

bool resampleVector(const resampleRule &, const QImage &, QImage &, std::uint32_t, const progressIndicator *)
{
    return false;
}

#endif
