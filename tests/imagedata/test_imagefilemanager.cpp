// Picture files: types and names, BMP variants, JPEG variants (grey, progressive, CMYK) and
// damaged files (safe saving and the scratch directory: test_safesaving.cpp).
#include "testfiles.h"
#include "scratchfiles.h"
#include "testfiles/picturedifference.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/safewrite.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// ---- helpers -------------------------------------------------------------------------------

std::vector<QRgb> testPalette(int count)
{
    std::vector<QRgb> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(qRgb((i * 53) & 0xFF, (i * 101 + 7) & 0xFF, (255 - i * 17) & 0xFF));
    return palette;
}

// Pure channel values (0 or 255) survive every bit-field depth unchanged.
QRgb pureColour(int x, int y)
{
    const int i = (x + 3 * y) % 8;
    return qRgb(i & 1 ? 255 : 0, i & 2 ? 255 : 0, i & 4 ? 255 : 0);
}

QRgb trueColour(int x, int y) { return qRgb(x * 40 + 3, y * 70 + 11, (x * y * 13) & 0xFF); }

// `slack` allows for the expansion of 5- and 6-bit channels to 8 bits.
void expectPicture(const QImage &picture, int width, int height, const std::function<QRgb(int, int)> &colour,
                   int slack = 0)
{
    ASSERT_EQ(picture.format(), QImage::Format_RGB32);
    ASSERT_EQ(picture.width(), width);
    ASSERT_EQ(picture.height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (slack == 0) {
                ASSERT_EQ(picture.pixel(x, y) & 0xFFFFFF, colour(x, y) & 0xFFFFFF) << "pixel " << x << "," << y;
            } else {
                const QRgb p = picture.pixel(x, y), q = colour(x, y);
                ASSERT_LE(std::abs(qRed(p) - qRed(q)), slack) << "pixel " << x << "," << y;
                ASSERT_LE(std::abs(qGreen(p) - qGreen(q)), slack) << "pixel " << x << "," << y;
                ASSERT_LE(std::abs(qBlue(p) - qBlue(q)), slack) << "pixel " << x << "," << y;
            }
}

// A photo-like picture: smooth gradients with a soft disc, so JPEG keeps it close.
QImage smoothPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int dx = x - width / 2, dy = y - height / 2;
            const int disc = std::max(0, 120 - (dx * dx + dy * dy) * 120 / (width * width / 4 + 1));
            picture.setPixel(x, y, qRgb(std::min(255, x * 200 / width + disc / 3), y * 220 / height,
                                        std::min(255, 60 + disc)));
        }
    return picture;
}

class FileTest : public scratchFileTest {};

} // namespace

// ---- BMP -----------------------------------------------------------------------------------

TEST_F(FileTest, BmpPaletteDepths)
{
    for (int bpp : {1, 4, 8}) {
        bmpLayout l;
        l.width = 13; // odd, so every row needs padding
        l.height = 4;
        l.bpp = bpp;
        l.palette = testPalette(1 << bpp);
        const QString name = at(QStringLiteral("p%1.bmp").arg(bpp));
        ASSERT_TRUE(writeFile(name, buildBmp(l, packRows(l, {}))));
        QImage picture;
        EXPECT_EQ(loadImageFile(picture, name), 2);
        const auto palette = l.palette;
        expectPicture(picture, 13, 4, [&](int x, int y) { return palette[static_cast<std::size_t>(indexAt(x, y, 1 << bpp))]; });
    }
}

