// Fringe blur, sixteen pixels at a time: one strip of columns.
//
// Each pixel's box mean comes from four corners of a summed-area table of the picture as it was
// before the run. The boxes of sixteen neighbouring pixels have one or two half-sizes between
// them (the half-size follows the distance from the centre, plus a jitter worth about one step),
// and for one half-size the sixteen corners of a kind lie side by side in a table row: so the
// corners are read as whole vectors, once per half-size present, and each lane keeps the sums of
// its own box. The table wraps modulo 2^32, which leaves every box sum exact (a box holds far
// fewer than 2^32 / 255 pixels here).
//
// Only the table rows that the boxes of the current rows reach are kept, in a ring, and the
// picture is done in strips of columns, so a strip's ring is a few megabytes. The table of a
// strip is built from plane rows before they are written; the few columns a strip needs from
// its left neighbour, already blurred by then, are kept aside by that neighbour while they are
// still unchanged. Each row is done in two passes: the half-sizes of its boxes first, then (a
// band of four rows at a time) the means, so that the table lines one row's larger boxes share
// with the next row's smaller ones are read while they are still in the nearest cache.
#include "fringeblur_strip.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>
#include <cstring>

#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

namespace fringeBlurStrips {

// Running sums of sixteen bytes, widened to 32-bit lanes.
__attribute__((target("avx2,avx512f,avx512bw,avx512vl"), always_inline)) inline __m512i prefixOf16(const std::uint8_t *at)
{
    const __m512i zero = _mm512_setzero_si512();
    __m512i v = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(at)));
    v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 15));
    v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 14));
    v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 12));
    return _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 8));
}

