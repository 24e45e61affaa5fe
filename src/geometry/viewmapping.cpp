#include "viewmapping.h"

#include "imagedata/myimagearray.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {
bool isEmpty(const viewAxis &a)
{
    return a.viewLength <= 0 || a.pictureLength <= 0;
}

// The picture pixel view pixel j (0 .. viewLength) shows; viewLength gives pictureLength, the
// first pixel past the picture.
int shownAt(const viewAxis &a, int j)
{
    return j >= a.viewLength ? a.pictureLength : stretchedIndex(j, a.pictureLength, a.viewLength);
}

// The first view pixel j in 0 .. viewLength − 1 for which test(j) holds, test being false and then
// true along the view; viewLength when it never holds.
template <class Test> int firstViewPixel(const viewAxis &a, Test test)
{
    int low = 0, high = a.viewLength;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (test(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

// a / b rounded toward minus infinity (b > 0).
std::int64_t floorDivide(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int viewPixelOf(const viewAxis &a, int control)
{
    return int(std::clamp<long long>(static_cast<long long>(control) - a.origin, 0, a.viewLength - 1));
}
} // namespace

int firstPictureOf(const viewAxis &a, int control)
{
    if (isEmpty(a)) return 0;
    return shownAt(a, viewPixelOf(a, control));
}

int lastPictureOf(const viewAxis &a, int control)
{
    if (isEmpty(a)) return 0;
    const int j = viewPixelOf(a, control);
    return std::max(shownAt(a, j), shownAt(a, j + 1) - 1);
}

int firstControlOf(const viewAxis &a, int picture)
{
    if (isEmpty(a)) return a.origin;
    const int p = std::clamp(picture, 0, a.pictureLength - 1);
    return a.origin + firstViewPixel(a, [&](int j) { return lastPictureOf(a, a.origin + j) >= p; });
}

int lastControlOf(const viewAxis &a, int picture)
{
    if (isEmpty(a)) return a.origin;
    const int p = std::clamp(picture, 0, a.pictureLength - 1);
    return a.origin + firstViewPixel(a, [&](int j) { return shownAt(a, j) > p; }) - 1;
}

int pictureFromView(int position, int viewStart, int viewLength, int pictureLength)
{
    if (viewLength <= 0 || pictureLength <= 0) return 0;
    const std::int64_t j = std::int64_t(position) - viewStart;
    if (viewLength == 1) return int(std::clamp<std::int64_t>(j * pictureLength, INT32_MIN, INT32_MAX));
    // j · P / (V − 1) lies in [j · P / V, (j + 1) · P / V), the part of the picture view pixel j
    // stands for, for every j but the last, which gives P itself: the last pixel is P − 1.
    std::int64_t p = floorDivide(j * pictureLength, viewLength - 1);
    if (j == viewLength - 1) p = pictureLength - 1;
    return int(std::clamp<std::int64_t>(p, INT32_MIN, INT32_MAX));
}

void viewSpanOf(int first, int last, int pictureLength, int viewLength, int &viewFirst, int &viewLast)
{
    viewFirst = 0;
    viewLast = -1;
    const viewAxis a{0, viewLength, pictureLength};
    if (isEmpty(a) || last < first) return;
    // The pixel shown rises with the view pixel: the views showing first..last are one run.
    const int from = firstViewPixel(a, [&](int j) { return shownAt(a, j) >= first; });
    const int to = firstViewPixel(a, [&](int j) { return shownAt(a, j) > last; }) - 1;
    if (from > to) return;
    viewFirst = from;
    viewLast = to;
}

int pictureAt(int position, int offset, double scale)
{
    if (!(scale > 0)) return 0;
    return int(std::floor((double(position) + offset) / scale));
}

void viewSpanOfPixel(int first, int last, int offset, double scale, int &viewFirst, int &viewLast)
{
    // View pixel v shows picture pixel floor((v + offset) / scale): the views of first..last are
    // those with first·scale ≤ v + offset < (last + 1)·scale.
    viewFirst = int(std::ceil(first * scale - offset));
    viewLast = int(std::ceil((last + 1) * scale - offset)) - 1;
    // Guard the rounding of the division in pictureAt at exact multiples.
    while (viewFirst <= viewLast && pictureAt(viewFirst, offset, scale) < first) ++viewFirst;
    while (viewLast >= viewFirst && pictureAt(viewLast, offset, scale) > last) --viewLast;
}
