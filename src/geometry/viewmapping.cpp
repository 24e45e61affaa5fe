#include "viewmapping.h"

#include "imagedata/myimagearray.h"

#include <algorithm>

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
