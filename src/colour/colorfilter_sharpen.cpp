// Sharpen (15) and emboss (4): 3 × 3 kernels over whole rows, with exact integer scaling where a
// multiply-shift reproduces the double arithmetic; their vector rows are in
// colorfilter_sharpen_vector.cpp.
#include "colorfilter.h"
#include "colorcontrol.h"
#include "filterkernels.h"
#include "kernelrows.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kernelRows {

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

#endif
} // namespace kernelRows

using namespace kernelRows;

void colorFilter::sharpen()
{
    const rowFunctions rowsOf = rowFunctionsFor(vectorUnitsInUse());
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
                    if (scaling.valid)
                        rowsOf.sharpenRowScaled(out, up, mid, down, 1, width - 1, scaling);
                    else
                        rowsOf.sharpenRow(out, up, mid, down, 1, width - 1, f);
                }
            }
        },
        [this](int y) { reportRow(y); });
}

void colorFilter::emboss()
{
    const rowFunctions rowsOf = rowFunctionsFor(vectorUnitsInUse());
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    int base[3];
    splitColor(drawColor, base[0], base[1], base[2]);
    const int level = embosseLevel;
    const int *kernel = embossKernel(embossAngle);
    const mulShift scaling = reliefScaling(kernel, level);

    // The grey step (brightness/chroma/hue with chroma −255, which run() records in those
    // fields) leaves every channel at the luma; only that grey is read, so it is made row by row into a ring of three rows: the grey of
    // row y + 1 is taken before row y is written, so every grey comes from the original colours.
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
                rowsOf.lumaRow(greyRow(y), red, green, blue, width);
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
                    if (scaling.valid)
                        rowsOf.embossRowScaled(out, rows, 1, width - 1, kernel, scaling, base);
                    else
                        rowsOf.embossRow(out, rows, 1, width - 1, kernel, level, base);
                }
            }
        },
        [this](int y) { reportRow(y); });
}
