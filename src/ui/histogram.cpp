#include "histogram.h"

#include "imagedata/workerpool.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

// Adds the counts of rows first .. end − 1 of the area's columns.
void countRows(const QImage &picture, const QRect &area, int first, int end, pictureHistogram &h)
{
    // Luminance in integers: 299 R + 587 G + 114 B over 1000, truncated, as the double sum is.
    for (int y = first; y < end; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = row[x];
            const int r = qRed(p), g = qGreen(p), b = qBlue(p);
            ++h.counts[0][std::size_t((299 * r + 587 * g + 114 * b) / 1000)];
            ++h.counts[1][std::size_t(r)];
            ++h.counts[2][std::size_t(g)];
            ++h.counts[3][std::size_t(b)];
        }
    }
}

} // namespace

pictureHistogram histogramOf(const QImage &picture, QRect area)
{
    pictureHistogram h;
    if (picture.isNull()) return h;
    area = area.isEmpty() ? picture.rect() : area.intersected(picture.rect());
    if (area.isEmpty()) return h;
    // Bands of rows counted on the worker threads and added up: the sums do not depend on the cut.
    const std::vector<int> bands = rowBands(area.height());
    std::vector<pictureHistogram> parts(bands.size() - 1);
    runTasks(int(parts.size()), [&](int i) {
        countRows(picture, area, area.top() + bands[std::size_t(i)], area.top() + bands[std::size_t(i) + 1],
                  parts[std::size_t(i)]);
    });
    for (const pictureHistogram &part : parts)
        for (std::size_t c = 0; c < h.counts.size(); ++c)
            for (std::size_t v = 0; v < 256; ++v) h.counts[c][v] += part.counts[c][v];
    h.pixels = std::uint64_t(area.width()) * std::uint64_t(area.height());
    return h;
}

void drawHistogram(const pictureHistogram &histogram, QImage &canvas)
{
    canvas.fill(qRgb(32, 32, 32));
    const int w = canvas.width(), h = canvas.height();
    if (w < 2 || h < 2 || histogram.pixels == 0) return;
    std::uint32_t top = 1;
    for (const auto &channel : histogram.counts)
        top = std::max(top, *std::max_element(channel.begin() + 1, channel.end() - 1));
    const auto heightOf = [&](std::uint32_t count) {
        return std::min(double(h), double(count) / top * (h - 1));
    };
    const auto xOf = [&](int level) { return level * (w - 1) / 255.0; };
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath luminance(QPointF(0, h));
    for (int level = 0; level < 256; ++level)
        luminance.lineTo(xOf(level), h - heightOf(histogram.counts[0][std::size_t(level)]));
    luminance.lineTo(w - 1, h);
    luminance.closeSubpath();
    p.fillPath(luminance, QColor(150, 150, 150));
    const QColor colours[] = {QColor(255, 70, 70), QColor(70, 220, 70), QColor(90, 140, 255)};
    for (int c = 0; c < 3; ++c) {
        QPainterPath line;
        for (int level = 0; level < 256; ++level) {
            const QPointF at(xOf(level), h - heightOf(histogram.counts[std::size_t(c + 1)][std::size_t(level)]));
            if (level == 0)
                line.moveTo(at);
            else
                line.lineTo(at);
        }
        p.setPen(QPen(colours[c], 1));
        p.drawPath(line);
    }
    p.end();
}
