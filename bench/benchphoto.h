// The picture the speed measurements share: 24 megapixels, photo-like (smooth gradients, a few
// hard-edged shapes and a little grain), made once per run.
#pragma once
#include <QImage>
#include <algorithm>
#include <cmath>

namespace benchPhoto {

constexpr int pictureWidth = 6000;
constexpr int pictureHeight = 4000;

inline const QImage &thePhoto()
{
    static const QImage picture = [] {
        QImage p(pictureWidth, pictureHeight, QImage::Format_RGB32);
        for (int y = 0; y < pictureHeight; ++y) {
            auto *row = reinterpret_cast<QRgb *>(p.scanLine(y));
            for (int x = 0; x < pictureWidth; ++x) {
                const double u = x / double(pictureWidth), v = y / double(pictureHeight);
                int r = int(120 + 90 * std::sin(u * 7 + v * 3)), g = int(100 + 80 * std::cos(v * 5)),
                    b = int(60 + 50 * std::sin(u * 13 - v * 2));
                if ((x / 700 + y / 500) % 3 == 0) r = 230 - r / 3;
                const int grain = int((x * 2654435761u + y * 40503u) >> 28) - 8;
                row[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255),
                              std::clamp(b + grain, 0, 255));
            }
        }
        return p;
    }();
    return picture;
}

} // namespace benchPhoto
