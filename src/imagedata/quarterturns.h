// The exact pixel moves of whole 32-bit pixels: the mirrors, the half turn, the quarter turns and
// the mirrors along the diagonals, in the order of the EXIF orientations 1..8 (the orientation on
// open uses them, and so do the transform engine's turns and mirrors). A plain loop is the
// reference; the vector path beside it (quarterturns_vector.cpp) gives the same bytes and is taken
// as vectorpaths.h allows. Where the result has the picture's own size the move can be made in
// place, without a second picture.
#pragma once
#include "progress.h"

#include <QImage>
#include <cstdint>

enum class pixelTurn {
    none,            // orientation 1
    mirrorLeftRight, // 2
    halfTurn,        // 3
    mirrorUpDown,    // 4
    transpose,       // 5: mirror along the main diagonal
    turnRight,       // 6: a quarter clockwise
    transverse,      // 7: mirror along the other diagonal
    turnLeft,        // 8: a quarter anticlockwise
};

// The turn that shows a picture stored with EXIF orientation 1..8 upright; none for other values.
pixelTurn orientationTurn(int orientation);
// Whether the result is H × W for a W × H picture (the quarter turns and diagonal mirrors).
bool turnSwapsSides(pixelTurn turn);

// The source pixel (column c, row r) of destination pixel (x, y) for a W × H source.
inline void turnSource(pixelTurn turn, int W, int H, int x, int y, int &c, int &r)
{
    switch (turn) {
    case pixelTurn::none: c = x, r = y; break;
    case pixelTurn::mirrorLeftRight: c = W - 1 - x, r = y; break;
    case pixelTurn::halfTurn: c = W - 1 - x, r = H - 1 - y; break;
    case pixelTurn::mirrorUpDown: c = x, r = H - 1 - y; break;
    case pixelTurn::transpose: c = y, r = x; break;
    case pixelTurn::turnRight: c = y, r = H - 1 - x; break;
    case pixelTurn::transverse: c = W - 1 - y, r = H - 1 - x; break;
    case pixelTurn::turnLeft: c = W - 1 - y, r = x; break;
    }
}

// What a move does with the fourth byte: moves it with its pixel, or keeps the destination's
// (the transform engine writes the colour bytes only).
enum class fourthByte { moved, kept };

// Fills `destination` (32 bits a pixel) from `source` (32 bits a pixel): pixel (x, y) takes the
// source pixel turnSource gives. Pixels whose source lies outside the picture (only when the
// destination is not the turn's size) are left as they are. The rows are split over the worker
// threads; progress: maximum destination height − 1, then each row.
void turnPicture(const QImage &source, QImage &destination, pixelTurn turn, fourthByte fourth,
                 const progressIndicator *progress = nullptr);
// The same turn made on the picture itself (32 bits a pixel), for the turns that keep its size
// (none, the mirrors, the half turn); returns false and changes nothing for the others. The
// fourth bytes move with their pixels, or with `opaque` all become 0xFF (as in a new 32-bit
// picture the transform engine fills). Progress: maximum the rows worked on − 1 (the upper half's
// for the mirror up-down and the half turn).
bool turnPictureInPlace(QImage &picture, pixelTurn turn, bool opaque = false, const progressIndicator *progress = nullptr);

// Places stored rows firstRow .. firstRow + rows − 1 of a W × H picture (row firstRow at rows0, the
// next ones `stride` pixels apart) where `turn` shows them in `shown`, a 32-bit picture of the
// turn's size, fourth bytes moved: a decoder places each band of rows as it comes, so no second
// copy of the whole picture is needed.
void placeRows(QImage &shown, const std::uint32_t *rows0, qsizetype stride, int W, int H, int firstRow, int rows,
               pixelTurn turn);

// The pieces of both paths, for the tests and the vector file.
namespace quarterTurns {
// Rows first .. end − 1 of a turn whose destination has the turn's size.
struct pixelView {
    const std::uint8_t *bits; // row `first`
    qsizetype stride;
    int first = 0;
    const std::uint32_t *row(int r) const { return reinterpret_cast<const std::uint32_t *>(bits + stride * (r - first)); }
};
struct pixelTarget {
    std::uint8_t *bits;
    qsizetype stride;
    std::uint32_t *row(int r) const { return reinterpret_cast<std::uint32_t *>(bits + stride * r); }
};
// Destination rows a band of a quarter turn holds (the vector path's transposed blocks).
constexpr int turnBand = 32;

// a[i] ↔ b[n − 1 − i] for every i (a == b: the row reversed in place); a[i] ↔ b[i] (a == b: the
// row stays). Every pixel of the rows is ORed with setBits. The reversal can start at pair `from`.
void swapReversedPlain(std::uint32_t *a, std::uint32_t *b, int n, std::uint32_t setBits, int from = 0);
void swapRowsPlain(std::uint32_t *a, std::uint32_t *b, int n, std::uint32_t setBits);
// The vector versions; false where the processor has no vector units.
bool swapReversedVector(std::uint32_t *a, std::uint32_t *b, int n, std::uint32_t setBits);
bool swapRowsVector(std::uint32_t *a, std::uint32_t *b, int n, std::uint32_t setBits);
bool copyRowVector(std::uint32_t *d, const std::uint32_t *s, int n, fourthByte fourth);
bool reverseRowVector(std::uint32_t *d, const std::uint32_t *s, int n, fourthByte fourth);
// Destination rows first .. end − 1, columns x0 .. x1 − 1, of a quarter turn or diagonal mirror
// of a W × H source.
bool turnSwappedVector(const pixelView &s, const pixelTarget &d, pixelTurn turn, fourthByte fourth, int W, int H,
                       int first, int end, int x0, int x1);
} // namespace quarterTurns
