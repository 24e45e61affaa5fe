// Fringe effects: brightness change toward the picture's rim (circle or square band) and a blur
// that grows with the distance from the centre. The boundary is roughened by draws from the
// shared random generator, one draw per pixel (two for the blur), in row-major order.
#include "colorcontrol.h"
#include "colorfilter.h"
#include "fringeblur.h"
#include "sharedrandom.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

inline int clampByte(int value)
{
    if (value > 255) value = 255;
    if (value < 0) value = 0;
    return value;
}

// Adds change to the luma of the pixel at index i, keeping hue and chroma.
inline void shiftLuma(std::uint8_t *red, std::uint8_t *green, std::uint8_t *blue, std::size_t i, int change)
{
    int luma, hue, chroma, r, g, b;
    fastRgbToYhc(red[i], green[i], blue[i], luma, hue, chroma);
    fastYhcToRgb(clampByte(luma + change), hue, chroma, r, g, b);
    red[i] = static_cast<std::uint8_t>(clampByte(r));
    green[i] = static_cast<std::uint8_t>(clampByte(g));
    blue[i] = static_cast<std::uint8_t>(clampByte(b));
}

// dist of every pixel of a row: trunc(sqrt(dx² + dy²)), dx² per column given.
void rowDistances(const double *dxSquared, double dySquared, int *dist, int width)
{
    int x = 0;
#ifdef __SSE2__
    const __m128d dy2 = _mm_set1_pd(dySquared);
    for (; x + 2 <= width; x += 2) {
        const __m128d root = _mm_sqrt_pd(_mm_add_pd(_mm_loadu_pd(dxSquared + x), dy2));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(dist + x), _mm_cvttpd_epi32(root));
    }
#endif
    for (; x < width; ++x) dist[x] = static_cast<int>(std::sqrt(dxSquared[x] + dySquared));
}

// The picture the planes belong to: the planes themselves, or the whole picture around the part
// they hold (colorFilter's frame).
struct pictureFrame {
    int left, top;     // the planes' first pixel in the picture
    int width, height; // the picture's size
    explicit pictureFrame(const colorFilter &f)
        : left(f.frameWidth > 0 ? f.frameLeft : 0), top(f.frameHeight > 0 ? f.frameTop : 0),
          width(f.frameWidth > 0 ? f.frameWidth : f.width), height(f.frameHeight > 0 ? f.frameHeight : f.height)
    {
    }
    bool wholeOf(const colorFilter &f) const { return left == 0 && top == 0 && width == f.width && height == f.height; }
    std::uint64_t pixels() const { return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height); }
};

// (x − centre)² of each column of the planes, x counted in the picture.
std::vector<double> columnSquares(int width, const pictureFrame &frame)
{
    std::vector<double> squares(static_cast<std::size_t>(width));
    const double centreX = frame.width * 0.5;
    for (int x = 0; x < width; ++x) {
        const double dx = (x + frame.left) - centreX;
        squares[x] = dx * dx;
    }
    return squares;
}

// sum / n for the box means, by one multiplication with the box's reciprocal; the product is
// within a millionth of the true quotient, so one step up or down makes it exact.
inline std::uint32_t exactQuotient(std::uint32_t sum, std::uint32_t n, double inverse)
{
    std::uint32_t q = static_cast<std::uint32_t>(sum * inverse);
    const std::uint64_t product = static_cast<std::uint64_t>(q) * n;
    if (product > sum) --q;
    else if (product + n <= sum) ++q;
    return q;
}

// A generator standing where the shared one will at the first pixel of the planes' row y, once
// the pixels before it in the picture have taken their draws (perPixel each) from position
// start: each row takes its draws from it in their order while other bands take theirs, and the
// shared generator leaps past them all. A part of the picture draws what its pixels draw in a
// whole run.
sharedRandom generatorAtRow(std::uint32_t start, const pictureFrame &frame, int y, int perPixel)
{
    const std::uint64_t before = static_cast<std::uint64_t>(y + frame.top) * static_cast<std::uint64_t>(frame.width) +
                                 static_cast<std::uint64_t>(frame.left);
    sharedRandom row;
    row.seed(sharedRandom::leapOf(before * static_cast<std::uint64_t>(perPixel)).from(start));
    return row;
}

} // namespace

