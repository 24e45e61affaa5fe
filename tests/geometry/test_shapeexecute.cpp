// The transform engine and its set-up: result sizes, the exact pixel moves, the resampling's
// background and rounding, trimming edges, and the vector paths against the plain loops.
#include "geometry/prepareshape.h"
#include "geometry/shapeexecute.h"
#include "geometry/shapeparameters.h"
#include "imagedata/imageerror.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <vector>

namespace {
constexpr std::uint32_t grey50 = 50u | (50u << 8) | (50u << 16);
constexpr QRgb background = 0xFF323232u;

QImage picture(int w, int h, std::initializer_list<QRgb> pixels)
{
    QImage p(w, h, QImage::Format_RGB32);
    auto it = pixels.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, *it++);
    return p;
}

QImage randomPicture(int w, int h, quint32 seed)
{
    QImage p(w, h, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, random.generate()); // fourth bytes random too
    return p;
}

// Runs one code; the destination is made by the set-up as a commit does.
QImage run(std::uint32_t code, const QImage &source, void (*setUp)(shapeExecute &) = nullptr)
{
    prepareShape shaper;
    shaper.engine->shapeType = code;
    if (setUp) setUp(*shaper.engine);
    return shaper.makeShapedBitmap(source);
}

QSize sizeOf(std::uint32_t code, int w, int h, void (*setUp)(prepareShape &) = nullptr)
{
    prepareShape shaper;
    shaper.engine->shapeType = code;
    if (setUp) setUp(shaper);
    return shaper.shapedSize(w, h);
}

QRgb rgb(const QImage &p, int x, int y) { return p.pixel(x, y) | 0xFF000000u; }
} // namespace

TEST(shapeSize, commitSizes)
{
    EXPECT_EQ(sizeOf(shapeRotateAngle, 300, 200, [](prepareShape &s) { s.engine->rotateAngle = 9000; }), QSize(200, 300));
    EXPECT_EQ(sizeOf(shapeRotateAngle, 100, 100, [](prepareShape &s) { s.engine->rotateAngle = 4500; }), QSize(141, 141));
    EXPECT_EQ(sizeOf(shapeRotateRight90, 300, 200), QSize(200, 300));
    EXPECT_EQ(sizeOf(shapeSlope, 300, 200), QSize(301, 200));
    EXPECT_EQ(sizeOf(shapeSlope, 300, 200, [](prepareShape &s) { s.engine->slopeBalance = -100; }), QSize(501, 200));
    const QSize grown = sizeOf(shapeDistort, 300, 200, [](prepareShape &s) { s.engine->distortion = -30; });
    EXPECT_GT(grown.width(), 300);
    EXPECT_GT(grown.height(), 200);
    EXPECT_EQ(sizeOf(shapeDistort, 300, 200, [](prepareShape &s) { s.engine->distortion = 30; }), QSize(300, 200));
    EXPECT_EQ(sizeOf(shapeResize, 300, 200, [](prepareShape &s) { s.targetWidth = 7; s.targetHeight = 9; }), QSize(7, 9));
    // Trimming: at the borders the whole picture; edges past them are limited to it.
    auto trim = [](int l, int t, int r, int b) {
        prepareShape s;
        s.engine->shapeType = shapeTrim;
        s.engine->trimLeft = l, s.engine->trimTop = t, s.engine->trimRight = r, s.engine->trimBottom = b;
        return s.shapedSize(300, 200);
    };
    EXPECT_EQ(trim(0, 0, 299, 199), QSize(300, 200));
    EXPECT_EQ(trim(10, 20, 300, 200), QSize(290, 180));
    EXPECT_EQ(trim(-5, -5, 1000, 1000), QSize(300, 200));
}

