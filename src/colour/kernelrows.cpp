// The row primitives the kernel filters share, plain and choosing their vector versions.
#include "kernelrows.h"
#include "filterkernels.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <cmath>

namespace kernelRows {

// ---- acc[i] += (w · src[i]) >> 8 over a row ----

void addWeightedRowPlain(std::uint16_t *acc, const std::uint8_t *src, int count, int w)
{
    for (int i = 0; i < count; ++i) acc[i] = static_cast<std::uint16_t>(acc[i] + ((w * src[i]) >> 8));
}

void widenAddPlain(std::uint32_t *acc32, const std::uint16_t *acc16, int count)
{
    for (int i = 0; i < count; ++i) acc32[i] += acc16[i];
}

rowFunctions rowFunctionsFor(const vectorUnits &units)
{
    rowFunctions f{addWeightedRowPlain, widenAddPlain, nullptr,          nullptr,         nullptr,
                   nullptr,             divideRowPlain, softMixRowPlain, sharpenRowPlain, sharpenRowScaled,
                   lumaRowPlain,        embossRowPlain, embossRowScaled};
#ifdef KORVIA_X86
    if (units.avx2) {
        f.addWeightedRow = addWeightedRowAvx2;
        f.widenAdd = widenAddAvx2;
        f.blockSums16 = blockSums16;
        f.blockSums32 = blockSums32;
        f.divideRow = divideRowAvx2;
        f.softMixRow = softMixRowAvx2;
        f.sharpenRow = sharpenRowAvx2;
        f.sharpenRowScaled = sharpenRowScaledAvx2;
        f.lumaRow = lumaQuotientExact() ? lumaRowExactAvx2 : lumaRowAvx2;
        f.embossRow = embossRowAvx2;
        f.embossRowScaled = embossRowScaledAvx2;
    }
    if (units.avx512) {
        f.widenAdd = widenAddWide;
        f.blockSums16Wide = blockSums16Wide;
        f.blockSums32Wide = blockSums32Wide;
        f.sharpenRowScaled = sharpenRowScaledWide;
        f.lumaRow = lumaQuotientExact() ? lumaRowExactWide : lumaRowWide;
        f.embossRowScaled = embossRowScaledWide;
    }
#else
    (void)units;
#endif
    return f;
}

// Adds the taps of one kernel row (all with the same dy) for the outputs from..to−1 of a row into
// acc, each tap's x-range cut to the picture.
void addKernelRow(const rowFunctions &rows, std::uint16_t *acc, const std::uint8_t *row, int width, const tap *taps,
                  std::size_t tapCount, int from, int to)
{
    for (std::size_t t = 0; t < tapCount; ++t) {
        const int dx = taps[t].dx;
        const int x0 = std::max(from, -dx);
        const int x1 = std::min(to, width - dx);
        if (x1 > x0) rows.addWeightedRow(acc + x0, row + x0 + dx, x1 - x0, taps[t].w);
    }
}

int tapRowsAround(tapRow *rows, const std::vector<std::vector<tap>> &rowTaps, int centre,
                  const std::function<const std::uint8_t *(int)> &rowAt, int y, int dyTop, int dyBottom)
{
    int rowCount = 0;
    for (int dy = dyTop; dy <= dyBottom; ++dy) {
        const std::vector<tap> &taps = rowTaps[dy + centre];
        if (taps.empty()) continue;
        rows[rowCount++] = {rowAt(y + dy), taps.data(), static_cast<int>(taps.size())};
    }
    return rowCount;
}

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

// ---- finishing rows ----

// out[i] = min(acc[i] / a, 255)
void divideRowPlain(std::uint8_t *out, const std::uint16_t *acc, int count, int a)
{
    for (int i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(std::min(acc[i] / a, 255));
}

// out[i] = trunc(q · min(trunc(acc[i] · scale[i]), 255) + r · v[i])
void softMixRowPlain(std::uint8_t *out, const std::uint32_t *acc, const double *scale, const std::uint8_t *v,
                     int count, double q, double r)
{
    for (int i = 0; i < count; ++i) {
        const int blurred = std::min(static_cast<int>(acc[i] * scale[i]), 255);
        out[i] = static_cast<std::uint8_t>(static_cast<int>(q * blurred + r * v[i]));
    }
}

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
void convolveSpan(const rowFunctions &rows, std::uint16_t *out, const std::uint8_t *row, const tap *taps, int tapCount,
                  int width, int left,
                  int right, int x0, int x1)
{
    int from = x0, to = x0;
    const int start = std::max(x0, left);
    const int stop = std::min(x1, width - right);
    if (rows.blockSums16 && stop > start) {
        const tapRow single{row + start, taps, tapCount};
        const int length = stop - start;
        int done = 0;
        if (rows.blockSums16Wide) {
            done = rows.blockSums16Wide(out + (start - x0), &single, 1, done, length);
            // One more block ending exactly at the end; it repeats a few outputs with equal values.
            if (done < length && length >= 64) done = rows.blockSums16Wide(out + (start - x0), &single, 1, length - 64, length);
        }
        done = rows.blockSums16(out + (start - x0), &single, 1, done, length);
        if (done < length && length >= 32) done = rows.blockSums16(out + (start - x0), &single, 1, length - 32, length);
        from = start;
        to = start + done;
    }
    const int segments[2][2] = {{x0, from}, {to, x1}};
    for (const auto &segment : segments) {
        const int a = segment[0], b = segment[1];
        if (b <= a) continue;
        std::fill(out + (a - x0), out + (b - x0), std::uint16_t(0));
        for (int t = 0; t < tapCount; ++t) {
            const int dx = taps[t].dx;
            const int xa = std::max(a, -dx), xb = std::min(b, width - dx);
            if (xb > xa) rows.addWeightedRow(out + (xa - x0), row + xa + dx, xb - xa, taps[t].w);
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
} // namespace kernelRows
