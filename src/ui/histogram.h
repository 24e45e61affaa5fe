// The histogram of what the main view shows, without widgets: counts of the luminance and of the
// red, green and blue bytes of a picture's pixels (or of a rectangle of them), and its drawing.
#pragma once
#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>

struct pictureHistogram {
    // counts[0] luminance (0.299 R + 0.587 G + 0.114 B, truncated), counts[1..3] red, green, blue.
    std::array<std::array<std::uint32_t, 256>, 4> counts{};
    std::uint64_t pixels = 0;
};

// The counts over area (limited to the picture; the whole picture when area is empty).
pictureHistogram histogramOf(const QImage &picture, QRect area = QRect());

// Draws the histogram over the whole canvas: the luminance as a grey area, the three colours as
// lines, each scaled to the largest count of the inner levels 1..254 (a clipped end may run off).
void drawHistogram(const pictureHistogram &histogram, QImage &canvas);