TEST_F(FileTest, BmpTrueColourDepthsAndBitFields)
{
    struct variant { int bpp; quint32 compression; std::vector<quint32> masks; bool pure; };
    const variant variants[] = {
        {16, 0, {}, true},
        {16, 3, {0xF800, 0x07E0, 0x001F}, true},
        {24, 0, {}, false},
        {32, 0, {}, false},
        {32, 3, {0x0000FF00, 0x00FF0000, 0xFF000000}, false},
    };
    int i = 0;
    for (const variant &v : variants) {
        bmpLayout l;
        l.width = 7;
        l.height = 3;
        l.bpp = v.bpp;
        l.compression = v.compression;
        l.masks = v.masks;
        const auto colour = v.pure ? std::function<QRgb(int, int)>(pureColour) : std::function<QRgb(int, int)>(trueColour);
        const QString name = at(QStringLiteral("t%1.BMP").arg(i++));
        ASSERT_TRUE(writeFile(name, buildBmp(l, packRows(l, colour))));
        QImage picture;
        loadImageFile(picture, name);
        SCOPED_TRACE(testing::Message() << v.bpp << " bpp, compression " << v.compression);
        expectPicture(picture, 7, 3, colour, v.pure ? 7 : 0);
    }
}

TEST_F(FileTest, BmpTopDownV5AndCoreHeaders)
{
    bmpLayout topDown;
    topDown.topDown = true;
    ASSERT_TRUE(writeFile(at(QStringLiteral("td.bmp")), buildBmp(topDown, packRows(topDown, trueColour))));
    QImage picture;
    loadImageFile(picture, at(QStringLiteral("td.bmp")));
    expectPicture(picture, 5, 3, trueColour);

    bmpLayout v5;
    v5.infoSize = 124;
    v5.bpp = 32;
    v5.compression = 3;
    v5.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0};
    ASSERT_TRUE(writeFile(at(QStringLiteral("v5.bmp")), buildBmp(v5, packRows(v5, trueColour))));
    loadImageFile(picture, at(QStringLiteral("v5.bmp")));
    expectPicture(picture, 5, 3, trueColour);

    bmpLayout core;
    core.infoSize = 12;
    core.bpp = 8;
    core.width = 6;
    core.palette = testPalette(256);
    ASSERT_TRUE(writeFile(at(QStringLiteral("os2.bmp")), buildBmp(core, packRows(core, {}))));
    loadImageFile(picture, at(QStringLiteral("os2.bmp")));
    const auto palette = core.palette;
    expectPicture(picture, 6, 3, [&](int x, int y) { return palette[static_cast<std::size_t>(indexAt(x, y, 256))]; });

    core.bpp = 24;
    core.palette.clear();
    ASSERT_TRUE(writeFile(at(QStringLiteral("os2rgb.bmp")), buildBmp(core, packRows(core, trueColour))));
    loadImageFile(picture, at(QStringLiteral("os2rgb.bmp")));
    expectPicture(picture, 6, 3, trueColour);

    // The longer OS/2 2.x header: 64 bytes, the Windows fields first.
    bmpLayout os2v2;
    os2v2.infoSize = 64;
    os2v2.bpp = 8;
    os2v2.palette = testPalette(256);
    ASSERT_TRUE(writeFile(at(QStringLiteral("os2v2.bmp")), buildBmp(os2v2, packRows(os2v2, {}))));
    loadImageFile(picture, at(QStringLiteral("os2v2.bmp")));
    const auto palette2 = os2v2.palette;
    expectPicture(picture, 5, 3, [&](int x, int y) { return palette2[static_cast<std::size_t>(indexAt(x, y, 256))]; });
}

TEST_F(FileTest, BmpRunLengthEncoded)
{
    for (int bpp : {4, 8}) {
        bmpLayout l;
        l.width = 9;
        l.height = 4;
        l.bpp = bpp;
        l.compression = bpp == 8 ? 1 : 2;
        l.palette = testPalette(1 << bpp);
        const QString name = at(QStringLiteral("rle%1.bmp").arg(bpp));
        ASSERT_TRUE(writeFile(name, buildBmp(l, rleRows(l))));
        QImage picture;
        loadImageFile(picture, name);
        const auto palette = l.palette;
        SCOPED_TRACE(testing::Message() << "RLE" << bpp);
        expectPicture(picture, 9, 4, [&](int x, int y) { return palette[static_cast<std::size_t>(indexAt(x, y, 1 << bpp))]; });
    }
}

