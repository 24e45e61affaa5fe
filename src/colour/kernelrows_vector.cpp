// The vector versions of the shared rows of the kernel filters: 256- and 512-bit lanes, the
// same bytes as the plain rows in kernelrows.cpp.
#include "kernelrows.h"

#ifdef KORVIA_X86
namespace kernelRows {

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

__attribute__((target("avx2,avx512f,avx512bw"))) void widenAddWide(std::uint32_t *acc32, const std::uint16_t *acc16, int count)
{
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i v = _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(acc16 + i)));
        _mm512_storeu_si512(acc32 + i, _mm512_add_epi32(_mm512_loadu_si512(acc32 + i), v));
    }
    widenAddAvx2(acc32 + i, acc16 + i, count - i);
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
} // namespace kernelRows
#endif
