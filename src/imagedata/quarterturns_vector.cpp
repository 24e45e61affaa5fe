// The vector path of the quarter turns and mirrors: whole pixels four at a time in 128-bit
// registers (SSE2, which every x86-64 processor has), the same bytes as the plain loops.
//
// Rows are copied forward or reversed four pixels at a time; in place, a row's two ends (or two
// rows' opposite ends) are loaded together and stored swapped, so every byte is read and written
// once. The quarter turns and diagonal mirrors transpose 4 × 4 blocks in bands of 32 destination
// rows, so each source row gives two whole cache lines per visit (fewer pages walked per byte than
// with one line).
#include "quarterturns.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#include <type_traits>
#include <utility>

using namespace quarterTurns;

namespace {

constexpr std::uint32_t colourBytes = 0x00FFFFFFu;

inline std::uint32_t written(std::uint32_t from, std::uint32_t old, fourthByte fourth)
{
    return fourth == fourthByte::moved ? from : (from & colourBytes) | (old & ~colourBytes);
}

inline __m128i load(const std::uint32_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline void put(std::uint32_t *p, __m128i a) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), a); }
inline __m128i reversed(__m128i a) { return _mm_shuffle_epi32(a, 0x1B); }

// Stores four pixels, keeping the destination's fourth bytes where asked.
template <fourthByte Fourth>
inline void store(std::uint32_t *d, __m128i a)
{
    if constexpr (Fourth == fourthByte::moved) {
        put(d, a);
    } else {
        const __m128i low = _mm_set1_epi32(static_cast<int>(colourBytes));
        put(d, _mm_or_si128(_mm_and_si128(a, low), _mm_andnot_si128(low, load(d))));
    }
}

template <fourthByte Fourth>
void copyRow(std::uint32_t *d, const std::uint32_t *s, int n)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) store<Fourth>(d + i, load(s + i));
    for (; i < n; ++i) d[i] = written(s[i], d[i], Fourth);
}

template <fourthByte Fourth>
void reverseRow(std::uint32_t *d, const std::uint32_t *s, int n)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) store<Fourth>(d + i, reversed(load(s + n - 4 - i)));
    for (; i < n; ++i) d[i] = written(s[n - 1 - i], d[i], Fourth);
}

inline void transpose4(__m128i &r0, __m128i &r1, __m128i &r2, __m128i &r3)
{
    const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpackhi_epi32(r0, r1);
    const __m128i t2 = _mm_unpacklo_epi32(r2, r3), t3 = _mm_unpackhi_epi32(r2, r3);
    r0 = _mm_unpacklo_epi64(t0, t2);
    r1 = _mm_unpackhi_epi64(t0, t2);
    r2 = _mm_unpacklo_epi64(t1, t3);
    r3 = _mm_unpackhi_epi64(t1, t3);
}

constexpr int band = turnBand;
constexpr int ahead = 16; // source rows fetched ahead

// Destination rows first .. end − 1 of a swapped turn: destination column x is source row x
// (H − 1 − x where the rows run backward) and destination row y source column y (W − 1 − y where
// the columns run backward). Four destination columns at a time read 32 pixels of four source rows
// and transpose them in eight 4 × 4 blocks.
// Columns x0 .. x1 − 1 only.
template <fourthByte Fourth>
void turnSwapped(const pixelView &s, const pixelTarget &d, bool rowsBackward, bool columnsBackward, int W, int H,
                 int first, int end, int x0, int x1)
{
    auto sourceRow = [&](int x) { return s.row(rowsBackward ? H - 1 - x : x); };
    auto pixel = [&](int x, int y) { return sourceRow(x)[columnsBackward ? W - 1 - y : y]; };
    int y0 = first;
    for (; y0 + band <= end; y0 += band) {
        // The source columns of destination rows y0 .. y0 + 31, as one run read forward.
        const int columnStart = columnsBackward ? W - band - y0 : y0;
        std::uint32_t *rows[band];
        for (int i = 0; i < band; ++i) rows[i] = d.row(columnsBackward ? y0 + band - 1 - i : y0 + i);
        int x = x0;
        for (; x + 4 <= x1; x += 4) {
            const std::uint32_t *src[4];
            for (int j = 0; j < 4; ++j) src[j] = sourceRow(x + j) + columnStart;
            // The source rows a few steps on are asked for ahead: the walk down a column of
            // lines is beyond the processor's own prefetch.
            if (x + 4 + ahead <= x1)
                for (int j = 0; j < 4; ++j)
                    for (int line = 0; line < band; line += 16)
                        _mm_prefetch(reinterpret_cast<const char *>(sourceRow(x + ahead + j) + columnStart + line), _MM_HINT_T0);
            for (int q = 0; q < band / 4; ++q) {
                __m128i r0 = load(src[0] + 4 * q), r1 = load(src[1] + 4 * q);
                __m128i r2 = load(src[2] + 4 * q), r3 = load(src[3] + 4 * q);
                transpose4(r0, r1, r2, r3);
                store<Fourth>(rows[4 * q] + x, r0);
                store<Fourth>(rows[4 * q + 1] + x, r1);
                store<Fourth>(rows[4 * q + 2] + x, r2);
                store<Fourth>(rows[4 * q + 3] + x, r3);
            }
        }
        for (; x < x1; ++x)
            for (int i = 0; i < band; ++i) {
                std::uint32_t *row = d.row(y0 + i);
                row[x] = written(pixel(x, y0 + i), row[x], Fourth);
            }
    }
    for (; y0 < end; ++y0) {
        std::uint32_t *row = d.row(y0);
        for (int x = x0; x < x1; ++x) row[x] = written(pixel(x, y0), row[x], Fourth);
    }
}

} // namespace

