#include "brushstroke.h"

#include "brushtool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

int dabSpacing(int diameter)
{
    return std::max(diameter / 4, 1);
}

void strokePath::begin(point at, std::vector<point> &dabs)
{
    last = at;
    travelled = 0;
    dabs.push_back(at);
}

void strokePath::moveTo(point to, int spacing, std::vector<point> &dabs)
{
    spacing = std::max(spacing, 1);
    const double dx = double(to.x) - last.x, dy = double(to.y) - last.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0) return;
    // s: distance along this piece of the next dab.
    double s = spacing - travelled;
    for (; s <= length; s += spacing) {
        const double t = s / length;
        dabs.push_back(point{int(std::floor(last.x + dx * t + 0.5)), int(std::floor(last.y + dy * t + 0.5))});
    }
    travelled = length - (s - spacing);
    last = to;
}

namespace {
// a / b rounded toward minus infinity (b > 0).
std::int64_t floorDivide(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
} // namespace

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
    if (viewLength <= 0 || pictureLength <= 0 || last < first) return;
    // stretchCopy shows picture pixel trunc(j · ratio) at view pixel j; that rises with j.
    const double ratio = static_cast<double>(pictureLength) / viewLength;
    auto shown = [ratio](int j) { return static_cast<int>(j * ratio); };
    int a = std::clamp(int(std::floor(first / ratio)) - 1, 0, viewLength - 1);
    while (a < viewLength - 1 && shown(a) < first) ++a;
    int b = std::clamp(int(std::floor((last + 1.0) / ratio)) + 1, 0, viewLength - 1);
    while (b > 0 && shown(b) > last) --b;
    if (shown(a) < first || shown(a) > last || b < a) return;
    viewFirst = a;
    viewLast = b;
}

rectangle paintDab(brushTool &brush, QImage &picture, std::uint32_t colour, int x, int y, int kind)
{
    const rectangle none{0, 0, -1, -1};
    const int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0 || picture.depth() != 32) return none;
    if (kind != brushTool::airKind && kind != brushTool::waterKind) return none;
    const int n = std::clamp(kind == brushTool::airKind ? brush.airBrushSize : brush.waterBrushSize, 3,
                             brushTool::tableSide);
    const int e = (n - 1) / 2, side = n - 1;
    // The dab reads and rewrites the square left..left + side − 1, top..top + side − 1.
    const std::int64_t left = std::int64_t(x) - e, top = std::int64_t(y) - e;
    const rectangle touched{int(std::max<std::int64_t>(left, 0)), int(std::max<std::int64_t>(top, 0)),
                            int(std::min<std::int64_t>(left + side - 1, w - 1)),
                            int(std::min<std::int64_t>(top + side - 1, h - 1))};
    if (touched.right < touched.left || touched.bottom < touched.top) return none;

    if (left >= 0 && top >= 0 && left + side <= w && top + side <= h) {
        brush.applyDab(picture, colour, x, y, kind);
    } else {
        // Across an edge the engine reads a copy of the square whose outside pixels repeat the
        // nearest edge pixel, so its averages never take in what lies outside the picture.
        QImage square(side, side, QImage::Format_RGB32);
        for (int r = 0; r < side; ++r) {
            const int sy = int(std::clamp<std::int64_t>(top + r, 0, h - 1));
            const auto *from = reinterpret_cast<const QRgb *>(picture.constScanLine(sy));
            auto *to = reinterpret_cast<QRgb *>(square.scanLine(r));
            for (int c = 0; c < side; ++c) to[c] = from[std::clamp<std::int64_t>(left + c, 0, w - 1)];
        }
        brush.applyDab(square, colour, e, e, kind);
    }
    copyPixelBlock(brush.dabBitmap, 0, 0, picture, int(left), int(top), side, side);
    return touched;
}

void copyPixelBlock(const QImage &source, int sx, int sy, QImage &destination, int dx, int dy, int w, int h)
{
    if (source.depth() != 32 || destination.depth() != 32) return;
    // Limit the block to the rows and columns inside both bitmaps.
    const int c0 = std::max({0, -sx, -dx});
    const int c1 = std::min({w, source.width() - sx, destination.width() - dx});
    const int r0 = std::max({0, -sy, -dy});
    const int r1 = std::min({h, source.height() - sy, destination.height() - dy});
    if (c1 <= c0) return;
    for (int r = r0; r < r1; ++r) {
        const auto *from = reinterpret_cast<const QRgb *>(source.constScanLine(sy + r));
        auto *to = reinterpret_cast<QRgb *>(destination.scanLine(dy + r));
        for (int c = c0; c < c1; ++c)
            to[dx + c] = (to[dx + c] & 0xFF000000u) | (from[sx + c] & 0x00FFFFFFu);
    }
}
