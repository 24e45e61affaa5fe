// The commit in place (the mirrors and the half turn of korvia-batch) gives the very bytes of the
// commit into a new bitmap.
#include "geometry/prepareshape.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <cstring>

TEST(shapeInPlace, givesTheCommitsBytes)
{
    // The commit in place equals the new bitmap of makeShapedBitmap (fourth bytes 0xFF there, random
    // in the picture), for the codes that keep the size; the others are left to makeShapedBitmap.
    const int sizes[][2] = {{1, 1}, {2, 3}, {613, 5}, {211, 157}};
    quint32 seed = 40;
    for (const bool vector : {false, true}) {
        setVectorPaths(vector ? vectorPaths::best : vectorPaths::plain);
        for (std::uint32_t code = shapeCopy; code <= shapeSlope; ++code)
            for (const auto &size : sizes) {
                QImage picture(size[0], size[1], QImage::Format_RGB32);
                QRandomGenerator random(seed++);
                for (int y = 0; y < size[1]; ++y)
                    random.fillRange(reinterpret_cast<quint32 *>(picture.scanLine(y)), size[0]);
                prepareShape s;
                s.engine->shapeType = code;
                s.engine->trimRight = size[0] - 1, s.engine->trimBottom = size[1] - 1;
                s.targetWidth = size[0], s.targetHeight = size[1];
                const QImage shaped = s.makeShapedBitmap(picture);
                QImage inPlace = picture.copy();
                const bool done = s.shapeInPlace(inPlace);
                const bool keepsSize = code == shapeRotate180 || code == shapeMirrorLeftRight || code == shapeMirrorUpDown;
                EXPECT_EQ(done, keepsSize) << "code " << code;
                const QImage &expected = done ? shaped : picture;
                ASSERT_EQ(inPlace.size(), expected.size());
                EXPECT_EQ(std::memcmp(inPlace.constBits(), expected.constBits(), std::size_t(expected.sizeInBytes())), 0)
                    << "code " << code << ", " << size[0] << " x " << size[1] << ", vector " << vector;
            }
    }
    setVectorPaths(vectorPaths::best);
}
