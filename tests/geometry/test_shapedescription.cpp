// The one description per transform code: the batch names and keys and the result size the family
// promises, all read from the same table (the window's page choice: tests/ui/test_operationpages.cpp).
#include "geometry/prepareshape.h"
#include "geometry/shapedescription.h"
#include "geometry/shapeparameters.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(shapeDescription, everyCodeOnceAndReachable)
{
    std::set<std::string> names;
    prepareShape s;
    int code = 0;
    for (const shapeDescription &d : shapeDescriptions()) {
        EXPECT_EQ(int(d.code), code++);
        EXPECT_EQ(describeShape(d.code), &d);
        if (d.name) {
            EXPECT_TRUE(names.insert(d.name).second) << d.name;
            EXPECT_EQ(findShapeDescription(d.name), &d);
        }
        // A move keeps or swaps the sides; the copy, turns and mirrors fill every pixel from the source.
        if (d.family == shapeFamily::move) {
            QImage source(5, 3, QImage::Format_RGB32);
            source.fill(0xFF102030u);
            s.engine->shapeType = d.code;
            const QImage result = s.makeShapedBitmap(source);
            EXPECT_EQ(result.size(), d.size == shapeSizeRule::swapped ? QSize(3, 5) : QSize(5, 3));
            EXPECT_EQ(result.pixel(2, 2), 0xFF102030u);
        }
    }
    EXPECT_EQ(code, 12);
    EXPECT_EQ(describeShape(12), nullptr);
    EXPECT_EQ(shapeCommandOrder().size(), names.size());
    for (const shapeParameter &p : shapeParameters()) EXPECT_TRUE(describeShape(p.code)->name) << p.field;
}

TEST(shapeDescription, degreesTruncatedToHundredths)
{
    const std::pair<double, int> cases[] = {{0.004, 0}, {45.559, 4555}, {-0.019, -1}, {-180, -18000}, {33.3, 3329}};
    for (auto [degrees, hundredths] : cases) EXPECT_EQ(degreesToHundredths(degrees), hundredths) << degrees;
    // The angle's row carries that scale: its bar's and edit's degrees reach the engine as the same
    // hundredths; every other row is in the engine's own unit.
    const shapeParameter &angle = *findShapeParameter("rotateAngle");
    for (auto [degrees, hundredths] : cases) EXPECT_EQ(engineValue(angle, degrees), hundredths) << degrees;
    for (const shapeParameter &p : shapeParameters()) {
        EXPECT_EQ(p.scale, &p == &angle ? 100 : 1) << p.field;
        EXPECT_EQ(p.size != nullptr, p.member == nullptr) << p.field; // every row fills one field
    }
}
