// The vector rows of sharpen and emboss: 256- and 512-bit lanes, the same bytes as the plain rows
// in colorfilter_sharpen.cpp.
#include "kernelrows.h"

#include <cstring>

#ifdef KORVIA_X86
namespace kernelRows {

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
} // namespace kernelRows
#endif