// A result above the largest picture the readers open is refused from its size alone, before any
// memory is taken; every transform can reach it.
TEST(shapeSize, resultsAboveThePictureLimitAreRefused)
{
    struct sizeRow {
        std::uint32_t code;
        int width, height;
        void (*setUp)(prepareShape &);
        bool refused;
    };
    const sizeRow rows[] = {
        {shapeResize, 2, 2, [](prepareShape &s) { s.targetWidth = 20000, s.targetHeight = 20000; }, false},
        {shapeResize, 2, 2, [](prepareShape &s) { s.targetWidth = 20001, s.targetHeight = 20000; }, true},
        {shapeResize, 2, 2, [](prepareShape &s) { s.targetWidth = 65535, s.targetHeight = 65535; }, true},
        {shapeRotateAngle, 20000, 20000, [](prepareShape &s) { s.engine->rotateAngle = 0; }, false},
        {shapeRotateAngle, 20000, 20000, [](prepareShape &s) { s.engine->rotateAngle = 100; }, true},
        {shapeRotateAngle, 1, 65535, [](prepareShape &s) { s.engine->rotateAngle = 4500; }, true},
        {shapeSlope, 20000, 20000, nullptr, true}, // one column wider
        {shapeSlope, 19999, 20000, nullptr, false},
        {shapeDistort, 19000, 19000, [](prepareShape &s) { s.engine->distortion = -30; }, true},
        {shapeDistort, 20000, 20000, [](prepareShape &s) { s.engine->distortion = 30; }, false},
        {shapeRotateRight90, 20000, 20000, nullptr, false},
        {shapeTrim, 20000, 20000, [](prepareShape &s) { s.engine->trimRight = s.engine->trimBottom = 30000; }, false},
    };
    for (const sizeRow &r : rows) {
        prepareShape s;
        s.engine->shapeType = r.code;
        if (r.setUp) r.setUp(s);
        const QSize size = s.shapedSize(r.width, r.height);
        SCOPED_TRACE(testing::Message() << "code " << r.code << ": " << size.width() << " x " << size.height());
        bool refused = false;
        try {
            s.checkShapedSize(r.width, r.height);
        } catch (const imageError &e) {
            refused = true;
            EXPECT_TRUE(e.message().contains(QStringLiteral("%1 × %2").arg(size.width()).arg(size.height())));
        }
        EXPECT_EQ(refused, r.refused);
    }
    // The commit refuses before it makes its bitmap.
    prepareShape s;
    s.chooseShape(shapeResize);
    s.targetWidth = 60000, s.targetHeight = 60000;
    EXPECT_THROW(s.makeShapedBitmap(randomPicture(4, 3, 1)), imageError);
}

TEST(shapeSize, chosenCodeAndPreviews)
{
    prepareShape s; // which page chooses which code: tests/ui/test_operationpages.cpp
    EXPECT_EQ(s.chooseShape(shapeDistort), shapeDistort);
    EXPECT_EQ(s.engine->shapeType, shapeDistort);

    const QImage sample = randomPicture(200, 150, 3);
    s.chooseShape(shapeResize);
    s.horizontalPercent = 200, s.verticalPercent = 100;
    EXPECT_EQ(s.makePreviewBitmap(sample)->size(), QSize(200, 75));
    s.verticalPercent = 0;
    EXPECT_FALSE(s.makePreviewBitmap(sample));
    s.chooseShape(shapeRotateRight90);
    EXPECT_EQ(s.makePreviewBitmap(sample)->size(), QSize(150, 200));
    s.chooseShape(shapeTrim);
    s.engine->trimLeft = 50; // the trimming preview shows the whole sample
    EXPECT_EQ(*s.makePreviewBitmap(sample), sample);
    s.engine->shapeType = 12;
    EXPECT_FALSE(s.makePreviewBitmap(sample));
    EXPECT_TRUE(s.makeShapedBitmap(sample).isNull());
    s.chooseShape(shapeResize);
    s.targetWidth = 0, s.targetHeight = 10; // a resize to nothing never replaces the picture
    EXPECT_TRUE(s.makeShapedBitmap(sample).isNull());
}

TEST(shapeMove, pixelMovesOnTwoPixels)
{
    const QRgb A = 0xFF0A141Eu, B = 0xFFC86432u;
    const QImage pair = picture(2, 1, {A, B});
    const QImage right = run(shapeRotateRight90, pair);
    ASSERT_EQ(right.size(), QSize(1, 2));
    EXPECT_EQ(rgb(right, 0, 0), A);
    EXPECT_EQ(rgb(right, 0, 1), B);
    const QImage left = run(shapeRotateLeft90, pair);
    EXPECT_EQ(rgb(left, 0, 0), B);
    EXPECT_EQ(rgb(left, 0, 1), A);
    const QImage mirrored = run(shapeMirrorLeftRight, pair);
    EXPECT_EQ(rgb(mirrored, 0, 0), B);
    EXPECT_EQ(rgb(run(shapeRotate180, pair), 1, 0), A);
    EXPECT_EQ(run(shapeMirrorUpDown, pair), pair);
    EXPECT_EQ(run(shapeCopy, pair), pair);

    // Right 90° of a 3 × 2 picture: the left column, read upward, becomes the top row.
    const QImage six = picture(3, 2, {1, 2, 3, 4, 5, 6});
    const QImage turned = run(shapeRotateRight90, six);
    ASSERT_EQ(turned.size(), QSize(2, 3));
    EXPECT_EQ(turned.pixel(0, 0) & 0xFFFFFF, 4u);
    EXPECT_EQ(turned.pixel(1, 0) & 0xFFFFFF, 1u);
    EXPECT_EQ(turned.pixel(1, 2) & 0xFFFFFF, 3u);
}

