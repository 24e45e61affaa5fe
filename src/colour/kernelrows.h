// Inside the kernel filters (sharpen, soft focus, emboss, motion blur): the row primitives their
// families share, and the rows each family's vector file (colorfilter_*_vector.cpp, beside the
// plain one) offers it.
//
// The filters work row by row on whole rows of samples, so that the inner loops run over
// contiguous bytes and vectorise. Each weighted term is (w · v) >> 8 with w ≤ 256; it is formed
// exactly as the high half of (v << 8) · w, one 16-bit multiply per sample. The x-range of every
// kernel tap is cut to the picture, which is exactly the "neighbour inside the picture" rule.
// Every real-number step (sharpen and emboss scaling, the soft-focus mix) is done in double
// precision in the same order as the scalar formula, so the results are byte-identical to it.
#pragma once
#include "imagedata/picturememory.h"
#include "imagedata/vectorpaths.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KORVIA_X86 1
// GCC 12 reports its own 512-bit intrinsics as possibly uninitialised.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace kernelRows {
using plane = pictureBytes;

inline int clampByte(int value)
{
    if (value > 255) value = 255;
    if (value < 0) value = 0;
    return value;
}

// One non-zero kernel weight at (dx, dy).
struct tap {
    int dx;
    int dy;
    int w;
};

// The taps of one kernel row together with the source row they read.
struct tapRow {
    const std::uint8_t *row;
    const tap *taps;
    int count;
};

// ---- exact integer scaling for sharpen and emboss ----
//
// Both filters scale a small integer v (sharpen's Laplacian, emboss's kernel sum) by a double and
// truncate. For a given parameter the results form a table over every possible v, made with the
// very same double expression as the plain row loops. When a multiply-shift
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

#ifdef KORVIA_X86
__attribute__((target("avx2"))) inline __m128i loadBytes4(const std::uint8_t *p)
{
    int v;
    std::memcpy(&v, p, 4);
    return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(v));
}
#endif

// ---- the rows of one run (kernelrows.cpp) ----
// A kernel filter's run reads the vector units (vectorUnitsInUse()) once when it starts and picks
// its row functions from them (rowFunctionsFor); its row and plane loops call what it picked and
// never ask again. The block sums are nullptr where the units have none of that width.
using ::vectorUnits;
struct rowFunctions {
    void (*addWeightedRow)(std::uint16_t *acc, const std::uint8_t *src, int count, int w);
    void (*widenAdd)(std::uint32_t *acc32, const std::uint16_t *acc16, int count);
    int (*blockSums16Wide)(std::uint16_t *acc, const tapRow *rows, int rowCount, int from, int to);
    int (*blockSums16)(std::uint16_t *acc, const tapRow *rows, int rowCount, int from, int to);
    int (*blockSums32Wide)(std::uint32_t *acc, const tapRow *rows, int rowCount, int from, int to);
    int (*blockSums32)(std::uint32_t *acc, const tapRow *rows, int rowCount, int from, int to);
    void (*divideRow)(std::uint8_t *out, const std::uint16_t *acc, int count, int a);
    void (*softMixRow)(std::uint8_t *out, const std::uint32_t *acc, const double *scale, const std::uint8_t *v,
                       int count, double q, double r);
    void (*sharpenRow)(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down,
                       int from, int to, double f);
    void (*sharpenRowScaled)(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid,
                             const std::uint8_t *down, int from, int to, const mulShift &m);
    void (*lumaRow)(std::uint8_t *grey, const std::uint8_t *r, const std::uint8_t *g, const std::uint8_t *b,
                    int count);
    void (*embossRow)(std::uint8_t *const out[3], const std::uint8_t *const rows[3], int from, int to,
                      const int *kernel, int level, const int base[3]);
    void (*embossRowScaled)(std::uint8_t *const out[3], const std::uint8_t *const rows[3], int from, int to,
                            const int *kernel, const mulShift &m, const int base[3]);
};
rowFunctions rowFunctionsFor(const vectorUnits &units);

// ---- shared rows (kernelrows.cpp) ----
void addWeightedRowPlain(std::uint16_t *acc, const std::uint8_t *src, int count, int w);
void widenAddPlain(std::uint32_t *acc32, const std::uint16_t *acc16, int count);
void addKernelRow(const rowFunctions &rows, std::uint16_t *acc, const std::uint8_t *row, int width, const tap *taps,
                  std::size_t tapCount, int from, int to);
void tapReach(const std::vector<std::vector<tap>> &rowTaps, int &left, int &right);
mulShift findMulShift(const std::vector<int> &table, int range, int pre, double factor, int limit);
void divideRowPlain(std::uint8_t *out, const std::uint16_t *acc, int count, int a);
void softMixRowPlain(std::uint8_t *out, const std::uint32_t *acc, const double *scale, const std::uint8_t *v,
                     int count, double q, double r);
void kernelSumsPlain(const std::uint8_t *source, int width, int height, const std::vector<int> &kernel, int n, int x,
                     int y, long long &sum);
void convolveSpan(const rowFunctions &rows, std::uint16_t *out, const std::uint8_t *row, const tap *taps, int tapCount,
                  int width, int left,
                  int right, int x0, int x1);
