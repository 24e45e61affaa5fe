// Paint filter: every pixel takes the mean colour of the most uniform of nine regions around
// it. Normal style: an off-centre square and eight three-pixel-wide rays; pointillism: a
// centred square, four triangles and four corner squares. Sizes up to 31 go through the window
// version (colorfilter_paintwindows.cpp); larger ones sample each region here, position by position.
#include "colorfilter.h"
#include "paintregions.h"
#include "imagedata/picturememory.h"
#include "imagedata/workerpool.h"

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace paintRegions;

void colorFilter::paint(int code)
{
    if (width <= 0 || height <= 0) return;
    const int s = std::max(3, paintSize) | 1;
    const int d = s / 2 + 1;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const pictureBytes redCopy = borrowPictureBytes(count), greenCopy = borrowPictureBytes(count),
                       blueCopy = borrowPictureBytes(count);
    copyInPieces(redCopy.get(), redPlane, count);
    copyInPieces(greenCopy.get(), greenPlane, count);
    copyInPieces(blueCopy.get(), bluePlane, count);
    // The window sums stay within 16 bits up to d = 16 (size 31: 256 samples of 255).
    if (d <= 16) {
        std::uint8_t *const outputs[3] = {redPlane, greenPlane, bluePlane};
        paintWithWindows(*this, redCopy.get(), greenCopy.get(), blueCopy.get(), s, d, code == filterPaintPointillism,
                         outputs);
        return;
    }
    forEachRowBand([&](int first, int end) {
        paintSampleLists lists(width, height, s, d, redCopy.get(), greenCopy.get(), blueCopy.get());
        paintSampler &sampler = lists.sampler;
        std::vector<int> &listRed = lists.red, &listGreen = lists.green, &listBlue = lists.blue;
        for (int y = first; y < end; ++y) {
            for (int x = 0; x < width; ++x) {
                int best = 255;
                int keptRed = listRed[0], keptGreen = listGreen[0], keptBlue = listBlue[0];
                for (int k = 0; k < 9; ++k) {
                    sampler.n = 0;
                    if (code == filterPaintNormal) sampler.normalRegion(k, x, y);
                    else sampler.pointillismRegion(k, x, y);
                    const int n = sampler.n;
                    int spread = 255;
                    if (n > 0) {
                        int sum[3] = {0, 0, 0}, low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
                        const int *lists[3] = {listRed.data(), listGreen.data(), listBlue.data()};
                        for (int c = 0; c < 3; ++c) {
                            for (int i = 0; i < n; ++i) {
                                const int value = lists[c][i];
                                sum[c] += value;
                                low[c] = std::min(low[c], value);
                                high[c] = std::max(high[c], value);
                            }
                        }
                        listRed[0] = sum[0] / n;
                        listGreen[0] = sum[1] / n;
                        listBlue[0] = sum[2] / n;
                        spread = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
                    }
                    if (spread <= best) {
                        best = spread;
                        keptRed = listRed[0];
                        keptGreen = listGreen[0];
                        keptBlue = listBlue[0];
                    }
                }
                const std::size_t i = static_cast<std::size_t>(y) * width + x;
                redPlane[i] = static_cast<std::uint8_t>(keptRed);
                greenPlane[i] = static_cast<std::uint8_t>(keptGreen);
                bluePlane[i] = static_cast<std::uint8_t>(keptBlue);
            }
        }
    });
}