void colorFilter::fringeBrightCircle()
{
    if (width <= 0 || height <= 0) return;
    sharedRandom &random = sharedRandom::instance();
    const pictureFrame frame(*this);
    const int half = fringeSize / 2;
    const double factor = fringeLevel / fringeHalfDiagonal(frame.width, frame.height);
    const double centreY = frame.height * 0.5;
    const std::vector<double> dxSquared = columnSquares(width, frame);
    const std::uint32_t first = random.position();
    forEachRowBand([&](int top, int end) {
        std::vector<int> jitter(width), dist(width);
        for (int y = top; y < end; ++y) {
            generatorAtRow(first, frame, y, 1).fillBelow<15>(jitter.data(), width);
            const double dy = (y + frame.top) - centreY;
            rowDistances(dxSquared.data(), dy * dy, dist.data(), width);
            const std::size_t start = static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x) {
                const int e = half + jitter[x];
                if (e < dist[x]) {
                    const int change = static_cast<int>(factor * (dist[x] - e));
                    if (change != 0) shiftLuma(redPlane, greenPlane, bluePlane, start + x, change);
                }
            }
        }
    });
    random.skip(frame.pixels());
}

void colorFilter::fringeBrightSquare()
{
    if (width <= 0 || height <= 0) return;
    sharedRandom &random = sharedRandom::instance();
    // A band of size 0 has no depth to spread the level over: its pixels keep their luma.
    const double factor = fringeSize != 0 ? static_cast<double>(fringeLevel) / fringeSize : 0.0;
    const pictureFrame frame(*this);
    const std::uint32_t first = random.position();
    forEachRowBand([&](int top, int end) {
        std::vector<int> jitter(width);
        for (int y = top; y < end; ++y) {
            generatorAtRow(first, frame, y, 1).fillBelow<10>(jitter.data(), width);
            const std::size_t start = static_cast<std::size_t>(y) * width;
            const int py = y + frame.top;
            for (int x = 0; x < width; ++x) {
                const int px = x + frame.left;
                const int c = std::min(std::min(py, px), std::min(frame.height - py, frame.width - px));
                const int f = fringeSize + jitter[x];
                if (c < f) {
                    const int change = fringeSize != 0 ? static_cast<int>((f - c) * factor) : 0;
                    shiftLuma(redPlane, greenPlane, bluePlane, start + x, change);
                }
            }
        }
    });
    random.skip(frame.pixels());
}

