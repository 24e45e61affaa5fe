// Colour planes and the display helpers: the numbers of fitRect, the pixels stretchCopy picks,
// plane round trips, the vector copies against the one-pixel-at-a-time walk, and failures.
#include "imagedata/imageerror.h"
#include "imagedata/messagesink.h"
#include "imagedata/myimagearray.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <random>
#include <vector>

namespace {

// A 32-bit picture of random bytes, fourth byte included, so any byte a copy mixes up shows.
QImage randomPicture(int width, int height, std::mt19937 &random)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 0; x < width * 4; ++x)
            row[x] = static_cast<uchar>(random());
    }
    return picture;
}

std::vector<uchar> fourthBytes(const QImage &picture)
{
    std::vector<uchar> bytes;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            bytes.push_back(picture.constScanLine(y)[x * 4 + 3]);
    return bytes;
}

struct messageCatcher {
    QStringList messages;
    messageSink previous;
    messageCatcher() { previous = setMessageSink([this](const QString &m) { messages << m; }); }
    ~messageCatcher() { setMessageSink(previous); }
};

rectangle area(int width, int height) { return rectangle{0, 0, width - 1, height - 1}; }

} // namespace

TEST(FitRect, WidePictureIntoSampleArea)
{
    rectangle target = area(205, 205);
    const double scale = fitRect(0, 0, 999, 499, target);
    EXPECT_DOUBLE_EQ(scale, 205.0 / 1000.0);
    EXPECT_EQ(target.left, 0); // trunc(-0.5)
    EXPECT_EQ(target.top, 50);
    EXPECT_EQ(target.right, 204);
    EXPECT_EQ(target.bottom, 153);
}

TEST(FitRect, SmallPictureIsEnlarged)
{
    rectangle target = area(205, 205);
    EXPECT_DOUBLE_EQ(fitRect(0, 0, 99, 99, target), 2.05);
    EXPECT_EQ(target.left, 0);
    EXPECT_EQ(target.top, 0);
    EXPECT_EQ(target.right, 204);
    EXPECT_EQ(target.bottom, 204);
}

TEST(FitRect, Thumbnails)
{
    struct { int w, h, left, top, width, height; } cases[] = {
        {4000, 3000, 0, 8, 70, 53},
        {3000, 4000, 8, 0, 53, 70},
        {100, 50, 0, 17, 70, 36},
        {20, 10, 0, 17, 70, 36},
    };
    for (const auto &c : cases) {
        rectangle target = area(70, 70);
        fitRect(0, 0, c.w - 1, c.h - 1, target);
        EXPECT_EQ(target.left, c.left) << c.w << "x" << c.h;
        EXPECT_EQ(target.top, c.top) << c.w << "x" << c.h;
        EXPECT_EQ(target.right - target.left + 1, c.width) << c.w << "x" << c.h;
        EXPECT_EQ(target.bottom - target.top + 1, c.height) << c.w << "x" << c.h;
    }
}

TEST(FitRect, TallPictureTakesTheHeightScale)
{
    rectangle target{10, 20, 109, 69}; // 100 x 50 area, not at the origin
    const double scale = fitRect(0, 0, 49, 99, target);
    EXPECT_DOUBLE_EQ(scale, 0.5);
    EXPECT_EQ(target.left, 47);  // trunc(59.5 - 12.5)
    EXPECT_EQ(target.right, 72); // trunc(59.5 + 12.5)
    EXPECT_EQ(target.top, 19);   // trunc(44.5 - 25)
    EXPECT_EQ(target.bottom, 69);
}

TEST(StretchCopy, ReductionPicksEveryOtherPixel)
{
    QImage source(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            source.setPixel(x, y, qRgb(x * 10, y * 10, x + y * 4));
    QImage destination(2, 2, QImage::Format_RGB32);
    destination.fill(0);
    stretchCopy(source, destination);
    EXPECT_EQ(destination.pixel(0, 0) & 0xFFFFFF, source.pixel(0, 0) & 0xFFFFFF);
    EXPECT_EQ(destination.pixel(1, 0) & 0xFFFFFF, source.pixel(2, 0) & 0xFFFFFF);
    EXPECT_EQ(destination.pixel(0, 1) & 0xFFFFFF, source.pixel(0, 2) & 0xFFFFFF);
    EXPECT_EQ(destination.pixel(1, 1) & 0xFFFFFF, source.pixel(2, 2) & 0xFFFFFF);
}

TEST(StretchCopy, EnlargementRepeatsPixelsAndKeepsFourthByte)
{
    std::mt19937 random(7);
    const QImage source = randomPicture(3, 2, random);
    QImage destination = randomPicture(7, 5, random);
    const std::vector<uchar> before = fourthBytes(destination);
    stretchCopy(source, destination);
    EXPECT_EQ(fourthBytes(destination), before);
    const double rx = 3.0 / 7.0, ry = 2.0 / 5.0;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 7; ++j) {
            const uchar *s = source.constScanLine(static_cast<int>(i * ry)) + static_cast<int>(j * rx) * 4;
            const uchar *d = destination.constScanLine(i) + j * 4;
            for (int b = 0; b < 3; ++b)
                ASSERT_EQ(d[b], s[b]) << "pixel " << j << "," << i << " byte " << b;
        }
}

TEST(Planes, LayoutIsRowMajorFromTheTop)
{
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            picture.setPixel(x, y, qRgb(10 * x + y, 100 + x, 200 + y));
    myImageArray planes(picture);
    ASSERT_EQ(planes.pixelCount, 6);
    EXPECT_EQ(planes.width, 3);
    EXPECT_EQ(planes.height, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(planes.redPlane[y * 3 + x], 10 * x + y);
            EXPECT_EQ(planes.greenPlane[y * 3 + x], 100 + x);
            EXPECT_EQ(planes.bluePlane[y * 3 + x], 200 + y);
        }
}