// Table row r + 1 from picture row r: cell t of a channel sums the columns base .. base + t − 1
// that lie in the picture, over rows origin .. r.
__attribute__((target("avx2,avx512f,avx512bw,avx512vl"))) void stripWork::buildRow(int r, const std::uint8_t *marginIn,
                                                                                  std::uint8_t *marginOut)
{
    const int width = shape.width, margin = shape.margin;
    const std::uint32_t *above = tableRow(r);
    std::uint32_t *row = tableRow(r + 1);
    // A picture row of a strip is a short run within a long row, too short for the processor to
    // see it coming: ask for the row a few ahead (about 5 % faster on 24-megapixel photos).
    constexpr int ahead = 4;
    if (r + ahead < part.end) {
        const int from = std::max(0, base), to = std::min(width, base + columns - 1);
        for (int c = 0; c < 3; ++c)
            for (int x = from; x < to + 64; x += 64)
                _mm_prefetch(reinterpret_cast<const char *>(part.row(c, r + ahead) + x), _MM_HINT_T0);
    }
    // Cell t takes column base + t − 1: the margin for columns left of the strip, the plane
    // (still unchanged at this row) from the strip's first column on, 0 outside the picture.
    // Whole chunks of sixteen cells on plane columns are read from the plane itself; only the
    // chunks at either end are put together in `source` (copying the whole row first cost more
    // than a tenth of the table's build).
    const int marginFrom = std::max(0, base);
    const int planeFrom = marginIn ? left : marginFrom;
    const int planeTo = std::min(width, base + columns - 1);
    const int planeCellsFrom = planeFrom - base + 1, planeCellsTo = planeTo - base + 1;
    const int head = std::min(columns, (planeCellsFrom + lanes - 1) / lanes * lanes);
    const int tail = head + std::max(0, planeCellsTo - head) / lanes * lanes;
    const std::uint8_t *pictures[3];
    for (int c = 0; c < 3; ++c) {
        const std::uint8_t *picture = part.row(c, r);
        pictures[c] = picture;
        std::uint8_t *bytes = source + static_cast<std::size_t>(c) * columns;
        // Cells [from, to) of the row into source.
        auto fill = [&](int from, int to) {
            if (to <= from) return;
            std::memset(bytes + from, 0, static_cast<std::size_t>(to - from));
            const int marginCellsFrom = std::max(from, marginFrom - base + 1), marginCellsTo = std::min(to, left - base + 1);
            if (marginIn && marginCellsTo > marginCellsFrom)
                std::memcpy(bytes + marginCellsFrom,
                            marginIn + static_cast<std::size_t>(c) * shape.height * margin +
                                static_cast<std::size_t>(r) * margin + (marginCellsFrom - 1),
                            static_cast<std::size_t>(marginCellsTo - marginCellsFrom));
            const int cellsFrom = std::max(from, planeCellsFrom), cellsTo = std::min(to, planeCellsTo);
            if (cellsTo > cellsFrom)
                std::memcpy(bytes + cellsFrom, picture + (base + cellsFrom - 1), static_cast<std::size_t>(cellsTo - cellsFrom));
        };
        fill(0, head);
        fill(tail, columns);
        if (marginOut)
            std::memcpy(marginOut + static_cast<std::size_t>(c) * shape.height * margin + static_cast<std::size_t>(r) * margin,
                        picture + (right - margin), static_cast<std::size_t>(margin));
    }

    // The three channels side by side, so their running carries overlap: a carry waits only on
    // the add before it, the sixteen-lane prefix sums are worked out beside it.
    const __m512i zero = _mm512_setzero_si512();
    const __m512i lastLane = _mm512_set1_epi32(lanes - 1);
    const std::size_t g = static_cast<std::size_t>(columns), b2 = 2 * g;
    __m512i carryR = zero, carryG = zero, carryB = zero;
    for (int t = 0; t < columns; t += lanes) {
        const bool direct = t >= head && t < tail;
        const std::size_t column = static_cast<std::size_t>(base + t - 1);
        const __m512i pr = prefixOf16(direct ? pictures[0] + column : source + t);
        const __m512i pg = prefixOf16(direct ? pictures[1] + column : source + g + t);
        const __m512i pb = prefixOf16(direct ? pictures[2] + column : source + b2 + t);
        _mm512_storeu_si512(row + t, _mm512_add_epi32(_mm512_add_epi32(_mm512_loadu_si512(above + t), pr), carryR));
        _mm512_storeu_si512(row + g + t, _mm512_add_epi32(_mm512_add_epi32(_mm512_loadu_si512(above + g + t), pg), carryG));
        _mm512_storeu_si512(row + b2 + t, _mm512_add_epi32(_mm512_add_epi32(_mm512_loadu_si512(above + b2 + t), pb), carryB));
        carryR = _mm512_add_epi32(carryR, _mm512_permutexvar_epi32(lastLane, pr));
        carryG = _mm512_add_epi32(carryG, _mm512_permutexvar_epi32(lastLane, pg));
        carryB = _mm512_add_epi32(carryB, _mm512_permutexvar_epi32(lastLane, pb));
    }
}

// Lane i of a chunk takes the draws 2i and 2i + 1 after the chunk's first state; each chunk
// moves both on by 32 draws.
struct chunkLeaps {
    alignas(64) std::uint32_t firstTimes[lanes], firstPlus[lanes], secondTimes[lanes], secondPlus[lanes];
    sharedRandom::leap chunk;
    chunkLeaps()
    {
        for (int i = 0; i < lanes; ++i) {
            const sharedRandom::leap a = sharedRandom::leapOf(2 * i + 1), b = sharedRandom::leapOf(2 * i + 2);
            firstTimes[i] = a.times, firstPlus[i] = a.plus, secondTimes[i] = b.times, secondPlus[i] = b.plus;
        }
        chunk = sharedRandom::leapOf(2 * lanes);
    }
};
const chunkLeaps laneLeaps;