TEST(shapeMove, trimmingAtAndPastTheBorders)
{
    const QImage source = randomPicture(7, 5, 11);
    const QImage whole = run(shapeTrim, source, [](shapeExecute &e) { e.trimRight = 6, e.trimBottom = 4; });
    ASSERT_EQ(whole.size(), source.size());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(rgb(whole, x, y), rgb(source, x, y));
    // Edges of W and H (a reduced view's truncation) and beyond read only inside the picture.
    const QImage past = run(shapeTrim, source, [](shapeExecute &e) { e.trimLeft = 5, e.trimTop = 3, e.trimRight = 7, e.trimBottom = 99; });
    ASSERT_EQ(past.size(), QSize(2, 2));
    EXPECT_EQ(rgb(past, 1, 1), rgb(source, 6, 4));
    const QImage corner = run(shapeTrim, source, [](shapeExecute &e) { e.trimLeft = 50, e.trimTop = 50, e.trimRight = 60, e.trimBottom = 60; });
    ASSERT_EQ(corner.size(), QSize(1, 1));
    EXPECT_EQ(rgb(corner, 0, 0), rgb(source, 6, 4));
}

TEST(shapeResample, rotationByZeroAndSlopeZero)
{
    const QImage source = randomPicture(6, 4, 5);
    const QImage same = run(shapeRotateAngle, source);
    ASSERT_EQ(same.size(), source.size());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool edge = x == 5 || y == 3;
            ASSERT_EQ(rgb(same, x, y), edge ? background : rgb(source, x, y)) << x << "," << y;
        }
    EXPECT_EQ(run(shapeDistort, source), same); // distortion 0 is a rotation by 0

    const QImage slanted = run(shapeSlope, source);
    ASSERT_EQ(slanted.size(), QSize(7, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool edge = x == 0 || x == 6 || y == 3;
            ASSERT_EQ(rgb(slanted, x, y), edge ? background : rgb(source, x, y)) << x << "," << y;
        }
    const QImage narrowed = run(shapePerspective, source);
    for (int x = 0; x < 6; ++x) {
        const bool edge = x == 0 || x == 5;
        EXPECT_EQ(rgb(narrowed, x, 1), edge ? background : rgb(source, x, 1)) << x;
        EXPECT_EQ(rgb(narrowed, x, 3), background);
    }
}

TEST(shapeResample, fortyFiveDegreesAndTiesToEven)
{
    QImage flat(100, 100, QImage::Format_RGB32);
    flat.fill(0xFFFFFFFFu);
    const QImage turned = run(shapeRotateAngle, flat, [](shapeExecute &e) { e.rotateAngle = 4500; });
    ASSERT_EQ(turned.size(), QSize(141, 141));
    EXPECT_EQ(rgb(turned, 0, 0), background);
    EXPECT_EQ(rgb(turned, 140, 140), background);
    EXPECT_EQ(rgb(turned, 70, 70), 0xFFFFFFFFu);

    // Halfway between 2 and 3 is 2.5 → 2; between 3 and 4, 3.5 → 4 (a resize to double width puts
    // the second column at u = 0.25 and the third at 0.75; 2 + 0.25·2 = 2.5 and 3 + 0.25·2 = 3.5).
    const QImage pair = picture(2, 2, {0xFF020302u, 0xFF040504u, 0xFF020302u, 0xFF040504u});
    prepareShape s;
    s.engine->shapeType = shapeResize;
    s.targetWidth = 4, s.targetHeight = 2;
    const QImage wide = s.makeShapedBitmap(pair);
    EXPECT_EQ(wide.pixel(1, 0) & 0xFFFFFF, 0x020402u); // 2.5 → 2, 3.5 → 4, 2.5 → 2
}

TEST(shapeParameters, rangesOfTheBars)
{
    const shapeParameter *rotate = findShapeParameter("rotateAngle");
    ASSERT_TRUE(rotate);
    EXPECT_EQ(rotate->minimum, -180);
    EXPECT_EQ(rotate->maximum, 180);
    EXPECT_EQ(findShapeParameter("slopeBalance")->maximum, 100);
    EXPECT_EQ(findShapeParameter("perspective")->minimum, -50);
    EXPECT_EQ(findShapeParameter("distortion")->member, &shapeExecute::distortion);
    EXPECT_EQ(findShapeParameter("nothing"), nullptr);
}