TEST(Planes, OnePixelPicture)
{
    QImage picture(1, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(1, 2, 3));
    myImageArray planes(picture);
    EXPECT_EQ(planes.pixelCount, 1);
    EXPECT_EQ(planes.redPlane[0], 1);
    EXPECT_EQ(planes.greenPlane[0], 2);
    EXPECT_EQ(planes.bluePlane[0], 3);
}

TEST(Planes, StoreWritesChangesBackAndKeepsFourthByte)
{
    std::mt19937 random(11);
    QImage picture = randomPicture(37, 5, random);
    const std::vector<uchar> fourth = fourthBytes(picture);
    myImageArray planes(picture);
    for (int i = 0; i < planes.pixelCount; ++i) {
        planes.redPlane[i] = static_cast<uchar>(255 - planes.redPlane[i]);
        planes.greenPlane[i] = static_cast<uchar>(i);
        planes.bluePlane[i] = 9;
    }
    planes.storeToBitmap();
    EXPECT_EQ(fourthBytes(picture), fourth);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x) {
            const uchar *p = picture.constScanLine(y) + x * 4;
            const int i = y * 37 + x;
            ASSERT_EQ(p[0], 9);
            ASSERT_EQ(p[1], static_cast<uchar>(i));
            ASSERT_EQ(p[2], planes.redPlane[i]);
        }
    // and back: loading again gives the same planes
    std::vector<uchar> red(planes.redPlane.get(), planes.redPlane.get() + planes.pixelCount);
    std::fill(planes.redPlane.get(), planes.redPlane.get() + planes.pixelCount, 0);
    planes.loadFromBitmap();
    EXPECT_TRUE(std::equal(red.begin(), red.end(), planes.redPlane.get()));
}

TEST(Planes, FastCopiesMatchThePlainWalkOnOddSizes)
{
    std::mt19937 random(2024);
    const int sizes[][2] = {{1, 1}, {15, 3}, {16, 1}, {17, 2}, {31, 7}, {33, 33}, {101, 13}, {257, 3}};
    for (const auto &size : sizes) {
        const int w = size[0], h = size[1];
        const QImage picture = randomPicture(w, h, random);
        const std::size_t n = static_cast<std::size_t>(w) * h;
        std::vector<uchar> r1(n), g1(n), b1(n), r2(n), g2(n), b2(n);
        bitmapToPlanes(picture, r1.data(), g1.data(), b1.data());
        bitmapToPlanesPlain(picture, r2.data(), g2.data(), b2.data());
        EXPECT_EQ(r1, r2) << w << "x" << h;
        EXPECT_EQ(g1, g2) << w << "x" << h;
        EXPECT_EQ(b1, b2) << w << "x" << h;

        for (auto *plane : {&r1, &g1, &b1})
            for (auto &v : *plane)
                v = static_cast<uchar>(random());
        QImage fast = randomPicture(w, h, random);
        QImage plain = fast.copy();
        planesToBitmap(fast, r1.data(), g1.data(), b1.data());
        planesToBitmapPlain(plain, r1.data(), g1.data(), b1.data());
        ASSERT_EQ(fast.sizeInBytes(), plain.sizeInBytes());
        EXPECT_EQ(0, std::memcmp(fast.constBits(), plain.constBits(), static_cast<std::size_t>(fast.sizeInBytes())))
            << w << "x" << h;
    }
}

TEST(Planes, TwentyFourBitPicturesUseThreeBytes)
{
    QImage picture(5, 2, QImage::Format_BGR888);
    picture.fill(QColor(30, 20, 10));
    EXPECT_EQ(bytesPerPixel(picture), 3);
    EXPECT_EQ(bytesPerPixel(QImage(1, 1, QImage::Format_RGB32)), 4);
    EXPECT_EQ(bytesPerPixel(QImage(1, 1, QImage::Format_Indexed8)), 0);
    std::vector<uchar> r(10), g(10), b(10);
    bitmapToPlanes(picture, r.data(), g.data(), b.data());
    EXPECT_EQ(r[9], 30);
    EXPECT_EQ(g[9], 20);
    EXPECT_EQ(b[9], 10);
}

TEST(Planes, FailedAllocationTellsAndAbandons)
{
    messageCatcher catcher;
    QImage picture(4, 4, QImage::Format_RGB32);
    forcePlaneAllocationFailure(true);
    EXPECT_THROW({ myImageArray planes(picture); }, operationAbandoned);
    forcePlaneAllocationFailure(false);
    ASSERT_EQ(catcher.messages.size(), 1);
    EXPECT_EQ(catcher.messages[0], QString::fromUtf8("クラスmyImageArray\u3000のコンストラクタがメモリ確保ができなかった"));
}

TEST(Planes, CopyRefusedForABitmapThatChangedSizeOrFormat)
{
    messageCatcher catcher;
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(0xFF102030);
    myImageArray planes(picture);
    picture = QImage(16, 16, QImage::Format_RGB32);
    picture.fill(0xFFFFFFFF);
    planes.storeToBitmap(); // would overrun the 64-byte planes
    ASSERT_EQ(catcher.messages.size(), 1);
    EXPECT_EQ(catcher.messages[0], QStringLiteral("Could not load or alter bitmap"));
    EXPECT_EQ(picture.pixel(15, 15), 0xFFFFFFFFu);

    QImage indexed(4, 4, QImage::Format_Indexed8);
    std::vector<uchar> r(16, 1), g(16, 1), b(16, 1);
    bitmapToPlanes(indexed, r.data(), g.data(), b.data());
    EXPECT_EQ(catcher.messages.size(), 2);
    EXPECT_EQ(r[0], 1);
}