// Adds, in the lanes of these, the sums of the boxes of half-size half around the sixteen
// pixels whose first lies at table column at (x0 − base) of each channel.
__attribute__((target("avx2,avx512f,avx512bw,avx512vl"), always_inline)) inline void
addBoxes(__m512i sums[3], const std::uint32_t *const *rows, int y, int height, int at, int columns, int half,
         __mmask16 these)
{
    const std::uint32_t *upper = rows[std::max(0, y - half)];
    const std::uint32_t *lower = rows[std::min(height - 1, y + half) + 1];
    const std::size_t a = static_cast<std::size_t>(at - half);
    const std::size_t b = static_cast<std::size_t>(at + half + 1);
    for (int c = 0; c < 3; ++c) {
        const std::size_t channel = static_cast<std::size_t>(c) * columns;
        const __m512i bottom = _mm512_sub_epi32(_mm512_loadu_si512(lower + channel + b), _mm512_loadu_si512(lower + channel + a));
        const __m512i top = _mm512_sub_epi32(_mm512_loadu_si512(upper + channel + b), _mm512_loadu_si512(upper + channel + a));
        sums[c] = _mm512_mask_sub_epi32(sums[c], these, bottom, top);
    }
}

// Both draws of each lane taken modulo 15 at once, the first in the lower 16 bits of the result
// and the second in the upper, with the generator's own 16-bit reciprocal.
__attribute__((target("avx2,avx512f,avx512bw,avx512vl"), always_inline)) inline __m512i drawPairBelow15(__m512i first,
                                                                                                      __m512i second)
{
    constexpr sharedRandom::magic divide = sharedRandom::magicFor(15);
    static_assert(divide.shift >= 0);
    // The draw of a state is its bits 16 .. 30: the first's moved down, the second's left where it is.
    const __m512i v = _mm512_and_si512(_mm512_mask_blend_epi16(0xaaaaaaaau, _mm512_srli_epi32(first, 16), second),
                                       _mm512_set1_epi32(0x7fff7fff));
    const __m512i q = _mm512_srli_epi16(_mm512_mulhi_epu16(v, _mm512_set1_epi16(static_cast<short>(divide.multiplier))),
                                        divide.shift);
    return _mm512_sub_epi16(v, _mm512_sub_epi16(_mm512_slli_epi16(q, 4), q));
}

