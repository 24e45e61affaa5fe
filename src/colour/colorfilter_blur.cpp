// Soft focus (16) and motion blur (5): weighted sums of a square kernel's taps over whole rows,
// on the shared rows of kernelrows.h (vector blocks where the processor has them).
#include "colorfilter.h"
#include "filterkernels.h"
#include "kernelrows.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace kernelRows;

void colorFilter::softFocus()
{
    const vectorUnits units = vectorUnitsInUse();
    const rowFunctions rowsOf = rowFunctionsFor(units);
    const double r = softCoreLevel * 0.01;
    const double q = 1 - r;
    int n = 0;
    const std::vector<int> kernel = softFocusKernel(softSize, n);
    if (n < 1 || width < 1 || height < 1) return;
    const int h = n / 2;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    plane copies[3] = {borrowPictureBytes(count), borrowPictureBytes(count), borrowPictureBytes(count)};

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
    if (units.avx2) {
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
                        rowsOf.softMixRow(copies[p].get() + at, sums(p, y), scale.data() + x0, planes[p] + at, length, q, r);
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
                            convolveSpan(rowsOf, convolved.data(), source, taps.data(), static_cast<int>(taps.size()), width,
                                         left[h + k], right[h + k], x0, x1);
                            if (toAbove) rowsOf.widenAdd(sums(p, above), convolved.data(), length);
                            if (toBelow) rowsOf.widenAdd(sums(p, below), convolved.data(), length);
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
                if (rowsOf.blockSums32 && reachRight < width) {
                    const int rowCount = tapRowsAround(
                        rows.data(), rowTaps, h, [&](int row) { return planes[p] + static_cast<std::size_t>(row) * width; },
                        y, dyTop, dyBottom);
                    blockFrom = reachLeft;
                    blockTo = blockFrom;
                    if (rowsOf.blockSums32Wide)
                        blockTo = rowsOf.blockSums32Wide(acc32.data(), rows.data(), rowCount, blockTo, width - reachRight);
                    blockTo = rowsOf.blockSums32(acc32.data(), rows.data(), rowCount, blockTo, width - reachRight);
                }
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
                        addKernelRow(rowsOf, acc16.data(), planes[p] + static_cast<std::size_t>(y + dy) * width, width,
                                     taps.data(), taps.size(), from, to);
                        rowsOf.widenAdd(acc32.data() + from, acc16.data() + from, to - from);
                    }
                }
                const std::size_t at = static_cast<std::size_t>(y) * width;
                rowsOf.softMixRow(copies[p].get() + at, acc32.data(), scale.data(), planes[p] + at, width, q, r);
            }
        }
    });
    copyPlanesBack(planes, copies, width, height);
}

void colorFilter::motionBlur()
{
    const rowFunctions rowsOf = rowFunctionsFor(vectorUnitsInUse());
    const int m = vibrateSize;
    if (m < 1 || width < 1 || height < 1) return;
    const int a = 2 * m + 1;
    const std::vector<int> kernel = motionBlurKernel(m, vibrateAngle);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};

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
        plane copies[3] = {borrowPictureBytes(count), borrowPictureBytes(count), borrowPictureBytes(count)};
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
    // In place: a band's results wait m + 1 rows before they go into the plane, so the rows
    // below still read the originals there; the rows just outside a band are read from copies
    // taken before any band began.
    const std::vector<int> edges = rowBands(height);
    const bandNeighbours originals(planes, 3, width, height, edges, m);
    forEachBand(
        edges,
        [&](int first, int end) {
            std::vector<tapRow> rows(a);
            std::vector<std::uint16_t> acc16(width);
            std::vector<std::uint32_t> acc32(width);
            const int delay = std::min(m + 1, end - first);
            std::vector<std::uint8_t> waiting(3 * static_cast<std::size_t>(delay) * width);
            auto waitingRow = [&](int p, int y) {
                return waiting.data() + (static_cast<std::size_t>(p) * delay + (y - first) % delay) * width;
            };
            auto flush = [&](int y) {
                for (int p = 0; p < 3; ++p)
                    std::memcpy(planes[p] + static_cast<std::size_t>(y) * width, waitingRow(p, y), static_cast<std::size_t>(width));
            };
            auto source = [&](int p, int row) -> const std::uint8_t * {
                if (row < first || row >= end) return originals.row(first, p, row);
                return planes[p] + static_cast<std::size_t>(row) * width;
            };
            for (int y = first; y < end; ++y) {
                const int dyTop = std::max(-m, -y);
                const int dyBottom = std::min(m, height - 1 - y);
                for (int p = 0; p < 3; ++p) {
                    std::uint8_t *out = waitingRow(p, y);
                    if (narrow) {
                        int blockFrom = 0, blockTo = 0;
                        if (rowsOf.blockSums16 && reachRight < width) {
                            const int rowCount = tapRowsAround(
                                rows.data(), rowTaps, m, [&](int row) { return source(p, row); }, y, dyTop, dyBottom);
                            blockFrom = reachLeft;
                            blockTo = blockFrom;
                            if (rowsOf.blockSums16Wide)
                                blockTo = rowsOf.blockSums16Wide(acc16.data(), rows.data(), rowCount, blockTo, width - reachRight);
                            blockTo = rowsOf.blockSums16(acc16.data(), rows.data(), rowCount, blockTo, width - reachRight);
                        }
                        const int segments[2][2] = {{0, blockFrom}, {blockTo > blockFrom ? blockTo : blockFrom, width}};
                        for (const auto &segment : segments) {
                            const int from = segment[0], to = segment[1];
                            if (to <= from) continue;
                            std::fill(acc16.begin() + from, acc16.begin() + to, std::uint16_t(0));
                            for (int dy = dyTop; dy <= dyBottom; ++dy) {
                                const std::vector<tap> &taps = rowTaps[dy + m];
                                addKernelRow(rowsOf, acc16.data(), source(p, y + dy), width, taps.data(), taps.size(), from, to);
                            }
                        }
                        rowsOf.divideRow(out, acc16.data(), width, a);
                    } else {
                        std::fill(acc32.begin(), acc32.end(), 0u);
                        for (int dy = dyTop; dy <= dyBottom; ++dy) {
                            const std::vector<tap> &taps = rowTaps[dy + m];
                            if (taps.empty()) continue;
                            std::fill(acc16.begin(), acc16.end(), std::uint16_t(0));
                            addKernelRow(rowsOf, acc16.data(), source(p, y + dy), width, taps.data(), taps.size(), 0, width);
                            rowsOf.widenAdd(acc32.data(), acc16.data(), width);
                        }
                        for (int x = 0; x < width; ++x)
                            out[x] = static_cast<std::uint8_t>(std::min(static_cast<long long>(acc32[x]) / a, 255LL));
                    }
                }
                if (y - m >= first) flush(y - m); // no row after y reads it any more
            }
            for (int y = std::max(first, end - m); y < end; ++y) flush(y);
        },
        [this](int y) { reportRow(y); });
}
