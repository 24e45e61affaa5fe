// Files that declare more than they hold: JPEGs whose declared size, memory or scans would cost far
// more than their few bytes (arithmetic coding decodes on without complaint once its data runs
// out), run-length BMPs that skip pixels; and EXIF turns decoded straight into place.
#include "testfiles/jpeg.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/jpegcoding.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <vector>

namespace {

void putBig16(QByteArray &b, int v) { b.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF)); }
void putLittle16(QByteArray &b, int v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); }
void putLittle32(QByteArray &b, quint32 v) { putLittle16(b, int(v & 0xFFFF)); putLittle16(b, int(v >> 16)); }

QByteArray segment(int marker, const QByteArray &body)
{
    QByteArray s;
    s.append(char(0xFF)).append(char(marker));
    putBig16(s, int(body.size()) + 2);
    return s + body;
}

// The start of scan: components 1..components (or just `only`), spectral range and approximation.
QByteArray startOfScan(int components, int only, int ss, int se)
{
    QByteArray body;
    const int first = only ? only : 1, count = only ? 1 : components;
    body.append(char(count));
    for (int c = first; c < first + count; ++c)
        body.append(char(c)).append('\0');
    body.append(char(ss)).append(char(se)).append('\0');
    return segment(0xDA, body) + QByteArray(2, '\0');
}

// An arithmetic-coded JPEG of width x height with `components` components sampled 1 x 1:
// sequential (one scan) or progressive with `scans` scans (DC first, then the same AC scan over
// and over), each carrying two zero bytes of data.
QByteArray arithmeticJpeg(int width, int height, int components, bool progressive, int scans = 1)
{
    QByteArray file("\xFF\xD8", 2);
    file += segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\1'));
    QByteArray frame;
    frame.append('\x08');
    putBig16(frame, height);
    putBig16(frame, width);
    frame.append(char(components));
    for (int c = 1; c <= components; ++c)
        frame.append(char(c)).append('\x11').append('\0');
    file += segment(progressive ? 0xCA : 0xC9, frame);
    file += startOfScan(components, 0, 0, progressive ? 0 : 63);
    for (int s = 1; s < scans; ++s)
        file += startOfScan(components, 1 + s % components, 1, 63);
    return file + QByteArray("\xFF\xD9", 2);
}

// An EXIF record (big-endian) holding just the orientation, as an APP1 segment.
QByteArray orientationSegment(int orientation)
{
    QByteArray tiff("MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18);
    putBig16(tiff, orientation);
    tiff += QByteArray(6, '\0');
    return segment(0xE1, QByteArray("Exif\0\0", 6) + tiff);
}

QImage decodeStored(const QByteArray &bytes)
{
    return decodeJpegBytes(reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()),
                           QStringLiteral("t.jpg"));
}

class HostileFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString path = dir.path() + QLatin1Char('/') + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        return path;
    }
};

} // namespace