// The box means come from a summed-area table of the picture as it was before the run. Only
// the table rows that the boxes of the current band of rows can reach are kept, in a ring: they
// are built ahead of the band from plane rows that are still unchanged, so no plane copies are
// needed. The table wraps modulo 2^32, which leaves every box sum exact: a box holds at most
// (2h + 1)² pixels, and h stays below 256 whenever the picture has more than 2^32 / 255 pixels
// (h ≤ k · (D + 14) / 2 = density · (D + 14) / (2D)).
// The random draws stay in row order: a first pass over the band's rows decides every pixel's
// box, a second pass takes the means tile by tile, so the table cells a tile reads stay in cache.
void colorFilter::fringeBlur()
{
    if (width <= 0 || height <= 0) return;
    fringeBlurJob job;
    job.red = redPlane, job.green = greenPlane, job.blue = bluePlane;
    job.width = width, job.height = height;
    job.size = outFocusSize, job.density = outFocusDensity | 1;
    job.reportRow = [this](int y) { reportRow(y); };
    const pictureFrame frame(*this);
    // A part of a picture takes the plain path, which knows where the part lies.
    if (frame.wholeOf(*this) && fringeBlurWide(job)) return;

    sharedRandom &random = sharedRandom::instance();
    const int size = outFocusSize;
    const int density = outFocusDensity | 1;
    const double diagonal = fringeHalfDiagonal(frame.width, frame.height);
    const double k = density / diagonal;
    const double centreY = frame.height * 0.5;

    // A box reaches no further than the picture's largest one, nor beyond the planes' longer side.
    const int reach = std::min(fringeBlurReach(frame.width, frame.height, size, density), std::max(width, height));
    constexpr int band = 64;
    constexpr int tile = 128;
    constexpr int prefetchAhead = 48;
    const int ringRows = std::min(band + 2 * reach + 2, height + 1);
    // Cells of four lanes (red, green, blue, unused) so a corner is one vector load.
    const std::size_t stride = static_cast<std::size_t>(width + 1) * 4;
    // Single-precision division gives the exact integer quotient while sum + n < 2^24 (the
    // rounded quotient can only reach the next integer when n · (q + 1) ≥ 2^24); sums are at
    // most 255 · n.
    const double largestBox = (2.0 * reach + 1) * (2.0 * reach + 1);
    const bool singlePrecision = 256.0 * largestBox < 16777216.0;
    (void)singlePrecision;
    const std::vector<double> dxSquared = columnSquares(width, frame);
    const std::uint32_t firstDraw = random.position();

    // Bands of rows on the worker threads. A band's table starts at the highest row its boxes
    // reach, as if the picture began there, which leaves every box sum the same; the rows it
    // reads beyond its own come from copies taken before any band began.
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    const std::vector<int> edges = rowBands(height, 2 * reach + 1);
    const bandNeighbours originals(planes, 3, width, height, edges, reach);
    forEachBand(edges, [&](int first, int end) {
        const int origin = std::max(0, first - reach);
        std::vector<std::uint32_t> ring(static_cast<std::size_t>(ringRows) * stride, 0);
        std::vector<std::uint32_t *> rowOf(static_cast<std::size_t>(height) + 1, ring.data());
        for (int j = origin; j <= height; ++j) rowOf[j] = ring.data() + static_cast<std::size_t>((j - origin) % ringRows) * stride;
        int built = origin; // table rows origin .. built are ready (row origin is all zero)
        auto buildUpTo = [&](int last) {
            last = std::min(last, height);
            for (; built < last; ++built) {
                const std::uint32_t *above = rowOf[built];
                std::uint32_t *row = rowOf[built + 1];
                const std::uint8_t *red = originals.row(first, 0, built), *green = originals.row(first, 1, built),
                                   *blue = originals.row(first, 2, built);
                row[0] = row[1] = row[2] = row[3] = 0;
                int x = 0;
#ifdef __SSE2__
                __m128i run = _mm_setzero_si128();
                const __m128i zero = _mm_setzero_si128();
                for (; x + 16 <= width; x += 16) {
                    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i *>(red + x));
                    const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i *>(green + x));
                    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(blue + x));
                    const __m128i rgLow = _mm_unpacklo_epi8(r, g), rgHigh = _mm_unpackhi_epi8(r, g);
                    const __m128i b0Low = _mm_unpacklo_epi8(b, zero), b0High = _mm_unpackhi_epi8(b, zero);
                    const __m128i quads[4] = {_mm_unpacklo_epi16(rgLow, b0Low), _mm_unpackhi_epi16(rgLow, b0Low),
                                              _mm_unpacklo_epi16(rgHigh, b0High), _mm_unpackhi_epi16(rgHigh, b0High)};
                    for (int q = 0; q < 4; ++q) {
                        const __m128i words[2] = {_mm_unpacklo_epi8(quads[q], zero), _mm_unpackhi_epi8(quads[q], zero)};
                        for (int w = 0; w < 2; ++w) {
                            const __m128i pixels[2] = {_mm_unpacklo_epi16(words[w], zero), _mm_unpackhi_epi16(words[w], zero)};
                            for (int p = 0; p < 2; ++p) {
                                const std::size_t c = static_cast<std::size_t>(x + 4 * q + 2 * w + p + 1) * 4;
                                run = _mm_add_epi32(run, pixels[p]);
                                const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i *>(above + c));
                                _mm_storeu_si128(reinterpret_cast<__m128i *>(row + c), _mm_add_epi32(up, run));
                            }
                        }
                    }
                }
                alignas(16) std::uint32_t lanes[4];
                _mm_store_si128(reinterpret_cast<__m128i *>(lanes), run);
                std::uint32_t runRed = lanes[0], runGreen = lanes[1], runBlue = lanes[2];
#else
                std::uint32_t runRed = 0, runGreen = 0, runBlue = 0;
#endif
                for (; x < width; ++x) {
                    runRed += red[x];
                    runGreen += green[x];
                    runBlue += blue[x];
                    const std::size_t c = static_cast<std::size_t>(x + 1) * 4;
                    row[c] = above[c] + runRed;
                    row[c + 1] = above[c + 1] + runGreen;
                    row[c + 2] = above[c + 2] + runBlue;
                    row[c + 3] = 0;
                }
            }
        };
        // Box half-size of each pixel of the band; 0 for pixels left as they are.
        std::vector<int> halves(static_cast<std::size_t>(band) * width);
        std::vector<int> draws(2 * static_cast<std::size_t>(width)), dist(width);
        for (int bandTop = first; bandTop < end; bandTop += band) {
            const int bandBottom = std::min(end, bandTop + band); // exclusive
            buildUpTo(bandBottom + reach);
            for (int y = bandTop; y < bandBottom; ++y) {
                const double dy = (y + frame.top) - centreY;
                int *half = halves.data() + static_cast<std::size_t>(y - bandTop) * width;
                // first and second draw of each pixel
                generatorAtRow(firstDraw, frame, y, 2).fillBelow<15>(draws.data(), 2 * width);
                rowDistances(dxSquared.data(), dy * dy, dist.data(), width);
                int x = 0;
#ifdef __SSE2__
                // Four pixels at a time; t / 2 is a shift here because t ≥ 0 when size ≥ 0.
                if (size >= 0) {
                    const __m128i halfSize = _mm_set1_epi32(size / 2), sizes = _mm_set1_epi32(size);
                    const __m128i reaches = _mm_set1_epi32(reach);
                    const __m128d slope = _mm_set1_pd(k);
                    for (; x + 4 <= width; x += 4) {
                        const __m128 pairsLow = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i *>(draws.data() + 2 * x)));
                        const __m128 pairsHigh = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i *>(draws.data() + 2 * x + 4)));
                        const __m128i first = _mm_castps_si128(_mm_shuffle_ps(pairsLow, pairsHigh, _MM_SHUFFLE(2, 0, 2, 0)));
                        const __m128i second = _mm_castps_si128(_mm_shuffle_ps(pairsLow, pairsHigh, _MM_SHUFFLE(3, 1, 3, 1)));
                        const __m128i l = _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(dist.data() + x)), first);
                        const __m128i o = _mm_sub_epi32(l, halfSize);
                        const __m128i rLow = _mm_cvttpd_epi32(_mm_mul_pd(slope, _mm_cvtepi32_pd(o)));
                        const __m128i rHigh = _mm_cvttpd_epi32(_mm_mul_pd(slope, _mm_cvtepi32_pd(_mm_unpackhi_epi64(o, o))));
                        __m128i h = _mm_srai_epi32(_mm_unpacklo_epi64(rLow, rHigh), 1);
                        const __m128i tooFar = _mm_cmpgt_epi32(h, reaches);
                        h = _mm_or_si128(_mm_and_si128(tooFar, reaches), _mm_andnot_si128(tooFar, h));
                        const __m128i blurred = _mm_cmpgt_epi32(l, _mm_srai_epi32(_mm_add_epi32(second, sizes), 1));
                        _mm_storeu_si128(reinterpret_cast<__m128i *>(half + x), _mm_and_si128(blurred, h));
                    }
                }