// First pass over a row: the half-size of every pixel's box (0 for a pixel that stays) and the
// smallest half-size of each chunk of sixteen (0 for a chunk that stays whole); returns the
// largest half-size of the row.
__attribute__((target("avx2,avx512f,avx512bw,avx512vl"))) int stripWork::sizeRow(int y, std::uint32_t state,
                                                                                 std::int32_t *halves, int *smallestOf)
{
    const int width = shape.width, height = shape.height;

    const __m512i start = _mm512_set1_epi32(static_cast<int>(state));
    __m512i first = _mm512_add_epi32(_mm512_mullo_epi32(start, _mm512_load_si512(laneLeaps.firstTimes)),
                                     _mm512_load_si512(laneLeaps.firstPlus));
    __m512i second = _mm512_add_epi32(_mm512_mullo_epi32(start, _mm512_load_si512(laneLeaps.secondTimes)),
                                      _mm512_load_si512(laneLeaps.secondPlus));
    const __m512i chunkTimes = _mm512_set1_epi32(static_cast<int>(laneLeaps.chunk.times));
    const __m512i chunkPlus = _mm512_set1_epi32(static_cast<int>(laneLeaps.chunk.plus));

    const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    // Twice the column's and the row's offsets from the centre as 16-bit pairs (column below), so
    // one multiply-add of 16-bit halves gives four times the squared distance.
    const int dy = 2 * y - height;
    __m512i offsets = _mm512_or_si512(
        _mm512_and_si512(_mm512_add_epi32(_mm512_set1_epi32(2 * left - width), _mm512_add_epi32(iota, iota)),
                         _mm512_set1_epi32(0xffff)),
        _mm512_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(dy) << 16)));
    const __m512i columnStep = _mm512_set1_epi32(2 * lanes); // added to the lower halves only
    const __m512i halfSize = _mm512_set1_epi32(shape.size / 2), sizes = _mm512_set1_epi32(shape.size);
    const __m512i reaches = _mm512_set1_epi32(shape.reach), one = _mm512_set1_epi32(1);
    const __m512i zero = _mm512_setzero_si512(), lowHalves = _mm512_set1_epi32(0xffff);
    const __m512i none = _mm512_set1_epi32(INT32_MAX); // no pixel of the chunk is blurred
    const __m512d slope = _mm512_set1_pd(shape.k);
    // sqrt(4 · dist²) / 2, taken a hair low so that it truncates to dist or dist − 1.
    const __m512 halfLow = _mm512_set1_ps(0.5f * (1.0f - 1.0f / (1 << 20)));

    __m512i widest = zero;
    for (int x0 = left; x0 < right; x0 += lanes, offsets = _mm512_add_epi16(offsets, columnStep)) {
        const int inChunk = std::min(lanes, right - x0);
        const __mmask16 inStrip = inChunk == lanes ? __mmask16(0xffff) : __mmask16((1u << inChunk) - 1);

        const __m512i fourSquares = _mm512_madd_epi16(offsets, offsets);
        __m512i dist = _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_sqrt_ps(_mm512_cvtepi32_ps(fourSquares)), halfLow));
        {
            const __m512i next = _mm512_add_epi32(dist, one);
            const __m512i fourNext = _mm512_slli_epi32(_mm512_madd_epi16(next, next), 2);
            dist = _mm512_mask_mov_epi32(dist, _mm512_cmple_epi32_mask(fourNext, fourSquares), next);
        }

        const __m512i draws = drawPairBelow15(first, second);
        const __m512i l = _mm512_add_epi32(dist, _mm512_and_si512(draws, lowHalves));
        const __m512i t = _mm512_add_epi32(_mm512_srli_epi32(draws, 16), sizes);
        first = _mm512_add_epi32(_mm512_mullo_epi32(first, chunkTimes), chunkPlus);
        second = _mm512_add_epi32(_mm512_mullo_epi32(second, chunkTimes), chunkPlus);

        const __m512i o = _mm512_sub_epi32(l, halfSize);
        const __m256i rLow = _mm512_cvttpd_epi32(_mm512_mul_pd(slope, _mm512_cvtepi32_pd(_mm512_castsi512_si256(o))));
        const __m256i rHigh = _mm512_cvttpd_epi32(_mm512_mul_pd(slope, _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(o, 1))));
        const __m512i r = _mm512_inserti64x4(_mm512_castsi256_si512(rLow), rHigh, 1);
        const __m512i h = _mm512_min_epi32(_mm512_srai_epi32(r, 1), reaches);
        // Blurred when t / 2 < l (t ≥ 0, so the halving is a shift); a box of one pixel keeps it.
        const __mmask16 blurred = inStrip & _mm512_cmpgt_epi32_mask(l, _mm512_srai_epi32(t, 1)) &
                                  _mm512_cmpgt_epi32_mask(h, zero);
        const __m512i kept = _mm512_maskz_mov_epi32(blurred, h);
        _mm512_store_si512(halves + (x0 - left), kept);
        _mm512_store_si512(lowest + (x0 - left), _mm512_mask_mov_epi32(none, blurred, h));
        widest = _mm512_max_epi32(widest, kept);
    }
    // The smallest of each chunk, four chunks at a time: halving the lanes of all four together
    // (16 → 8 → 4 → 2 → 1 a chunk) costs a third of reducing each chunk by itself.
    for (int chunk = chunksPerRow; chunk < chunkStride; ++chunk) _mm512_store_si512(lowest + chunk * lanes, none);
    for (int chunk = 0; chunk < chunksPerRow; chunk += 4) {
        const std::int32_t *four = lowest + chunk * lanes;
        const __m512i a = _mm512_load_si512(four), b = _mm512_load_si512(four + lanes);
        const __m512i c = _mm512_load_si512(four + 2 * lanes), d = _mm512_load_si512(four + 3 * lanes);
        const __m512i ab = _mm512_min_epi32(_mm512_shuffle_i64x2(a, b, 0x44), _mm512_shuffle_i64x2(a, b, 0xee));
        const __m512i cd = _mm512_min_epi32(_mm512_shuffle_i64x2(c, d, 0x44), _mm512_shuffle_i64x2(c, d, 0xee));
        __m512i m = _mm512_min_epi32(_mm512_shuffle_i64x2(ab, cd, 0x88), _mm512_shuffle_i64x2(ab, cd, 0xdd));
        m = _mm512_min_epi32(m, _mm512_shuffle_epi32(m, _MM_PERM_BADC));
        m = _mm512_min_epi32(m, _mm512_shuffle_epi32(m, _MM_PERM_CDAB));
        m = _mm512_mask_mov_epi32(m, _mm512_cmpeq_epi32_mask(m, none), zero); // a chunk that stays whole
        _mm_storeu_si128(reinterpret_cast<__m128i *>(smallestOf + chunk), _mm512_castsi512_si128(_mm512_maskz_compress_epi32(0x1111, m)));
    }
    return _mm512_reduce_max_epi32(widest);
}