TEST_F(HostileFiles, AJpegCostsNoMoreThanItsBytesCanDescribe)
{
    // Each a few hundred bytes at most; the refusals come before the picture's memory is taken.
    const struct {
        const char *what;
        QByteArray bytes;
        const char *says; // nullptr: opens
    } cases[] = {
        {"small plain picture", arithmeticJpeg(300, 200, 3, false), nullptr},
        {"real number of scans", arithmeticJpeg(600, 400, 3, true, 12), nullptr},
        {"bitmap above what 100 bytes may cost", arithmeticJpeg(7200, 7200, 1, false), "ファイルの大きさに見合いません"},
        {"above the pixel limit", arithmeticJpeg(20000, 20001, 1, false), "大きすぎて開けません"},
        // 164 MB of bitmap fit, but not with 82 MB of coefficients for the scans: libjpeg's share
        // runs out ("Backing store not supported") and the file is refused as out of memory.
        {"coefficients beyond the memory left", arithmeticJpeg(6400, 6400, 1, true, 2), "メモリが足りません"},
        // 250,000 blocks in each of 450 scans: about a second's work allowed, then refused.
        {"scans over a large picture", arithmeticJpeg(4000, 4000, 1, true, 450), "走査（スキャン）が多すぎます"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = write(QStringLiteral("bomb.jpg"), c.bytes);
        QImage picture;
        try {
            loadImageFile(picture, name);
            EXPECT_EQ(c.says, nullptr) << "opened";
        } catch (const imageError &e) {
            ASSERT_NE(c.says, nullptr) << e.what();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << e.what();
            EXPECT_FALSE(e.message().contains(QLatin1String("Backing store"))) << e.what();
        }
    }
}

TEST_F(HostileFiles, TurnedJpegsAreTheStoredPixelsInTheirShownPlaces)
{
    // Odd sizes over several bands of sixteen rows; each shown pixel is the stored one the EXIF
    // orientation puts there, bit for bit, for YCbCr and CMYK files.
    const int w = 37, h = 41;
    for (const bool cmyk : {false, true}) {
        const QByteArray plain = detailedJpeg(w, h, cmyk);
        const QImage stored = decodeStored(plain);
        ASSERT_EQ(stored.size(), QSize(w, h));
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(testing::Message() << (cmyk ? "CMYK " : "YCbCr ") << orientation);
            const QString name = write(QStringLiteral("o.jpg"), plain.left(2) + orientationSegment(orientation) + plain.mid(2));
            QImage shown;
            loadImageFile(shown, name);
            const bool turned = orientation >= 5;
            ASSERT_EQ(shown.size(), turned ? QSize(h, w) : QSize(w, h));
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) {
                    const int sx[9] = {0, x, w - 1 - x, w - 1 - x, x, y, y, w - 1 - y, w - 1 - y};
                    const int sy[9] = {0, y, y, h - 1 - y, h - 1 - y, x, h - 1 - x, h - 1 - x, x};
                    ASSERT_EQ(shown.pixel(x, y), stored.pixel(sx[orientation], sy[orientation])) << x << "," << y;
                }
        }
    }
}

TEST_F(HostileFiles, RunLengthBmpsThatSkipPixelsOpenWithPaletteColourZeroThere)
{
    // 640 x 480, a few hundred bytes of codes: every row one run of ten pixels, then its end;
    // every 40th row a delta instead, 20 to the right and 3 rows down; the last rows skipped by
    // the end of the picture. Pixels the codes skip keep palette colour 0.
    for (const int bpp : {8, 4}) {
        SCOPED_TRACE(bpp);
        const int width = 640, height = 480;
        std::vector<std::vector<int>> index(std::size_t(height), std::vector<int>(std::size_t(width), 0));
        QByteArray codes;
        int x = 0, row = 0; // row 0 is the bottom row in the file
        while (row < height - 10) {
            codes.append('\x0A').append(bpp == 8 ? '\x05' : '\x55');
            for (int i = 0; i < 10; ++i)
                index[std::size_t(height - 1 - row)][std::size_t(x + i)] = 5;
            if (row % 40 == 39) {
                codes.append(QByteArray("\x00\x02\x14\x03", 4));
                x += 30;
                row += 3;
            } else {
                codes.append(QByteArray("\x00\x00", 2));
                x = 0;
                ++row;
            }
        }
        codes.append(QByteArray("\x00\x01", 2));
        const int colours = 1 << bpp;
        QByteArray file("BM");
        putLittle32(file, quint32(14 + 40 + 4 * colours + codes.size()));
        putLittle32(file, 0);
        putLittle32(file, quint32(14 + 40 + 4 * colours));
        for (const quint32 v : {40u, quint32(width), quint32(height)})
            putLittle32(file, v);
        putLittle16(file, 1);
        putLittle16(file, bpp);
        putLittle32(file, bpp == 8 ? 1 : 2);
        for (int i = 0; i < 5; ++i)
            putLittle32(file, 0);
        for (int i = 0; i < colours; ++i)
            putLittle32(file, quint32(i * 0x0F0301 + 0x203040)); // blue, green, red, 0
        file += codes;
        ASSERT_LT(file.size(), 12000);
        QImage picture;
        loadImageFile(picture, write(QStringLiteral("skips.bmp"), file));
        ASSERT_EQ(picture.size(), QSize(width, height));
        EXPECT_EQ(pictureFileSize(dir.path() + QStringLiteral("/skips.bmp")), picture.size());
        for (int y = 0; y < height; ++y)
            for (int px = 0; px < width; ++px)
                ASSERT_EQ(picture.pixel(px, y) & 0xFFFFFF, quint32(index[std::size_t(y)][std::size_t(px)] * 0x0F0301 + 0x203040))
                    << px << "," << y;
    }
}