void copyPlanesBack(std::uint8_t *const planes[3], const plane copies[3], int width, int height);

// ---- sharpen and emboss rows (colorfilter_sharpen.cpp) ----
void sharpenRowPlain(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down,
                     int from, int to, double f);
void lumaRowPlain(std::uint8_t *grey, const std::uint8_t *r, const std::uint8_t *g, const std::uint8_t *b, int count);
void embossRowPlain(std::uint8_t *const out[3], const std::uint8_t *const rows[3], int from, int to,
                    const int *kernel, int level, const int base[3]);
mulShift sharpenScaling(double f);
int reliefRange(const int *kernel);
mulShift reliefScaling(const int *kernel, int level);
void sharpenRowScaled(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down,
                      int from, int to, const mulShift &m);
void embossRowScaled(std::uint8_t *const out[3], const std::uint8_t *const rows[3], int from, int to,
                     const int *kernel, const mulShift &m, const int base[3]);

// The kernel rows dyTop .. dyBottom (rowTaps[centre + dy]) that have taps, each with the source
// row rowAt(y + dy) it reads around output row y; returns how many were written to rows.
int tapRowsAround(tapRow *rows, const std::vector<std::vector<tap>> &rowTaps, int centre,
                  const std::function<const std::uint8_t *(int)> &rowAt, int y, int dyTop, int dyBottom);

#ifdef KORVIA_X86
bool lumaQuotientExact();

// ---- vector rows (kernelrows_vector.cpp, colorfilter_sharpen_vector.cpp) ----
__attribute__((target("avx2"))) void addWeightedRowAvx2(std::uint16_t *acc, const std::uint8_t *src, int count, int w);
__attribute__((target("avx2"))) void widenAddAvx2(std::uint32_t *acc32, const std::uint16_t *acc16, int count);
__attribute__((target("avx2,avx512f,avx512bw"))) void widenAddWide(std::uint32_t *acc32, const std::uint16_t *acc16, int count);
__attribute__((target("avx2"))) int blockSums16(std::uint16_t *acc, const tapRow *rows, int rowCount, int from, int to);
__attribute__((target("avx2"))) int blockSums32(std::uint32_t *acc, const tapRow *rows, int rowCount, int from, int to);
__attribute__((target("avx2,avx512f,avx512bw"))) int blockSums16Wide(std::uint16_t *acc, const tapRow *rows, int rowCount,
                                                                    int from, int to);
__attribute__((target("avx2,avx512f,avx512bw"))) int blockSums32Wide(std::uint32_t *acc, const tapRow *rows, int rowCount,
                                                                    int from, int to);
__attribute__((target("avx2"))) void divideRowAvx2(std::uint8_t *out, const std::uint16_t *acc, int count, int a);
__attribute__((target("avx2"))) void softMixRowAvx2(std::uint8_t *out, const std::uint32_t *acc, const double *scale,
                                                    const std::uint8_t *v, int count, double q, double r);
__attribute__((target("avx2"))) void sharpenRowAvx2(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid,
                                                    const std::uint8_t *down, int from, int to, double f);
__attribute__((target("avx2"))) void lumaRowAvx2(std::uint8_t *grey, const std::uint8_t *r, const std::uint8_t *g,
                                                 const std::uint8_t *b, int count);
__attribute__((target("avx2"))) void embossRowAvx2(std::uint8_t *const out[3], const std::uint8_t *const rows[3], int from,
                                                   int to, const int *kernel, int level, const int base[3]);
__attribute__((target("avx2"))) void sharpenRowScaledAvx2(std::uint8_t *out, const std::uint8_t *up, const std::uint8_t *mid,
                                                          const std::uint8_t *down, int from, int to, const mulShift &m);
__attribute__((target("avx2"))) void embossRowScaledAvx2(std::uint8_t *const out[3], const std::uint8_t *const rows[3],
                                                         int from, int to, const int *kernel, const mulShift &m,
                                                         const int base[3]);
__attribute__((target("avx2,avx512f,avx512bw"))) void sharpenRowScaledWide(std::uint8_t *out, const std::uint8_t *up,
                                                                          const std::uint8_t *mid, const std::uint8_t *down,
                                                                          int from, int to, const mulShift &m);
__attribute__((target("avx2,avx512f,avx512bw"))) void embossRowScaledWide(std::uint8_t *const out[3],
                                                                         const std::uint8_t *const rows[3], int from, int to,
                                                                         const int *kernel, const mulShift &m,
                                                                         const int base[3]);
__attribute__((target("avx2,avx512f,avx512bw"))) void lumaRowWide(std::uint8_t *grey, const std::uint8_t *r,
                                                                 const std::uint8_t *g, const std::uint8_t *b, int count);
__attribute__((target("avx2"))) void lumaRowExactAvx2(std::uint8_t *grey, const std::uint8_t *r, const std::uint8_t *g,
                                                      const std::uint8_t *b, int count);
__attribute__((target("avx2,avx512f,avx512bw"))) void lumaRowExactWide(std::uint8_t *grey, const std::uint8_t *r,
                                                                      const std::uint8_t *g, const std::uint8_t *b,
                                                                      int count);
#endif
} // namespace kernelRows
