// Painting with the brushes: dab spacing along a path, the view-to-picture mapping, dabs clipped
// at the picture's edges, and the water dab's box sums.
#include "geometry/brushstroke.h"
#include "geometry/viewmapping.h"
#include "geometry/brushtool.h"

#include "imagedata/myimagearray.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <random>

namespace {
QImage texturedPicture(int w, int h, unsigned seed)
{
    std::mt19937 random(seed);
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, qRgb(int(random() % 256), (x * 7 + y * 3) % 256, (x * y) % 256));
    return picture;
}

std::vector<std::pair<int, int>> pairsOf(const std::vector<point> &points)
{
    std::vector<std::pair<int, int>> out;
    for (const point &p : points) out.emplace_back(p.x, p.y);
    return out;
}

// A brush whose profiles are built (with their speckles) for the given sizes and densities.
void setUp(brushTool &brush, int size, int density, int shape)
{
    brush.airBrushSize = brush.waterBrushSize = brushTool::oddSize(size);
    const double v = shape != 0 ? shape * 0.1 : 0.0001;
    brushTool::buildProfile(brush.airBrushSize, brush.airProfile, v, density);
    brushTool::buildProfile(brush.waterBrushSize, brush.waterProfile, v, density);
}
} // namespace

TEST(brushStroke, dabsFollowThePathAQuarterDiameterApart)
{
    EXPECT_EQ(dabSpacing(3), 1);
    EXPECT_EQ(dabSpacing(11), 2);
    EXPECT_EQ(dabSpacing(201), 50);

    using path = std::vector<std::pair<int, int>>;
    struct piece { std::vector<point> corners; int spacing; path dabs; };
    const piece cases[] = {
        // A straight stroke: the press point and then every 2 pixels up to the end.
        {{{10, 20}, {20, 20}}, 2, {{10, 20}, {12, 20}, {14, 20}, {16, 20}, {18, 20}, {20, 20}}},
        // What is left of one piece carries into the next; a move of no length adds nothing.
        {{{0, 0}, {3, 0}, {3, 0}, {6, 0}}, 2, {{0, 0}, {2, 0}, {4, 0}, {6, 0}}},
        // Slanted pieces round to the nearest pixel: (1.2, 1.6), (2.4, 3.2).
        {{{0, 0}, {3, 4}}, 2, {{0, 0}, {1, 2}, {2, 3}}},
        // Short moves add up: three moves of one pixel with spacing 3 give one dab.
        {{{5, 5}, {5, 6}, {5, 7}, {5, 8}}, 3, {{5, 5}, {5, 8}}},
        // Backwards and off the picture (negative positions) alike.
        {{{-2, 0}, {-8, 0}}, 3, {{-2, 0}, {-5, 0}, {-8, 0}}},
    };
    for (const piece &c : cases) {
        strokePath stroke;
        std::vector<point> dabs;
        stroke.begin(c.corners[0], dabs);
        for (std::size_t k = 1; k < c.corners.size(); ++k) stroke.moveTo(c.corners[k], c.spacing, dabs);
        EXPECT_EQ(pairsOf(dabs), c.dabs) << c.corners.back().x << "," << c.corners.back().y;
    }
}

TEST(brushStroke, aViewPixelMapsIntoThePartOfThePictureItShows)
{
    // (picture length, view length): shrunk, enlarged, equal, one pixel.
    const std::pair<int, int> sizes[] = {{6000, 800}, {4000, 533}, {10, 100}, {37, 700}, {500, 500}, {3, 2}, {1, 50}};
    for (auto [P, V] : sizes) {
        EXPECT_EQ(pictureFromView(40, 40, V, P), 0) << P << "/" << V;
        EXPECT_EQ(pictureFromView(40 + V - 1, 40, V, P), P - 1) << P << "/" << V;
        for (int j = 0; j < V; ++j) {
            const int p = pictureFromView(j + 40, 40, V, P);
            // View pixel j stands for the picture's [j·P/V, (j + 1)·P/V).
            const long lo = long(j) * P / V, hi = (long(j + 1) * P + V - 1) / V - 1;
            ASSERT_TRUE(p >= lo && p <= std::max(lo, hi)) << P << "/" << V << " at " << j << ": " << p;
        }
        // Beside the view the mapping goes on, off the picture.
        EXPECT_LT(pictureFromView(39, 40, V, P), 0);
        EXPECT_GE(pictureFromView(40 + V, 40, V, P), P);
    }
}

