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

// The window's values are kept in a 256-bin histogram that slides along the row: moving one
// pixel right removes the column that leaves and adds the one that enters (border columns and
// rows repeated, exactly as the clamped window counts them). The median is tracked as the level
// m with count(< m) ≤ n²/2 < count(≤ m), the very entry n²/2 of the sorted window.
void colorFilter::medianFilter()
{
    const int n = medianSize | 1;
    if (n < 1 || width < 1 || height < 1) return;
    const int half = n / 2;
    const int middle = n * n / 2;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    std::unique_ptr<std::uint8_t[]> copies[3];
    for (int p = 0; p < 3; ++p) {
        copies[p].reset(new std::uint8_t[count]);
        std::memcpy(copies[p].get(), planes[p], count);
    }
    // Column index of window position i for the pixel at x, limited to the picture.
    std::vector<int> columnOf(static_cast<std::size_t>(width) + 2 * half + 1);
    for (int i = 0; i < static_cast<int>(columnOf.size()); ++i) columnOf[i] = std::clamp(i - half, 0, width - 1);
    std::vector<const std::uint8_t *> rows(n);
    int histogram[256];
    for (int y = 0; y < height; ++y) {
        for (int p = 0; p < 3; ++p) {
            const std::uint8_t *source = copies[p].get();
            for (int j = 0; j < n; ++j)
                rows[j] = source + static_cast<std::size_t>(std::clamp(y + j - half, 0, height - 1)) * width;
            std::uint8_t *out = planes[p] + static_cast<std::size_t>(y) * width;

            std::fill(std::begin(histogram), std::end(histogram), 0);
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) ++histogram[rows[j][columnOf[i]]];
            int m = 0;
            int below = 0; // values < m
            while (below + histogram[m] <= middle) below += histogram[m++];
            out[0] = static_cast<std::uint8_t>(m);

            for (int x = 1; x < width; ++x) {
                const int leaving = columnOf[x - 1];      // window column x − 1 − half
                const int entering = columnOf[x + 2 * half]; // window column x + half
                if (leaving != entering) {
                    for (int j = 0; j < n; ++j) {
                        const int vo = rows[j][leaving];
                        const int vi = rows[j][entering];
                        --histogram[vo];
                        ++histogram[vi];
                        below += (vi < m) - (vo < m);
                    }
                    while (below > middle) below -= histogram[--m];
                    while (below + histogram[m] <= middle) below += histogram[m++];
                }
                out[x] = static_cast<std::uint8_t>(m);
            }
        }
        reportRow(y);
    }
}