// Second pass over a band of rows whose half-sizes are known: the box means, chunk column by
// chunk column and row by row within it, so the table lines that one row's larger boxes share
// with the next row's smaller ones are still in the nearest cache.
__attribute__((target("avx2,avx512f,avx512bw,avx512vl"))) void stripWork::meanBand(int top, int count)
{
    const int width = shape.width, height = shape.height;
    const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i one = _mm512_set1_epi32(1), zero = _mm512_setzero_si512();
    const __m512i lastColumn = _mm512_set1_epi32(width - 1), lastRow = _mm512_set1_epi32(height - 1);
    std::uint8_t *const *const planes = part.planes;
    const std::uint32_t *const *const rows = this->rows;
    const int at0 = left - base, stride = bandStride;
    const int insideFrom = shape.reach, insideTo = width - 1 - shape.reach - (lanes - 1);

    for (int x0 = left; x0 < right; x0 += lanes) {
        const int chunk = (x0 - left) / lanes;
        const __m512i xs = _mm512_add_epi32(_mm512_set1_epi32(x0), iota);
        const bool columnsInside = x0 >= insideFrom && x0 <= insideTo;
        // The bytes of a chunk past the picture's right edge belong to the next row, which
        // another part may be writing: only a chunk that lies wholly in the row stores all sixteen.
        const bool wholeChunk = x0 + lanes <= width;
        for (int j = 0; j < count; ++j) {
            const int smallest = smallestOf[static_cast<std::size_t>(j) * chunkStride + chunk];
            if (smallest == 0) continue;
            const int y = top + j;
            const __m512i h = _mm512_load_si512(halves + static_cast<std::size_t>(j) * stride + (x0 - left));
            const __mmask16 blurred = _mm512_cmpgt_epi32_mask(h, zero);
            const int at = at0 + (x0 - left);

            // The smallest half-size present and the next are taken without asking (a lane
            // mask of none costs less than a mispredicted branch), further ones when present.
            __m512i sums[3] = {zero, zero, zero};
            addBoxes(sums, rows, y, height, at, columns, smallest, _mm512_mask_cmpeq_epi32_mask(blurred, h, _mm512_set1_epi32(smallest)));
            addBoxes(sums, rows, y, height, at, columns, smallest + 1, _mm512_mask_cmpeq_epi32_mask(blurred, h, _mm512_set1_epi32(smallest + 1)));
            for (int half = smallest + 2; half <= shape.reach; ++half) {
                const __mmask16 more = _mm512_mask_cmpge_epi32_mask(blurred, h, _mm512_set1_epi32(half));
                if (!more) break;
                addBoxes(sums, rows, y, height, at, columns, half, _mm512_mask_cmpeq_epi32_mask(more, h, _mm512_set1_epi32(half)));
            }

            // Pixels in the box cut to the picture.
            __m512i pixels;
            if (columnsInside && y - shape.reach >= 0 && y + shape.reach <= height - 1) {
                // A side of at most 2 · reach + 1 < 2^15 fits the lower 16 bits of its lane.
                const __m512i across = _mm512_add_epi32(_mm512_add_epi32(h, h), one);
                pixels = _mm512_madd_epi16(across, across);
            } else {
                const __m512i rowY = _mm512_set1_epi32(y);
                const __m512i across = _mm512_sub_epi32(_mm512_min_epi32(lastColumn, _mm512_add_epi32(xs, h)),
                                                        _mm512_max_epi32(zero, _mm512_sub_epi32(xs, h)));
                const __m512i down = _mm512_sub_epi32(_mm512_min_epi32(lastRow, _mm512_add_epi32(rowY, h)),
                                                      _mm512_max_epi32(zero, _mm512_sub_epi32(rowY, h)));
                pixels = _mm512_mullo_epi32(_mm512_add_epi32(across, one), _mm512_add_epi32(down, one));
            }
            // A reciprocal taken a little low: sum · inverse lies within 0.2 below sum / pixels,
            // so its truncation is the quotient or one less; one step up where it fits is exact.
            const __m512 counts = _mm512_cvtepi32_ps(pixels);
            const __m512 inverse = _mm512_mul_ps(_mm512_rcp14_ps(counts), _mm512_set1_ps(1.0f - 1.0f / 2048));
            const std::size_t pictureRow = static_cast<std::size_t>(y) * width;
            for (int c = 0; c < 3; ++c) {
                __m512i q = _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_cvtepi32_ps(sums[c]), inverse));
                const __m512i up = _mm512_add_epi32(q, one);
                const __mmask16 fits = _mm512_cmple_epi32_mask(_mm512_mullo_epi32(up, pixels), sums[c]);
                q = _mm512_mask_mov_epi32(q, fits, up);
                std::uint8_t *into = planes[c] + pictureRow + x0;
                if (wholeChunk) {
                    // A byte store under a mask is slow here: merge with the bytes as they are
                    // and store the sixteen whole.
                    const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i *>(into));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(into), _mm_mask_blend_epi8(blurred, now, _mm512_cvtepi32_epi8(q)));
                } else {
                    _mm_mask_storeu_epi8(into, blurred, _mm512_cvtepi32_epi8(q));
                }
            }
        }
    }
}

