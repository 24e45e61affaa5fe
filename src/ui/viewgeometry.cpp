#include "viewgeometry.h"

#include "imagedata/myimagearray.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
// Steps are compared with a little slack, so that 66.7 % typed from the caption's rounding or a
// factor reached by a wheel still finds its neighbours.
constexpr double slack = 1e-3;
} // namespace

const std::vector<double> &zoomSteps()
{
    static const std::vector<double> steps{1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3,
                                           1.0 / 2,  2.0 / 3,  1.0,     1.5,     2.0,     3.0,
                                           4.0,      6.0,      8.0,     12.0,    16.0};
    return steps;
}

double clampZoom(double zoom)
{
    if (!(zoom > minimumZoom)) return minimumZoom; // also NaN
    return std::min(zoom, maximumZoom);
}

double zoomStepIn(double zoom)
{
    for (double step : zoomSteps())
        if (step > zoom * (1 + slack)) return step;
    return maximumZoom;
}

double zoomStepOut(double zoom)
{
    const std::vector<double> &steps = zoomSteps();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (*it < zoom * (1 - slack)) return *it;
    return minimumZoom;
}

QString zoomCaption(bool fit, double zoom)
{
    if (fit) return QCoreApplication::translate("TmainForm", "全体");
    const double percent = zoom * 100.0;
    QString text = QString::number(percent, 'f', percent < 10 ? 2 : 1);
    while (text.contains(QLatin1Char('.')) && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    return text + QStringLiteral(" %");
}

int scaledLength(int pictureLength, double scale)
{
    return int(std::ceil(pictureLength * scale - 1e-9));
}

int scrollLimit(int pictureLength, double scale, int viewLength)
{
    return std::max(0, scaledLength(pictureLength, scale) - viewLength);
}

int clampOffset(double offset, int pictureLength, double scale, int viewLength)
{
    const int length = scaledLength(pictureLength, scale);
    if (length <= viewLength) return -((viewLength - length) / 2);
    if (!(offset > 0)) return 0;
    return int(std::min(std::floor(offset + 0.5), double(length - viewLength)));
}

double offsetAfterZoom(double offset, double oldScale, double newScale, double anchor)
{
    if (!(oldScale > 0)) return offset;
    return (anchor + offset) / oldScale * newScale - anchor;
}

QRect visiblePictureRect(int viewWidth, int viewHeight, int offsetX, int offsetY, double scale, int pictureWidth,
                         int pictureHeight)
{
    if (viewWidth <= 0 || viewHeight <= 0) return QRect();
    return QRect(QPoint(pictureAt(0, offsetX, scale), pictureAt(0, offsetY, scale)),
                 QPoint(pictureAt(viewWidth - 1, offsetX, scale), pictureAt(viewHeight - 1, offsetY, scale)))
        .intersected(QRect(0, 0, pictureWidth, pictureHeight));
}

namespace {
// The pixels of half within area, each the mean of its 2 × 2 block of from (an odd last column
// or row of from is dropped).
void halve(const QImage &from, QImage &half, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *a = reinterpret_cast<const std::uint8_t *>(from.constScanLine(2 * y));
        const auto *b = reinterpret_cast<const std::uint8_t *>(from.constScanLine(2 * y + 1));
        auto *out = reinterpret_cast<std::uint8_t *>(half.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            for (int c = 0; c < 4; ++c)
                out[4 * x + c] =
                    std::uint8_t((a[8 * x + c] + a[8 * x + 4 + c] + b[8 * x + c] + b[8 * x + 4 + c] + 2) / 4);
    }
}
} // namespace

void halfSizes::update(const QImage &picture, int left, int top, int right, int bottom)
{
    if (levels.empty()) return clear();
    const QImage *from = &picture;
    for (QImage &level : levels) {
        left /= 2, top /= 2, right /= 2, bottom /= 2;
        const QRect area = QRect(QPoint(left, top), QPoint(right, bottom)).intersected(level.rect());
        if (area.isEmpty()) break;
        halve(*from, level, area);
        from = &level;
    }
    key = picture.cacheKey();
}

const QImage &halfSizes::levelFor(const QImage &picture, double scale, double &levelScale)
{
    levelScale = scale;
    if (scale >= 0.5 || picture.isNull()) return picture;
    if (key != picture.cacheKey()) {
        levels.clear();
        key = picture.cacheKey();
    }
    const QImage *level = &picture;
    std::size_t index = 0;
    while (levelScale < 0.5 && level->width() >= 2 && level->height() >= 2) {
        if (index == levels.size()) {
            QImage half(level->width() / 2, level->height() / 2, QImage::Format_RGB32);
            halve(*level, half, QRect(QPoint(0, 0), half.size()));
            levels.push_back(std::move(half));
        }
        level = &levels[index++];
        levelScale *= 2;
    }
    return *level;
}

void drawZoomed(const QImage &picture, halfSizes &reductions, QImage &canvas, double scale, int offsetX,
                int offsetY, QRgb background)
{
    canvas.fill(background);
    drawZoomedOver(picture, reductions, canvas, scale, offsetX, offsetY);
}

void drawLookOver(const QImage &look, const QRect &area, QImage &canvas, double scale, int offsetX, int offsetY)
{
    if (look.isNull() || area.isEmpty() || !(scale > 0)) return;
    int left, right, top, bottom;
    viewSpanOfPixel(area.left(), area.right(), offsetX, scale, left, right);
    viewSpanOfPixel(area.top(), area.bottom(), offsetY, scale, top, bottom);
    if (right < left || bottom < top) return;
    QImage block(right - left + 1, bottom - top + 1, QImage::Format_RGB32);
    stretchCopy(look, block);
    copyPixelBlock(block, 0, 0, canvas, left, top, block.width(), block.height());
}

void drawZoomedOver(const QImage &picture, halfSizes &reductions, QImage &canvas, double scale, int offsetX,
                    int offsetY)
{
    if (picture.isNull() || !(scale > 0)) return;
    if (scale >= 1.0) return drawZoomedPart(picture, 0, 0, canvas, scale, offsetX, offsetY);
    double levelScale = scale;
    const QImage &level = reductions.levelFor(picture, scale, levelScale);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.translate(-offsetX, -offsetY);
    // The level stretched over the picture's extent at the view's scale.
    p.drawImage(QRectF(0, 0, picture.width() * scale, picture.height() * scale), level);
    p.end();
}

void drawZoomedPart(const QImage &part, int partX, int partY, QImage &canvas, double scale, int offsetX,
                    int offsetY)
{
    if (part.isNull() || !(scale > 0)) return;
    // Sharp squares: each view pixel copies the pixel pictureAt gives.
    const int w = canvas.width(), h = canvas.height(), pw = part.width(), ph = part.height();
    std::vector<int> columns(std::size_t(std::max(w, 0)));
    int firstX = w, lastX = -1;
    for (int x = 0; x < w; ++x) {
        const int px = pictureAt(x, offsetX, scale) - partX;
        columns[std::size_t(x)] = px;
        if (px >= 0 && px < pw) {
            firstX = std::min(firstX, x);
            lastX = x;
        }
    }
    if (lastX < firstX) return;
    int previous = -1;
    for (int y = 0; y < h; ++y) {
        const int py = pictureAt(y, offsetY, scale) - partY;
        if (py < 0 || py >= ph) {
            previous = -1;
            continue;
        }
        QRgb *out = reinterpret_cast<QRgb *>(canvas.scanLine(y));
        if (py == previous) { // the row above shows the same picture row
            const QRgb *above = reinterpret_cast<const QRgb *>(canvas.constScanLine(y - 1));
            std::copy(above + firstX, above + lastX + 1, out + firstX);
            continue;
        }
        previous = py;
        const QRgb *source = reinterpret_cast<const QRgb *>(part.constScanLine(py));
        for (int x = firstX; x <= lastX; ++x) out[x] = source[columns[std::size_t(x)]];
    }
}