// The vector paths give the plain loops' bytes, fourth bytes of the destination included, on odd
// sizes and on the smallest pictures.
TEST(shapeVector, sameBytesAsThePlainLoops)
{
    struct vectorSetting {
        std::uint32_t code;
        int value;
    };
    const vectorSetting settings[] = {
        {shapeCopy, 0},         {shapeRotateRight90, 0}, {shapeRotateLeft90, 0}, {shapeRotate180, 0},
        {shapeMirrorLeftRight, 0}, {shapeMirrorUpDown, 0}, {shapeTrim, 0},        {shapeTrim, 1},
        {shapeResize, 0},       {shapeResize, 1},        {shapeRotateAngle, 4550}, {shapeRotateAngle, -17999},
        {shapeRotateAngle, 0},  {shapeDistort, -30},     {shapeDistort, 17},     {shapePerspective, 50},
        {shapePerspective, -33}, {shapeSlope, 100},      {shapeSlope, -61},      {shapeSlope, 0},
    };
    const QSize sizes[] = {{1, 1}, {2, 2}, {1, 7}, {9, 1}, {3, 5}, {37, 23}, {64, 48}, {131, 77}, {301, 9}, {613, 5}};
    quint32 seed = 1;
    for (const QSize size : sizes) {
        const QImage source = randomPicture(size.width(), size.height(), seed++);
        for (const vectorSetting &t : settings) {
            prepareShape s;
            s.engine->shapeType = t.code;
            s.engine->rotateAngle = t.value;
            s.engine->distortion = t.code == shapeDistort ? t.value : 0;
            s.engine->perspective = t.code == shapePerspective ? t.value : 0;
            s.engine->slopeBalance = t.code == shapeSlope ? t.value : 0;
            s.engine->trimLeft = t.value * size.width() / 3, s.engine->trimTop = t.value * size.height() / 4;
            s.engine->trimRight = size.width() - 1 - t.value * size.width() / 5;
            s.engine->trimBottom = size.height() - 1 + t.value * 3;
            s.targetWidth = t.value ? size.width() * 2 + 1 : (size.width() + 1) / 2;
            s.targetHeight = t.value ? size.height() * 3 : (size.height() + 2) / 3;
            const QSize out = s.shapedSize(size.width(), size.height());
            // Both destinations start from the same random bytes, fourth bytes included.
            const QImage start = randomPicture(out.width(), out.height(), seed++);
            QImage plain = start.copy(), vector = start.copy(), narrow = start.copy();
            setVectorPaths(vectorPaths::plain);
            s.engine->executeShape(source, plain, grey50);
            setVectorPaths(vectorPaths::best);
            s.engine->executeShape(source, vector, grey50);
            setVectorPaths(vectorPaths::narrow);
            s.engine->executeShape(source, narrow, grey50);
            setVectorPaths(vectorPaths::best);
            ASSERT_EQ(plain, vector) << "code " << t.code << " value " << t.value << " size " << size.width()
                                     << "x" << size.height();
            ASSERT_EQ(plain, narrow) << "code " << t.code << " value " << t.value << " size " << size.width()
                                     << "x" << size.height() << " (four at a time)";
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x)
                    ASSERT_EQ(vector.pixel(x, y) >> 24, start.pixel(x, y) >> 24);
        }
    }
}

TEST(shapeExecute, progressMovesPerRow)
{
    std::vector<int> positions;
    int maximum = -1;
    progressIndicator bar;
    bar.onMaximum = [&](int m) { maximum = m; };
    bar.onPosition = [&](int p) { positions.push_back(p); };
    for (const bool vector : {false, true}) {
        for (const std::uint32_t code : {shapeRotateAngle, shapeRotateRight90}) {
            positions.clear();
            setVectorPaths(vector ? vectorPaths::best : vectorPaths::plain);
            prepareShape s;
            s.engine->progressBar = &bar;
            s.engine->shapeType = code;
            s.engine->rotateAngle = 3000;
            const QImage result = s.makeShapedBitmap(randomPicture(40, 30, 9));
            EXPECT_EQ(maximum, result.height() - 1);
            ASSERT_GE(positions.size(), 3u);
            EXPECT_EQ(positions[positions.size() - 2], result.height() - 1);
            EXPECT_EQ(positions.back(), 0);
        }
    }
    setVectorPaths(vectorPaths::best);
}
