// Chains of turns, mirrors and trims on a JPEG's stored blocks: which ones can be made exactly
// (the block rules of jpegtran -perfect, the trim's corner on the grid, the move made before or
// after the trim), and that the library makes exactly those, at the chain's size, with the records
// patched for it.
#include "../testfiles.h"
#include "imagedata/jpegcoding.h"
#include "imagedata/losslessjpeg.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

struct chainCase {
    const char *name;
    bool subsampled; // 4:2:0 (16-pixel blocks), else 4:4:4 (8)
    int width, height;
    const char *chain; // right, left, 180, lr, ud, trim:L,T,R,B; space-separated
    bool exact;
};

const chainCase cases[] = {
    {"turnRightWhole", true, 64, 48, "right", true},
    {"turnRightPartialRowAtBottom", true, 64, 40, "right", false},
    {"turnRightPartialColumnStaysRight", true, 72, 48, "right", true},
    {"turnLeftPartialColumn", true, 72, 48, "left", false},
    {"mirrorLeftRightPartialColumn", true, 72, 48, "lr", false},
    {"mirrorUpDownPartialColumn", true, 72, 48, "ud", true},
    {"halfTurnOddSides", false, 68, 44, "180", false},
    {"halfTurnWhole444", false, 64, 48, "180", true},
    {"trimOnGrid", true, 64, 48, "trim:16,16,50,40", true},
    {"trimOffTheGrid420", true, 64, 48, "trim:8,16,50,40", false},
    {"trimOnTheGrid444", false, 64, 48, "trim:8,8,50,40", true},
    {"trimAwayThePartialRowThenTurn", true, 72, 40, "trim:0,0,63,31 right", true},
    {"turnThenTrimOnTheTurnedGrid", true, 64, 48, "right trim:16,16,47,63", true},
    {"turnThenTrimOffTheGrid", true, 64, 48, "right trim:8,0,47,63", false},
    {"everyMoveBackToTheStart", true, 72, 40, "right left 180 lr ud 180 ud lr", true},
};

class losslessChain : public testing::TestWithParam<chainCase> {};

QImage texture(int w, int h)
{
    QImage p(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (x * 5 + y * 29) & 255, (x * y) & 255));
    return p;
}

TEST_P(losslessChain, madeExactlyWhereTheBlocksAllow)
{
    const chainCase &c = GetParam();
    const QByteArray jpeg = cameraJpeg(texture(c.width, c.height), 90, c.subsampled);
    losslessEdits edits = losslessEdits::ofJpeg(jpeg);
    ASSERT_TRUE(edits.known);
    EXPECT_EQ(edits.block, c.subsampled ? QSize(16, 16) : QSize(8, 8));
    QSize expected(c.width, c.height);
    const auto turnOf = [](const QString &word) {
        return word == "right" ? pixelTurn::turnRight : word == "left" ? pixelTurn::turnLeft
               : word == "180" ? pixelTurn::halfTurn  : word == "lr"   ? pixelTurn::mirrorLeftRight
                                                                       : pixelTurn::mirrorUpDown;
    };
    for (const QString &step : QString(c.chain).split(' ')) {
        if (step.startsWith("trim:")) {
            const QStringList e = step.mid(5).split(',');
            edits = edits.trimmed(e[0].toInt(), e[1].toInt(), e[2].toInt(), e[3].toInt());
            expected = QSize(e[2].toInt() - e[0].toInt() + 1, e[3].toInt() - e[1].toInt() + 1);
        } else {
            edits = edits.then(turnOf(step));
            if (turnSwapsSides(turnOf(step))) expected.transpose();
        }
    }
    EXPECT_EQ(edits.shownSize(), expected);
    EXPECT_EQ(edits.exact(), c.exact);

    pictureMetadata records;
    records.addXmpPacket("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>");
    const QByteArray made = losslessJpeg(jpeg, edits, records);
    EXPECT_EQ(made.isEmpty(), !c.exact);
    if (made.isEmpty()) return;
    EXPECT_EQ(decodeJpegBytes(reinterpret_cast<const unsigned char *>(made.constData()), std::size_t(made.size()),
                              "made")
                  .size(),
              expected);
    EXPECT_EQ(jpegRecordsOf(made).xmpPacket(), records.xmpPacket());
}

INSTANTIATE_TEST_SUITE_P(chains, losslessChain, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<chainCase> &info) { return std::string(info.param.name); });

TEST(losslessMoves, inksAreEncodedAgain)
{
    // The transform's own Adobe marker would turn plain inks upside down for the reader.
    const QImage picture = texture(64, 48);
    const QByteArray inks = cameraJpeg(picture, 90, false, true);
    ASSERT_FALSE(inks.isEmpty());
    const QImage opened = decodeJpegBytes(reinterpret_cast<const unsigned char *>(inks.constData()),
                                          std::size_t(inks.size()), "inks");
    EXPECT_LT(qAbs(qRed(opened.pixel(40, 20)) - qRed(picture.pixel(40, 20))), 24); // read as stored
    // Whatever the file becomes, it reads as the picture it was.
    losslessEdits edits = losslessEdits::ofJpeg(inks);
    if (!edits.known) edits = {true, QSize(64, 48), QSize(8, 8), QRect(0, 0, 64, 48), pixelTurn::none};
    const QByteArray made = losslessJpeg(inks, edits, {});
    if (made.isEmpty()) return;
    const QImage back = decodeJpegBytes(reinterpret_cast<const unsigned char *>(made.constData()),
                                        std::size_t(made.size()), "made");
    EXPECT_EQ(back, opened);
}

TEST(losslessMoves, composeAsTheMovesOfASquare)
{
    // A quarter turn four times is no move; a turn and its mirror image undo each other.
    pixelTurn t = pixelTurn::none;
    for (int i = 0; i < 4; ++i) t = composedTurn(t, pixelTurn::turnRight);
    EXPECT_EQ(t, pixelTurn::none);
    EXPECT_EQ(composedTurn(pixelTurn::turnRight, pixelTurn::turnLeft), pixelTurn::none);
    EXPECT_EQ(composedTurn(pixelTurn::turnRight, pixelTurn::mirrorLeftRight), pixelTurn::transpose);
    EXPECT_EQ(composedTurn(pixelTurn::mirrorLeftRight, pixelTurn::turnRight), pixelTurn::transverse);
    EXPECT_EQ(composedTurn(pixelTurn::mirrorUpDown, pixelTurn::mirrorLeftRight), pixelTurn::halfTurn);
}

} // namespace
