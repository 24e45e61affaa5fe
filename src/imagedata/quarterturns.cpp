#include "quarterturns.h"

#include "vectorpaths.h"
#include "workerpool.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

using namespace quarterTurns;

namespace {

inline std::uint32_t written(std::uint32_t from, std::uint32_t old, fourthByte fourth)
{
    return fourth == fourthByte::moved ? from : (from & 0x00FFFFFFu) | (old & 0xFF000000u);
}

std::function<void(int)> reportRows(const progressIndicator *progress, int rows)
{
    if (!progress) return {};
    progress->setMaximum(rows - 1);
    return [progress](int y) { progress->setPosition(y); };
}

// The reference: every destination pixel of rows first .. end − 1, columns x0 .. x1 − 1 from the
// source pixel turnSource gives, where it lies inside the source (rows s.first .. sourceEnd − 1).
void turnRowsPlain(const pixelView &s, const pixelTarget &d, pixelTurn turn, fourthByte fourth, int W, int H,
                   int first, int end, int x0, int x1, int sourceEnd)
{
    for (int y = first; y < end; ++y) {
        std::uint32_t *row = d.row(y);
        for (int x = x0; x < x1; ++x) {
            int c = 0, r = 0;
            turnSource(turn, W, H, x, y, c, r);
            if (c < 0 || c >= W || r < s.first || r >= sourceEnd) continue;
            row[x] = written(s.row(r)[c], row[x], fourth);
        }
    }
}

// The vector path: rows copied forward or backward, the quarter turns in transposed blocks.
void turnRowsVector(const pixelView &s, const pixelTarget &d, pixelTurn turn, fourthByte fourth, int W, int H,
                    int first, int end)
{
    if (turnSwapsSides(turn)) {
        turnSwappedVector(s, d, turn, fourth, W, H, first, end, 0, H);
        return;
    }
    const bool reversed = turn == pixelTurn::mirrorLeftRight || turn == pixelTurn::halfTurn;
    const bool upsideDown = turn == pixelTurn::mirrorUpDown || turn == pixelTurn::halfTurn;
    for (int y = first; y < end; ++y) {
        const std::uint32_t *from = s.row(upsideDown ? H - 1 - y : y);
        if (reversed)
            reverseRowVector(d.row(y), from, W, fourth);
        else
            copyRowVector(d.row(y), from, W, fourth);
    }
}

} // namespace

pixelTurn orientationTurn(int orientation)
{
    return orientation >= 2 && orientation <= 8 ? static_cast<pixelTurn>(orientation - 1) : pixelTurn::none;
}

bool turnSwapsSides(pixelTurn turn)
{
    return turn == pixelTurn::transpose || turn == pixelTurn::turnRight || turn == pixelTurn::transverse ||
           turn == pixelTurn::turnLeft;
}

void quarterTurns::swapReversedPlain(std::uint32_t *a, std::uint32_t *b, int n, std::uint32_t setBits, int from)
{
    const int count = a == b ? n / 2 : n;
    for (int i = from; i < count; ++i) {
        const std::uint32_t t = a[i];
        a[i] = b[n - 1 - i] | setBits;
        b[n - 1 - i] = t | setBits;
    }
    if (a == b && n % 2) a[n / 2] |= setBits;
}

void quarterTurns::swapRowsPlain(std::uint32_t *a, std::uint32_t *b, int n, std::uint32_t setBits)
{
    for (int i = 0; i < n; ++i) {
        const std::uint32_t t = a[i];
        a[i] = b[i] | setBits;
        b[i] = t | setBits;
    }
}

