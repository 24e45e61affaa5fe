// The conversion between a view's control pixels and the pixels of the picture fitted into it.
#include "geometry/viewmapping.h"
#include "imagedata/myimagearray.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>

namespace
{
// Picture sizes against control sizes: reduced, enlarged, equal, odd ratios and one-pixel sides.
const int pictureSizes[] = {1, 2, 3, 7, 99, 205, 1037, 1038, 1200, 1600};
const int controlSizes[] = {1, 2, 5, 205, 640, 799, 800, 1037, 1601};

// The picture column stretchCopy shows at each view column, read back from a W × 1 picture whose
// pixel p holds p.
std::vector<int> shownColumns(int pictureLength, int viewLength)
{
    QImage picture(pictureLength, 1, QImage::Format_RGB32), view(viewLength, 1, QImage::Format_RGB32);
    for (int p = 0; p < pictureLength; ++p)
        picture.setPixel(p, 0, QRgb(p));
    stretchCopy(picture, view);
    std::vector<int> shown;
    for (int j = 0; j < viewLength; ++j)
        shown.push_back(int(view.pixel(j, 0) & 0xFFFFFF));
    return shown;
}
} // namespace

TEST(ViewMapping, EdgesMeetEdgesAndEveryPixelRoundTrips)
{
    for (int W : pictureSizes)
        for (int C : controlSizes)
            for (bool across : {true, false}) {
                // A square picture fitted into a C × 3C/4 control, as the main view lays it out:
                // across it is centred at a fractional scale, down it fills the control.
                rectangle area{0, 0, C - 1, std::max(1, C * 3 / 4) - 1};
                fitRect(0, 0, W - 1, W - 1, area);
                const viewAxis a = across ? viewAxis{area.left, area.right - area.left + 1, W}
                                          : viewAxis{area.top, area.bottom - area.top + 1, W};
                const int V = a.viewLength, o = a.origin;
                SCOPED_TRACE(testing::Message()
                             << W << " pixels on " << V << " at " << o << (across ? " across" : " down"));
                ASSERT_GE(V, 1);

                // The whole view is the whole picture, both ways.
                EXPECT_EQ(firstPictureOf(a, o), 0);
                EXPECT_EQ(lastPictureOf(a, o + V - 1), W - 1);
                EXPECT_EQ(firstControlOf(a, 0), o);
                EXPECT_EQ(lastControlOf(a, W - 1), o + V - 1);
                EXPECT_EQ(lastPictureOf(a, o + V + 40), W - 1); // beyond the view: its end
                EXPECT_EQ(firstPictureOf(a, o - 40), 0);

                // Each control pixel starts at the column it shows; together they cover the picture
                // once, in order.
                const std::vector<int> shown = shownColumns(W, V);
                int next = 0;
                for (int j = 0; j < V; ++j) {
                    const int first = firstPictureOf(a, o + j), last = lastPictureOf(a, o + j);
                    ASSERT_EQ(first, shown[j]) << "control " << j;
                    ASSERT_LE(first, last);
                    ASSERT_TRUE(first == next || (first == next - 1 && first == last)) << "control " << j;
                    next = last + 1;
                }
                EXPECT_EQ(next, W);

                // Every picture pixel goes to the first and the last control pixel standing for it.
                for (int p = 0; p < W; ++p) {
                    const int j0 = firstControlOf(a, p), j1 = lastControlOf(a, p);
                    ASSERT_LE(j0, j1) << "pixel " << p;
                    for (int j : {j0, j1}) {
                        ASSERT_LE(firstPictureOf(a, j), p) << "pixel " << p;
                        ASSERT_GE(lastPictureOf(a, j), p) << "pixel " << p;
                    }
                    if (j0 > o) {
                        ASSERT_LT(lastPictureOf(a, j0 - 1), p) << "pixel " << p;
                    }
                    if (j1 < o + V - 1) {
                        ASSERT_GT(firstPictureOf(a, j1 + 1), p) << "pixel " << p;
                    }
                }
            }
}

TEST(ViewMapping, EmptyViewsGiveTheOrigin)
{
    const viewAxis none{12, 0, 100}, noPicture{12, 50, 0};
    for (const viewAxis &a : {none, noPicture}) {
        EXPECT_EQ(firstPictureOf(a, 30), 0);
        EXPECT_EQ(lastPictureOf(a, 30), 0);
        EXPECT_EQ(firstControlOf(a, 30), 12);
        EXPECT_EQ(lastControlOf(a, 30), 12);
    }
}
