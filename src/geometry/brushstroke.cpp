#include "brushstroke.h"

#include "brushtool.h"
#include "imagedata/myimagearray.h"

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
