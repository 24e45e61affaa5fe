// The quarter-turn family: the vector path and the moves in place give the bytes of the plain
// loop, the turns fit together as turns do, and the orientations show the stored corner where it
// belongs.
#include "imagedata/quarterturns.h"
#include "imagedata/vectorpaths.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr pixelTurn everyTurn[] = {pixelTurn::none,      pixelTurn::mirrorLeftRight, pixelTurn::halfTurn,
                                   pixelTurn::mirrorUpDown, pixelTurn::transpose,    pixelTurn::turnRight,
                                   pixelTurn::transverse, pixelTurn::turnLeft};
constexpr int sizes[][2] = {{1, 1}, {2, 3}, {613, 5}, {211, 157}, {5, 613}, {64, 33}};

// Every byte random, the fourth ones included.
QImage noise(int w, int h, unsigned seed)
{
    QImage p(w, h, QImage::Format_RGB32);
    std::mt19937 random(seed);
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<quint32 *>(p.scanLine(y));
        for (int x = 0; x < w; ++x) row[x] = random();
    }
    return p;
}

QImage turned(const QImage &source, pixelTurn turn, fourthByte fourth, const QImage &start, vectorPaths paths)
{
    setVectorPaths(paths);
    QImage out = start.copy();
    turnPicture(source, out, turn, fourth);
    setVectorPaths(vectorPaths::best);
    return out;
}

QImage sized(const QImage &source, pixelTurn turn)
{
    return turnSwapsSides(turn) ? QImage(source.height(), source.width(), QImage::Format_RGB32)
                                : QImage(source.size(), QImage::Format_RGB32);
}

bool sameBytes(const QImage &a, const QImage &b)
{
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), std::size_t(a.width()) * 4) != 0) return false;
    return true;
}

} // namespace

TEST(quarterTurns, vectorPathAndInPlaceGiveThePlainBytes)
{
    unsigned seed = 1;
    for (const auto &size : sizes) {
        const QImage source = noise(size[0], size[1], seed++);
        for (const pixelTurn turn : everyTurn) {
            const auto where = testing::Message() << "turn " << int(turn) << ", " << size[0] << " x " << size[1];
            QImage start = sized(source, turn);
            start = noise(start.width(), start.height(), seed++);
            const QImage reference = turned(source, turn, fourthByte::moved, start, vectorPaths::plain);
            for (const fourthByte fourth : {fourthByte::moved, fourthByte::kept}) {
                const QImage plain = turned(source, turn, fourth, start, vectorPaths::plain);
                for (const vectorPaths paths : {vectorPaths::narrow, vectorPaths::best})
                    EXPECT_TRUE(sameBytes(turned(source, turn, fourth, start, paths), plain)) << where;
                // The colour bytes are the moved pixels'; the fourth ones moved or kept.
                const QImage &fourthFrom = fourth == fourthByte::kept ? start : reference;
                for (int y = 0; y < plain.height(); ++y)
                    for (int x = 0; x < plain.width(); ++x) {
                        ASSERT_EQ(plain.pixel(x, y) >> 24, fourthFrom.pixel(x, y) >> 24) << where;
                        ASSERT_EQ(plain.pixel(x, y) & 0xFFFFFFu, reference.pixel(x, y) & 0xFFFFFFu) << where;
                    }
            }
            // In place: the same bytes where the size stays, nothing done where it does not.
            for (const vectorPaths paths : {vectorPaths::plain, vectorPaths::best})
                for (const bool opaque : {false, true}) {
                    setVectorPaths(paths);
                    QImage picture = source.copy();
                    const bool done = turnPictureInPlace(picture, turn, opaque);
                    setVectorPaths(vectorPaths::best);
                    EXPECT_EQ(done, !turnSwapsSides(turn)) << where;
                    QImage expected = done ? reference.copy() : source;
                    if (done && opaque)
                        for (int y = 0; y < expected.height(); ++y)
                            for (int x = 0; x < expected.width(); ++x)
                                expected.setPixel(x, y, expected.pixel(x, y) | 0xFF000000u);
                    EXPECT_TRUE(sameBytes(picture, expected)) << where << ", opaque " << opaque;
                }
        }
    }
}