bool quarterTurns::swapReversedVector(std::uint32_t *a, std::uint32_t *b, int n, std::uint32_t setBits)
{
    const __m128i set = _mm_set1_epi32(static_cast<int>(setBits));
    int i = 0;
    // Both ends at once: of one row until they meet, or of two rows.
    const int pairs = a == b ? n / 2 : n;
    for (; i + 4 <= pairs; i += 4) {
        const __m128i left = load(a + i), right = load(b + n - 4 - i);
        put(a + i, _mm_or_si128(reversed(right), set));
        put(b + n - 4 - i, _mm_or_si128(reversed(left), set));
    }
    swapReversedPlain(a, b, n, setBits, i);
    return true;
}

bool quarterTurns::swapRowsVector(std::uint32_t *a, std::uint32_t *b, int n, std::uint32_t setBits)
{
    const __m128i set = _mm_set1_epi32(static_cast<int>(setBits));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i a0 = load(a + i), a1 = load(a + i + 4), b0 = load(b + i), b1 = load(b + i + 4);
        put(a + i, _mm_or_si128(b0, set)), put(a + i + 4, _mm_or_si128(b1, set));
        put(b + i, _mm_or_si128(a0, set)), put(b + i + 4, _mm_or_si128(a1, set));
    }
    for (; i < n; ++i) {
        const std::uint32_t t = a[i];
        a[i] = b[i] | setBits;
        b[i] = t | setBits;
    }
    return true;
}

// Runs work.template operator()<Fourth>() with the fourth-byte mode as a constant.
template <class Work>
bool withFourth(fourthByte fourth, const Work &work)
{
    if (fourth == fourthByte::moved)
        work(std::integral_constant<fourthByte, fourthByte::moved>{});
    else
        work(std::integral_constant<fourthByte, fourthByte::kept>{});
    return true;
}

bool quarterTurns::copyRowVector(std::uint32_t *d, const std::uint32_t *s, int n, fourthByte fourth)
{
    return withFourth(fourth, [&](auto mode) { copyRow<decltype(mode)::value>(d, s, n); });
}

bool quarterTurns::reverseRowVector(std::uint32_t *d, const std::uint32_t *s, int n, fourthByte fourth)
{
    return withFourth(fourth, [&](auto mode) { reverseRow<decltype(mode)::value>(d, s, n); });
}

bool quarterTurns::turnSwappedVector(const pixelView &s, const pixelTarget &d, pixelTurn turn, fourthByte fourth,
                                     int W, int H, int first, int end, int x0, int x1)
{
    const bool rowsBackward = turn == pixelTurn::turnRight || turn == pixelTurn::transverse;
    const bool columnsBackward = turn == pixelTurn::turnLeft || turn == pixelTurn::transverse;
    return withFourth(fourth, [&](auto mode) {
        turnSwapped<decltype(mode)::value>(s, d, rowsBackward, columnsBackward, W, H, first, end, x0, x1);
    });
}

#else

bool quarterTurns::swapReversedVector(std::uint32_t *, std::uint32_t *, int, std::uint32_t) { return false; }
bool quarterTurns::swapRowsVector(std::uint32_t *, std::uint32_t *, int, std::uint32_t) { return false; }
bool quarterTurns::copyRowVector(std::uint32_t *, const std::uint32_t *, int, fourthByte) { return false; }
bool quarterTurns::reverseRowVector(std::uint32_t *, const std::uint32_t *, int, fourthByte) { return false; }
bool quarterTurns::turnSwappedVector(const pixelView &, const pixelTarget &, pixelTurn, fourthByte, int, int, int, int,
                                     int, int)
{
    return false;
}

#endif