void turnPicture(const QImage &source, QImage &destination, pixelTurn turn, fourthByte fourth,
                 const progressIndicator *progress)
{
    const int W = source.width(), H = source.height();
    const int Wd = destination.width(), Hd = destination.height();
    if (W < 1 || H < 1 || Wd < 1 || Hd < 1 || source.depth() != 32 || destination.depth() != 32) return;
    const pixelView s{source.constBits(), source.bytesPerLine()};
    std::uint8_t *bits = destination.bits();
    if (!bits) return;
    const pixelTarget d{bits, destination.bytesPerLine()};
    const bool swapped = turnSwapsSides(turn);
    const bool vector = vectorUnitsInUse().ssse3 && Wd == (swapped ? H : W) && Hd == (swapped ? W : H);
    forEachBand(
        Hd,
        [&](int first, int end) {
            if (vector)
                turnRowsVector(s, d, turn, fourth, W, H, first, end);
            else
                turnRowsPlain(s, d, turn, fourth, W, H, first, end, 0, Wd, H);
        },
        reportRows(progress, Hd), 1, swapped ? turnBand : 1);
}

void placeRows(QImage &shown, const std::uint32_t *rows0, qsizetype stride, int W, int H, int firstRow, int rows,
               pixelTurn turn)
{
    const bool swapped = turnSwapsSides(turn);
    if (rows < 1 || shown.depth() != 32 || shown.width() != (swapped ? H : W) || shown.height() != (swapped ? W : H))
        return;
    std::uint8_t *bits = shown.bits();
    if (!bits) return;
    const pixelTarget d{bits, shown.bytesPerLine()};
    const pixelView s{reinterpret_cast<const std::uint8_t *>(rows0), stride * 4, firstRow};
    const bool vector = vectorUnitsInUse().ssse3;
    if (!swapped) {
        // The band's rows go to as many shown rows.
        const bool upsideDown = turn == pixelTurn::mirrorUpDown || turn == pixelTurn::halfTurn;
        const int first = upsideDown ? H - firstRow - rows : firstRow;
        if (vector)
            turnRowsVector(s, d, turn, fourthByte::moved, W, H, first, first + rows);
        else
            turnRowsPlain(s, d, turn, fourthByte::moved, W, H, first, first + rows, 0, W, firstRow + rows);
        return;
    }
    // The band's stored rows are the shown columns x0 .. x0 + rows − 1, in every shown row.
    const bool rowsBackward = turn == pixelTurn::turnRight || turn == pixelTurn::transverse;
    const int x0 = rowsBackward ? H - firstRow - rows : firstRow;
    if (vector)
        turnSwappedVector(s, d, turn, fourthByte::moved, W, H, 0, W, x0, x0 + rows);
    else
        turnRowsPlain(s, d, turn, fourthByte::moved, W, H, 0, W, x0, x0 + rows, firstRow + rows);
}

bool turnPictureInPlace(QImage &picture, pixelTurn turn, bool opaque, const progressIndicator *progress)
{
    if (turnSwapsSides(turn)) return false;
    const int W = picture.width(), H = picture.height();
    if (W < 1 || H < 1) return true;
    if (picture.depth() != 32) return false;
    std::uint8_t *bits = picture.bits();
    if (!bits) return false;
    const pixelTarget p{bits, picture.bytesPerLine()};
    const bool vector = vectorUnitsInUse().ssse3;
    const std::uint32_t setBits = opaque ? 0xFF000000u : 0u;
    // The mirror left-right reverses each row; the others swap row y with row H − 1 − y (the
    // half turn reversing both, the middle row of an odd height with itself). Without a turn the
    // rows only take the fourth bytes, if asked to.
    if (turn == pixelTurn::none && !opaque) return true;
    const bool acrossRows = turn == pixelTurn::mirrorUpDown || turn == pixelTurn::halfTurn;
    const int rows = acrossRows ? (H + 1) / 2 : H;
    forEachBand(
        rows,
        [&](int first, int end) {
            for (int y = first; y < end; ++y) {
                std::uint32_t *a = p.row(y);
                std::uint32_t *b = acrossRows ? p.row(H - 1 - y) : a;
                if (turn == pixelTurn::mirrorUpDown || turn == pixelTurn::none) {
                    if (!(vector && swapRowsVector(a, b, W, setBits))) swapRowsPlain(a, b, W, setBits);
                } else if (!(vector && swapReversedVector(a, b, W, setBits))) {
                    swapReversedPlain(a, b, W, setBits);
                }
            }
        },
        reportRows(progress, rows));
    return true;
}
