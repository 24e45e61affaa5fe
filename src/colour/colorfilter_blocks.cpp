// Block statistics: mosaic (6) and noise removal by the per-channel median (17).
#include "colorfilter.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

void colorFilter::mosaic()
{
    const int s = mosaicSize;
    if (s < 1 || width < 1 || height < 1) return;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    for (int i = 0; i <= height / s; ++i) {
        const int top = s * i;
        const int bottom = std::min(height, top + s);
        if (bottom <= top) continue;
        for (int j = 0; j <= width / s; ++j) {
            const int left = s * j;
            const int right = std::min(width, left + s);
            if (right <= left) continue;
            const int area = (bottom - top) * (right - left);
            for (int p = 0; p < 3; ++p) {
                int sum = 0;
                for (int y = top; y < bottom; ++y)
                    for (int x = left; x < right; ++x) sum += planes[p][static_cast<std::size_t>(y) * width + x];
                const std::uint8_t mean = static_cast<std::uint8_t>(sum / area);
                for (int y = top; y < bottom; ++y)
                    for (int x = left; x < right; ++x) planes[p][static_cast<std::size_t>(y) * width + x] = mean;
            }
        }
    }
}

void colorFilter::medianFilter()
{
    const int n = medianSize | 1;
    if (n < 1 || width < 1 || height < 1) return;
    const int half = n / 2;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::uint8_t *planes[3] = {redPlane, greenPlane, bluePlane};
    std::unique_ptr<std::uint8_t[]> copies[3];
    for (int p = 0; p < 3; ++p) {
        copies[p].reset(new std::uint8_t[count]);
        std::memcpy(copies[p].get(), planes[p], count);
    }
    std::vector<int> lists[3];
    for (auto &list : lists) list.resize(static_cast<std::size_t>(n) * n);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int k = 0;
            for (int j = 0; j < n; ++j) {
                const int yy = std::clamp(y + j - half, 0, height - 1);
                for (int i = 0; i < n; ++i, ++k) {
                    const int xx = std::clamp(x + i - half, 0, width - 1);
                    const std::size_t at = static_cast<std::size_t>(yy) * width + xx;
                    for (int p = 0; p < 3; ++p) lists[p][k] = copies[p][at];
                }
            }
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            for (int p = 0; p < 3; ++p) {
                std::sort(lists[p].begin(), lists[p].end());
                planes[p][at] = static_cast<std::uint8_t>(lists[p][static_cast<std::size_t>(n) * n / 2]);
            }
        }
        reportRow(y);
    }
}