TEST(brushStroke, redrawingTheViewSpanOfAChangeGivesTheWholeStretch)
{
    const std::pair<int, int> sizes[] = {{601, 80}, {80, 601}, {77, 77}, {1000, 333}};
    for (auto [P, V] : sizes) {
        QImage picture = texturedPicture(P, P / 2 + 1, 1);
        QImage view(V, V / 2 + 1, QImage::Format_RGB32);
        stretchCopy(picture, view);
        // Change a block of the picture and redraw only the view pixels that show it.
        const rectangle changed{P / 3, P / 8, P / 3 + 13, P / 8 + 2};
        for (int y = changed.top; y <= changed.bottom; ++y)
            for (int x = changed.left; x <= changed.right; ++x) picture.setPixel(x, y, qRgb(1, 2, 3));
        int left, right, top, bottom;
        viewSpanOf(changed.left, changed.right, picture.width(), view.width(), left, right);
        viewSpanOf(changed.top, changed.bottom, picture.height(), view.height(), top, bottom);
        stretchCopyArea(picture, view, left, top, right, bottom);
        QImage whole(view.size(), QImage::Format_RGB32);
        stretchCopy(picture, whole);
        EXPECT_EQ(view, whole) << P << "/" << V;
    }
    int first, last;
    viewSpanOf(5, 4, 100, 10, first, last);
    EXPECT_LT(last, first);
}

// Across an edge a dab acts as on the picture continued by its edge pixels, and writes nothing but
// the picture's own pixels inside the dab's square.
TEST(brushStroke, dabsAtTheEdgesActAsOnThePictureContinuedOutwards)
{
    const int W = 40, H = 30, pad = 30;
    const QImage picture = texturedPicture(W, H, 2);
    QImage padded(W + 2 * pad, H + 2 * pad, QImage::Format_RGB32);
    for (int y = 0; y < padded.height(); ++y)
        for (int x = 0; x < padded.width(); ++x)
            padded.setPixel(x, y, picture.pixel(std::clamp(x - pad, 0, W - 1), std::clamp(y - pad, 0, H - 1)));

    brushTool brush;
    setUp(brush, 21, 100, 0);
    const std::uint32_t colour = 0x00336699u;
    const point centres[] = {{0, 0}, {W - 1, 5}, {3, H + 4}, {-9, -9}, {W / 2, H / 2}, {W + 10, 3}};
    for (int kind : {brushTool::airKind, brushTool::waterKind}) {
        for (const point &c : centres) {
            QImage painted = picture.copy();
            const rectangle touched = paintDab(brush, painted, colour, c.x, c.y, kind);
            QImage expected = padded.copy();
            brush.applyDab(expected, colour, c.x + pad, c.y + pad, kind);
            copyPixelBlock(brush.dabBitmap, 0, 0, expected, c.x + pad - 10, c.y + pad - 10, 20, 20);
            EXPECT_EQ(painted, expected.copy(pad, pad, W, H)) << kind << " at " << c.x << "," << c.y;
            const rectangle square{std::max(c.x - 10, 0), std::max(c.y - 10, 0), std::min(c.x + 9, W - 1),
                                   std::min(c.y + 9, H - 1)};
            if (square.left > square.right || square.top > square.bottom) {
                EXPECT_LT(touched.right, touched.left);
                continue;
            }
            EXPECT_EQ(touched.left, square.left);
            EXPECT_EQ(touched.top, square.top);
            EXPECT_EQ(touched.right, square.right);
            EXPECT_EQ(touched.bottom, square.bottom);
        }
    }
}

// The water dab takes its averages from a table of sums; the bytes are those of adding up each
// box pixel by pixel.
TEST(brushStroke, waterDabAveragesEachBoxOfTheRefreshedSquare)
{
    const QImage source = texturedPicture(250, 250, 3);
    for (auto [size, density, shape] : {std::tuple{3, 100, 0}, {11, 100, -10}, {60, 70, 3}, {201, 100, -4}}) {
        brushTool brush;
        setUp(brush, size, density, shape);
        const int n = brush.waterBrushSize, e = (n - 1) / 2, last = n - 2;
        brush.applyDab(source, 0, 120, 120, brushTool::waterKind);
        const QImage &src = brush.dabSourceBitmap;
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                const int k = brush.waterProfile[r * 201 + c] / 10 / 2;
                int sum[3] = {0, 0, 0}, count = 0;
                for (int rr = std::max(r - k, 0); rr <= std::min(r + k, last); ++rr)
                    for (int cc = std::max(c - k, 0); cc <= std::min(c + k, last); ++cc) {
                        const QRgb p = src.pixel(cc, rr);
                        sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), ++count;
                    }
                const QRgb expected = count ? qRgb(sum[0] / count, sum[1] / count, sum[2] / count) : src.pixel(c, r);
                ASSERT_EQ(brush.dabBitmap.pixel(c, r) & 0xFFFFFF, expected & 0xFFFFFF)
                    << n << ": " << c << "," << r;
            }
        EXPECT_EQ(src.pixel(0, 0), source.pixel(120 - e, 120 - e));
    }
}
