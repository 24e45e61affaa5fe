#include "commonfigureroutine.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

bool pointInRect(int left, int top, int right, int bottom, int x, int y)
{
    return left <= x && x <= right && top <= y && y <= bottom;
}

void figureCanvas::moveTo(int x, int y)
{
    penPosition = point{x, y};
}

void figureCanvas::lineTo(int x, int y)
{
    // Bresenham from the pen position; the end point is left out, so the sides of a closed
    // outline touch each corner once and an inverting pen still undoes itself.
    const int w = image.width(), h = image.height();
    int cx = penPosition.x, cy = penPosition.y;
    const int dx = std::abs(x - cx), dy = -std::abs(y - cy);
    const int sx = cx < x ? 1 : -1, sy = cy < y ? 1 : -1;
    int err = dx + dy;
    while (cx != x || cy != y) {
        if (cx >= 0 && cy >= 0 && cx < w && cy < h) {
            QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(cy));
            row[cx] = inverting ? row[cx] ^ 0x00FFFFFFu : (row[cx] & 0xFF000000u) | (penColor & 0x00FFFFFFu);
        }
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; cx += sx; }
        if (e2 <= dx) { err += dx; cy += sy; }
    }
    penPosition = point{x, y};
}

void drawFrame(figureCanvas &canvas, int x1, int y1, int x2, int y2)
{
    canvas.moveTo(x1, y1);
    canvas.lineTo(x2, y1);
    canvas.lineTo(x2, y2);
    canvas.lineTo(x1, y2);
    canvas.lineTo(x1, y1);
}

void drawGrid(figureCanvas &canvas, int width, int height, int divisions)
{
    if (divisions <= 0) return;
    const int rowStep = height / divisions;
    const int columnStep = width / divisions;
    if (rowStep > 0) {
        for (int y = 0; y < height; y += rowStep) {
            if (y > height - rowStep) y = height - 1;
            canvas.moveTo(0, y);
            canvas.lineTo(width - 1, y);
        }
    }
    if (columnStep > 0) {
        for (int x = 0; x < width; x += columnStep) {
            if (x > width - columnStep) x = width - 1;
            canvas.moveTo(x, 0);
            canvas.lineTo(x, height - 1);
        }
    }
}

rectangle rotatedBounds(const rectangle &r, double angleDegrees)
{
    const double theta = angleDegrees * std::numbers::pi / 180.0;
    const double c = std::fabs(std::cos(theta)), s = std::fabs(std::sin(theta));
    const double w = double(r.right - r.left), h = double(r.bottom - r.top);
    rectangle result;
    result.right = int(c * w + s * h);
    result.bottom = int(s * w + c * h);
    return result;
}
