// The trimming rectangle and the drawing routines it shares with the transform preview.
#include "geometry/commonfigureroutine.h"
#include "geometry/commonresizerect.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <vector>

namespace {
struct testSurface {
    QImage picture;
    int changes = 0;
    testSurface(int w, int h) : picture(w, h, QImage::Format_RGB32)
    {
        QRandomGenerator random(7);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) picture.setPixel(x, y, random.generate());
    }
};

commonResizeRect rectOver(int left, int top, int right, int bottom)
{
    commonResizeRect r;
    r.setRect(left, top, right, bottom);
    return r;
}
} // namespace

TEST(ResizeRect, HandlesAreAtMostTwelveAndHalfTheRectangle)
{
    commonResizeRect r = rectOver(10, 20, 110, 220);
    EXPECT_EQ(r.handleTopLeft.left, 11);
    EXPECT_EQ(r.handleTopLeft.right, 22);
    EXPECT_EQ(r.handleBottomRight.left, 98);
    EXPECT_EQ(r.handleBottomRight.bottom, 219);
    r = rectOver(0, 0, 20, 20);
    EXPECT_EQ(r.handleTopRight.left, 10);
    EXPECT_EQ(r.handleTopRight.right, 19);
    EXPECT_EQ(r.handleBottomLeft.top, 10);
}

TEST(ResizeRect, DraggingKeepsTheMinimumSizeAndTheBounds)
{
    testSurface surface(300, 200);
    commonResizeRect r = rectOver(50, 40, 250, 160);
    r.lastPoint = point{52, 42};
    r.hitTest(52, 42, false);
    ASSERT_EQ(r.dragMode, std::uint32_t(dragTopLeft));
    r.dragEdges(surface.picture, 400, 60); // far past the right edge
    EXPECT_EQ(r.rect.left, 250 - 24);
    EXPECT_EQ(r.rect.right, 250);
    EXPECT_EQ(r.rect.top, 58);

    surface = testSurface(300, 200);
    r = rectOver(50, 40, 250, 160);
    r.setEdges(60, 200, 50, 150);
    r.placeHandles();
    r.draw(surface.picture);
    r.lastPoint = point{198, 148};
    r.hitTest(198, 148, false);
    ASSERT_EQ(r.dragMode, std::uint32_t(dragBottomRight));
    r.dragEdges(surface.picture, 900, 900);
    EXPECT_EQ(r.rect.right, 250);
    EXPECT_EQ(r.rect.bottom, 160);
    // Each step erased the previous outline before drawing the new one.
    r.draw(surface.picture);
    EXPECT_EQ(surface.picture, testSurface(300, 200).picture);
}

TEST(ResizeRect, HitTestChoosesCursorAndKeepsModeOutside)
{
    commonResizeRect r = rectOver(0, 0, 100, 100);
    std::vector<resizeCursor> shown;
    r.setCursor = [&](resizeCursor c) { shown.push_back(c); };
    r.hitTest(5, 5, false);
    r.hitTest(95, 5, false);
    r.hitTest(50, 50, true);
    r.hitTest(5, 5, false);
    r.hitTest(150, 150, false); // outside: default cursor, mode kept
    EXPECT_EQ(r.dragMode, std::uint32_t(dragTopLeft));
    const std::vector<resizeCursor> expected{resizeCursor::diagonalCursor, resizeCursor::antiDiagonalCursor,
                                             resizeCursor::dragCursor, resizeCursor::diagonalCursor,
                                             resizeCursor::defaultCursor};
    EXPECT_EQ(shown, expected);
}

TEST(ResizeRect, DrawingTwiceRestoresThePicture)
{
    testSurface surface(120, 90);
    const QImage before = surface.picture;
    commonResizeRect r = rectOver(3, 4, 27, 28); // 24 wide: handles overlap
    r.canvasChanged = [&surface] { ++surface.changes; };
    r.draw(surface.picture);
    EXPECT_NE(surface.picture, before);
    // The guide lines cross the whole picture, inverted (fourth byte kept).
    EXPECT_EQ(surface.picture.pixel(3, 80) & 0xFFFFFFu, ~before.pixel(3, 80) & 0xFFFFFFu);
    EXPECT_EQ(surface.picture.pixel(110, 28) & 0xFFFFFFu, ~before.pixel(110, 28) & 0xFFFFFFu);
    r.draw(surface.picture);
    EXPECT_EQ(surface.picture, before);
    EXPECT_EQ(surface.changes, 2);
}

TEST(FigureRoutines, GridLinesAndRotatedBounds)
{
    QImage picture(100, 100, QImage::Format_RGB32);
    picture.fill(0xFFFFFFFF);
    figureCanvas canvas(picture);
    drawGrid(canvas, 100, 100, 8);
    std::vector<int> rows;
    for (int y = 0; y < 100; ++y)
        if (picture.pixel(50, y) == 0xFF000000u && picture.pixel(51, y) == 0xFF000000u) rows.push_back(y);
    const std::vector<int> expected{0, 12, 24, 36, 48, 60, 72, 84, 99};
    EXPECT_EQ(rows, expected);

    EXPECT_TRUE(pointInRect(0, 0, 10, 10, 10, 0));
    EXPECT_FALSE(pointInRect(0, 0, 10, 10, 11, 0));
    const rectangle turned = rotatedBounds(rectangle{0, 0, 99, 99}, 45.0);
    EXPECT_EQ(turned.right, 140);
    EXPECT_EQ(turned.bottom, 140);
    const rectangle quarter = rotatedBounds(rectangle{0, 0, 299, 199}, 90.0);
    EXPECT_EQ(quarter.right + 1, 200);
    EXPECT_EQ(quarter.bottom + 1, 300);
}