TEST_F(FileTest, DamagedBmpFilesAreRefusedAndThePictureKept)
{
    bmpLayout l;
    const QByteArray good = buildBmp(l, packRows(l, trueColour));
    bmpLayout rle;
    rle.width = 9;
    rle.height = 4;
    rle.bpp = 8;
    rle.compression = 1;
    rle.palette = testPalette(256);
    const QByteArray goodRle = buildBmp(rle, rleRows(rle));
    const QByteArray damaged[] = {
        good.left(good.size() - 7),         // last row cut short
        good.left(40),                      // inside the info header
        QByteArray("BM"),                   // nothing after the signature
        QByteArray("not a picture at all"), // no signature
        QByteArray(),                       // empty file
        goodRle.left(goodRle.size() - 12),  // run-length data cut off
    };
    int i = 0;
    for (const QByteArray &bytes : damaged) {
        const QString name = at(QStringLiteral("bad%1.bmp").arg(i++));
        ASSERT_TRUE(writeFile(name, bytes));
        QImage picture = marker(3, 2, 0xFF123456);
        try {
            loadImageFile(picture, name);
            ADD_FAILURE() << "damaged file " << i << " was accepted";
        } catch (const imageError &e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
        EXPECT_EQ(picture.size(), QSize(3, 2)) << i;
        EXPECT_EQ(picture.pixel(2, 1), 0xFF123456u) << i;
    }
}

TEST_F(FileTest, MissingFileRaises)
{
    QImage picture;
    EXPECT_THROW(loadImageFile(picture, at(QStringLiteral("gone.jpg"))), imageError);
    EXPECT_THROW(loadImageFile(picture, at(QStringLiteral("gone.bmp"))), imageError);
    EXPECT_TRUE(picture.isNull());
}

TEST_F(FileTest, UnknownTypeLeavesThePictureAlone)
{
    ASSERT_TRUE(writeFile(at(QStringLiteral("photo.Jpg")), encodeJpeg(marker(4, 4, 0xFF00FF00), 90)));
    QImage empty(0, 0, QImage::Format_RGB32);
    EXPECT_EQ(loadImageFile(empty, at(QStringLiteral("photo.Jpg"))), 0);
    EXPECT_EQ(empty.width(), 0);
    EXPECT_EQ(empty.height(), 0);
    QImage kept = marker(2, 2, 0xFF0000FF);
    EXPECT_EQ(loadImageFile(kept, at(QStringLiteral("photo"))), 0);
    EXPECT_EQ(kept.pixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(kept.format(), QImage::Format_RGB32);
}

TEST_F(FileTest, BmpIsWrittenAs32BitsUncompressedUnderBMP)
{
    const QImage picture = smoothPicture(11, 6);
    saveImageFile(picture, at(QStringLiteral("a.bmp")), 2, 100);
    EXPECT_FALSE(QFile::exists(at(QStringLiteral("a.bmp"))));
    const QByteArray bytes = readFile(at(QStringLiteral("a.BMP")));
    ASSERT_EQ(bytes.size(), 54 + 11 * 6 * 4);
    EXPECT_EQ(bytes[28], 32);         // bits per pixel
    EXPECT_EQ(bytes.mid(30, 4), QByteArray(4, '\0')); // no compression
    QImage back;
    EXPECT_EQ(loadImageFile(back, at(QStringLiteral("a.BMP"))), 2);
    expectPicture(back, 11, 6, [&](int x, int y) { return picture.pixel(x, y); });
}

// ---- JPEG ----------------------------------------------------------------------------------

TEST_F(FileTest, JpegIsWrittenUnderJpegAndReadBack)
{
    const QImage picture = smoothPicture(64, 48);
    saveImageFile(picture, at(QStringLiteral("a.jpg")), 1, 95);
    EXPECT_FALSE(QFile::exists(at(QStringLiteral("a.jpg"))));
    ASSERT_TRUE(QFile::exists(at(QStringLiteral("a.jpeg"))));
    QImage back;
    EXPECT_EQ(loadImageFile(back, at(QStringLiteral("a.jpeg"))), 1);
    ASSERT_EQ(back.format(), QImage::Format_RGB32);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LE(largestDifference(back, picture), 12);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("a.jpeg")}); // no temporary left behind
}