TEST(quarterTurns, turnsComposeAsTurns)
{
    // [first, then, equals]: applying `first` and then `then` is the same as `equals`.
    const pixelTurn table[][3] = {
        {pixelTurn::turnRight, pixelTurn::turnRight, pixelTurn::halfTurn},
        {pixelTurn::turnRight, pixelTurn::turnLeft, pixelTurn::none},
        {pixelTurn::mirrorLeftRight, pixelTurn::mirrorUpDown, pixelTurn::halfTurn},
        {pixelTurn::turnRight, pixelTurn::mirrorLeftRight, pixelTurn::transpose},
        {pixelTurn::turnLeft, pixelTurn::mirrorLeftRight, pixelTurn::transverse},
        {pixelTurn::transpose, pixelTurn::transpose, pixelTurn::none},
        {pixelTurn::transverse, pixelTurn::halfTurn, pixelTurn::transpose},
    };
    const QImage source = noise(211, 157, 5);
    for (const vectorPaths paths : {vectorPaths::plain, vectorPaths::best})
        for (const auto &row : table) {
            const QImage once = turned(source, row[0], fourthByte::moved, sized(source, row[0]), paths);
            const QImage twice = turned(once, row[1], fourthByte::moved, sized(once, row[1]), paths);
            const QImage direct = turned(source, row[2], fourthByte::moved, sized(source, row[2]), paths);
            EXPECT_TRUE(sameBytes(twice, direct)) << int(row[0]) << " then " << int(row[1]);
        }
}

TEST(quarterTurns, orientationsPutTheStoredCornerWhereTheyShowIt)
{
    // A 3 × 2 stored picture: pixel (column, row) holds 10 · row + column. [orientation, shown
    // size, the shown top-left pixel, the shown top-right one].
    QImage stored(3, 2, QImage::Format_RGB32);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) reinterpret_cast<quint32 *>(stored.scanLine(r))[c] = quint32(10 * r + c);
    const struct {
        int orientation, width, height;
        quint32 topLeft, topRight;
    } table[] = {{1, 3, 2, 0, 2},   {2, 3, 2, 2, 0},   {3, 3, 2, 12, 10}, {4, 3, 2, 10, 12},
                 {5, 2, 3, 0, 10},  {6, 2, 3, 10, 0},  {7, 2, 3, 12, 2},  {8, 2, 3, 2, 12}};
    for (const auto &t : table) {
        const pixelTurn turn = orientationTurn(t.orientation);
        QImage shown = sized(stored, turn);
        turnPicture(stored, shown, turn, fourthByte::moved);
        ASSERT_EQ(shown.size(), QSize(t.width, t.height)) << t.orientation;
        const auto *top = reinterpret_cast<const quint32 *>(shown.constScanLine(0));
        EXPECT_EQ(top[0], t.topLeft) << t.orientation;
        EXPECT_EQ(top[t.width - 1], t.topRight) << t.orientation;
    }
    EXPECT_EQ(orientationTurn(0), pixelTurn::none);
    EXPECT_EQ(orientationTurn(9), pixelTurn::none);
}

TEST(quarterTurns, bandsPlacedAsTheyComeGiveTheWholeTurn)
{
    // What a decoder does: the stored rows a band at a time (from a buffer of their own), each
    // placed where the turn shows it.
    unsigned seed = 70;
    for (const auto &size : sizes) {
        const QImage source = noise(size[0], size[1], seed++);
        for (const pixelTurn turn : everyTurn) {
            const QImage whole = turned(source, turn, fourthByte::moved, sized(source, turn), vectorPaths::plain);
            for (const vectorPaths paths : {vectorPaths::plain, vectorPaths::best})
                for (const int band : {1, 7, 16, 40}) {
                    setVectorPaths(paths);
                    QImage shown = noise(whole.width(), whole.height(), seed++);
                    for (int first = 0; first < source.height(); first += band) {
                        const int rows = std::min(band, source.height() - first);
                        std::vector<quint32> buffer(std::size_t(rows) * std::size_t(source.width()));
                        for (int i = 0; i < rows; ++i)
                            std::memcpy(buffer.data() + std::size_t(i) * std::size_t(source.width()),
                                        source.constScanLine(first + i), std::size_t(source.width()) * 4);
                        placeRows(shown, buffer.data(), source.width(), source.width(), source.height(), first, rows,
                                  turn);
                    }
                    setVectorPaths(vectorPaths::best);
                    EXPECT_TRUE(sameBytes(shown, whole)) << "turn " << int(turn) << ", " << size[0] << " x " << size[1]
                                                         << ", bands of " << band;
                }
        }
    }
}