#endif
                for (; x < width; ++x) {
                    const int l = dist[x] + draws[2 * x];
                    const int o = l - size / 2;
                    const int r = static_cast<int>(k * o);
                    const int t = draws[2 * x + 1] + size;
                    half[x] = t / 2 < l ? std::min(r >> 1, reach) : 0;
                }
            }
            // Locals, so the byte stores below cannot be taken to change them.
            std::uint8_t *const outRed = redPlane, *const outGreen = greenPlane, *const outBlue = bluePlane;
            const int columns = width, lastColumn = width - 1, lastRow = height - 1;
            const std::uint32_t *const *const rows = rowOf.data();
            for (int tileLeft = 0; tileLeft < width; tileLeft += tile) {
                const int tileRight = std::min(columns, tileLeft + tile); // exclusive
                for (int y = bandTop; y < bandBottom; ++y) {
                    const int *half = halves.data() + static_cast<std::size_t>(y - bandTop) * width;
                    const std::size_t rowStart = static_cast<std::size_t>(y) * width;
                    for (int x = tileLeft; x < tileRight; ++x) {
                        const int h = half[x];
#ifdef __SSE2__
                        // Ask for the corners of a pixel a little ahead: the table is far larger
                        // than the caches, and each corner cell serves only a few pixels. A cache
                        // line holds four cells, so every fourth pixel is enough.
                        if ((x & 3) == 0 && x + prefetchAhead < columns) {
                            const int ah = half[x + prefetchAhead];
                            if (ah > 0) {
                                const int ax = x + prefetchAhead;
                                const char *up = reinterpret_cast<const char *>(rows[std::max(0, y - ah)]);
                                const char *down = reinterpret_cast<const char *>(rows[std::min(lastRow, y + ah) + 1]);
                                const std::size_t l4 = static_cast<std::size_t>(std::max(0, ax - ah)) * 16;
                                const std::size_t r4 = static_cast<std::size_t>(std::min(lastColumn, ax + ah) + 1) * 16;
                                _mm_prefetch(up + l4, _MM_HINT_T0);
                                _mm_prefetch(up + r4, _MM_HINT_T0);
                                _mm_prefetch(down + l4, _MM_HINT_T0);
                                _mm_prefetch(down + r4, _MM_HINT_T0);
                            }
                        }
#endif
                        if (h <= 0) continue; // a box of one pixel keeps it
                        const int left = std::max(0, x - h), right = std::min(lastColumn, x + h);
                        const int top = std::max(0, y - h), bottom = std::min(lastRow, y + h);
                        const std::uint32_t *upper = rows[top];
                        const std::uint32_t *lower = rows[bottom + 1];
                        const std::size_t a = static_cast<std::size_t>(left) * 4;
                        const std::size_t b = static_cast<std::size_t>(right + 1) * 4;
                        const std::uint32_t n = static_cast<std::uint32_t>(right - left + 1) *
                                                static_cast<std::uint32_t>(bottom - top + 1);
#ifdef __SSE2__
                        const __m128i sums = _mm_add_epi32(
                            _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(lower + b)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i *>(lower + a))),
                            _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(upper + a)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i *>(upper + b))));
                        __m128i means;
                        if (singlePrecision) {
                            means = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(sums), _mm_set1_ps(static_cast<float>(n))));
                        } else {
                            // Sums stay below 2^31 (see above), so the signed conversions are exact,
                            // and a double quotient of integers below 2^33 truncates exactly.
                            const __m128d count = _mm_set1_pd(static_cast<double>(n));
                            const __m128i low = _mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(sums), count));
                            const __m128i high = _mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(sums, sums)), count));
                            means = _mm_unpacklo_epi64(low, high);
                        }
                        const __m128i words = _mm_packs_epi32(means, means);
                        const std::uint32_t packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
                        outRed[rowStart + x] = static_cast<std::uint8_t>(packed);
                        outGreen[rowStart + x] = static_cast<std::uint8_t>(packed >> 8);
                        outBlue[rowStart + x] = static_cast<std::uint8_t>(packed >> 16);
#else
                        const std::uint32_t sumRed = lower[b] - lower[a] - upper[b] + upper[a];
                        const std::uint32_t sumGreen = lower[b + 1] - lower[a + 1] - upper[b + 1] + upper[a + 1];
                        const std::uint32_t sumBlue = lower[b + 2] - lower[a + 2] - upper[b + 2] + upper[a + 2];
                        const double inverse = 1.0 / n;
                        outRed[rowStart + x] = static_cast<std::uint8_t>(exactQuotient(sumRed, n, inverse));
                        outGreen[rowStart + x] = static_cast<std::uint8_t>(exactQuotient(sumGreen, n, inverse));
                        outBlue[rowStart + x] = static_cast<std::uint8_t>(exactQuotient(sumBlue, n, inverse));
#endif
                    }
                }
            }
        }
    }, [this](int y) { reportRow(y); });
    random.skip(2 * frame.pixels());
}