TEST_F(FileTest, QualityIsTheEncoderSetting)
{
    const QImage picture = smoothPicture(96, 64);
    const QByteArray low = encodeJpeg(picture, 10), high = encodeJpeg(picture, 100);
    EXPECT_LT(low.size(), high.size());
    EXPECT_EQ(encodeJpeg(picture, 0), encodeJpeg(picture, 1));    // clamped into 1..100
    EXPECT_EQ(encodeJpeg(picture, 250), high);
    EXPECT_LT(largestDifference(decodeJpeg(high), picture), largestDifference(decodeJpeg(low), picture));
}

TEST_F(FileTest, GreyProgressiveAndCmykJpegs)
{
    const QImage picture = smoothPicture(40, 24);
    const QString grey = at(QStringLiteral("grey.jpg")), progressive = at(QStringLiteral("prog.JPG")),
                  cmyk = at(QStringLiteral("cmyk.jpeg"));
    ASSERT_TRUE(writeFile(grey, makeJpeg(picture, jpegKind::grey)));
    ASSERT_TRUE(writeFile(progressive, makeJpeg(picture, jpegKind::progressive)));
    ASSERT_TRUE(writeFile(cmyk, makeJpeg(picture, jpegKind::adobeCmyk)));

    QImage back;
    loadImageFile(back, grey);
    ASSERT_EQ(back.format(), QImage::Format_RGB32);
    ASSERT_EQ(back.size(), picture.size());
    int worst = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x) {
            const QRgb p = back.pixel(x, y);
            EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
            worst = std::max(worst, std::abs(qGreen(p) - qGreen(picture.pixel(x, y))));
        }
    EXPECT_LE(worst, 8);

    loadImageFile(back, progressive);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LE(largestDifference(back, picture), 12);

    loadImageFile(back, cmyk);
    ASSERT_EQ(back.format(), QImage::Format_RGB32);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LE(largestDifference(back, picture), 12); // inverted inks read as the right colours

    const QString plain = at(QStringLiteral("plain.jpg"));
    ASSERT_TRUE(writeFile(plain, makeJpeg(picture, jpegKind::plainCmyk)));
    loadImageFile(back, plain);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LE(largestDifference(back, picture), 12);

    const QString ycck = at(QStringLiteral("ycck.jpg"));
    const QByteArray ycckBytes = makeJpeg(picture, jpegKind::adobeYcck);
    ASSERT_TRUE(writeFile(ycck, ycckBytes));
    // The Adobe marker's transform byte (offset 11 of the APP14 payload) says YCCK.
    const qsizetype adobe = ycckBytes.indexOf("Adobe");
    ASSERT_GE(adobe, 0);
    ASSERT_EQ(static_cast<int>(static_cast<unsigned char>(ycckBytes[adobe + 11])), 2);
    back = QImage();
    loadImageFile(back, ycck);
    ASSERT_EQ(back.format(), QImage::Format_RGB32);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LE(largestDifference(back, picture), 12);
}

TEST_F(FileTest, LargeJpegDecodesIntoAnOrdinaryPicture)
{
    // Big enough for the decoder's large-picture memory; the result must behave like any QImage.
    const QImage picture = smoothPicture(2048, 1200);
    const QString name = at(QStringLiteral("large.jpg"));
    ASSERT_TRUE(writeFile(name, encodeJpeg(picture, 92)));
    QImage back;
    loadImageFile(back, name);
    ASSERT_EQ(back.format(), QImage::Format_RGB32);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LE(largestDifference(back, picture), 12);
    QImage copy = back; // shared, then written: the copy detaches and the original stays
    copy.setPixel(5, 5, 0xFF000000);
    EXPECT_NE(back.pixel(5, 5), 0xFF000000u);
    back.bits()[0] = 7;
    EXPECT_EQ(back.constBits()[0], 7);
    back = QImage(); // releases the memory
    EXPECT_EQ(copy.pixel(5, 5), 0xFF000000u);
}