void stripWork::run(const std::uint8_t *marginIn, std::uint8_t *marginOut, const std::vector<std::uint32_t> &rowStates,
                    sharedRandom::leap toStrip, const std::function<void()> &rowDone)
{
    for (int top = part.top; top < part.bottom; top += bandRows) {
        const int count = std::min(bandRows, part.bottom - top);
        int largest = 0;
        for (int j = 0; j < count; ++j)
            largest = std::max(largest, sizeRow(top + j, toStrip.from(rowStates[top + j]),
                                                halves + static_cast<std::size_t>(j) * bandStride,
                                                smallestOf + static_cast<std::size_t>(j) * chunkStride));
        // The band's boxes end above table row bottom + largest + 2. Building only that far
        // keeps the rows the lower corners read fresh in the cache; they come from picture rows
        // bottom + largest and above, which the band's writes leave alone.
        const int needed = std::min(part.end, top + count + largest);
        for (; built < needed; ++built) buildRow(built, marginIn, marginOut);
        meanBand(top, count);
        for (int j = 0; j < count; ++j) rowDone();
    }
    // The next strip may reach further below than this one did: keep its margin of every row.
    if (marginOut)
        for (; built < part.end; ++built) buildRow(built, marginIn, marginOut);
}

} // namespace fringeBlurStrips
#endif