TEST_F(FileTest, RandomlyDamagedFilesNeverCrash)
{
    // Each damaged file either loads as a Format_RGB32 picture or is refused with imageError.
    const QByteArray jpeg = encodeJpeg(smoothPicture(48, 32), 80);
    bmpLayout rle;
    rle.width = 9;
    rle.height = 4;
    rle.bpp = 8;
    rle.compression = 1;
    rle.palette = testPalette(256);
    bmpLayout plain;
    const QByteArray originals[] = {jpeg, buildBmp(rle, rleRows(rle)), buildBmp(plain, packRows(plain, trueColour))};
    std::uint32_t seed = 12345;
    auto next = [&] { seed = seed * 1664525u + 1013904223u; return seed >> 8; };
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        const int which = round % 3;
        QByteArray bytes = originals[which];
        const int changes = 1 + static_cast<int>(next() % 6);
        for (int c = 0; c < changes; ++c)
            bytes[static_cast<qsizetype>(next() % static_cast<std::uint32_t>(bytes.size()))] = char(next());
        const QString name = at(which == 0 ? QStringLiteral("fuzz.jpg") : QStringLiteral("fuzz.bmp"));
        ASSERT_TRUE(writeFile(name, bytes));
        QImage picture = marker(2, 2, 0xFF010203);
        try {
            loadImageFile(picture, name);
            EXPECT_EQ(picture.format(), QImage::Format_RGB32);
        } catch (const imageError &) {
            ++refused;
            EXPECT_EQ(picture.pixel(1, 1), 0xFF010203u);
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_F(FileTest, DamagedJpegsRaiseWithLibjpegsMessage)
{
    const QByteArray good = encodeJpeg(smoothPicture(80, 80), 90);
    struct { QByteArray bytes; const char *says; } damaged[] = {
        {good.left(good.size() / 2), "Premature end of JPEG file"},
        {good.left(good.size() - 2), nullptr}, // only the end marker missing
        {good.left(300), nullptr},
        {QByteArray("\xFF\xD8\xFF\xE0 this is no JPEG"), nullptr},
        {QByteArray("plain text"), "Not a JPEG file"},
        {QByteArray(), nullptr},
    };
    int i = 0;
    for (const auto &d : damaged) {
        const QString name = at(QStringLiteral("bad%1.jpg").arg(i++));
        ASSERT_TRUE(writeFile(name, d.bytes));
        QImage picture = marker(3, 2, 0xFF654321);
        try {
            loadImageFile(picture, name);
            ADD_FAILURE() << "damaged JPEG " << i << " was accepted";
        } catch (const imageError &e) {
            if (d.says) {
                EXPECT_TRUE(e.message().contains(QLatin1String(d.says))) << e.what();
            }
        }
        EXPECT_EQ(picture.size(), QSize(3, 2)) << i;
        EXPECT_EQ(picture.pixel(0, 0), 0xFF654321u) << i;
        EXPECT_THROW(decodeJpeg(d.bytes), imageError) << i;
    }
}

TEST(JpegMemory, EncodeDecodeRoundTrip)
{
    const QImage picture = smoothPicture(33, 17);
    const QImage back = decodeJpeg(encodeJpeg(picture, 100));
    ASSERT_EQ(back.format(), QImage::Format_RGB32);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LE(largestDifference(back, picture), 8);
    EXPECT_THROW(encodeJpeg(QImage(), 80), imageError);
    // other formats are converted first
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    EXPECT_EQ(decodeJpeg(encodeJpeg(grey, 90)).size(), grey.size());
}
