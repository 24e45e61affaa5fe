#include "imagecontrol.h"

#include "devicepixels.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <cstdlib>

imageControl::imageControl(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    surface = QImage(qMax(width(), 1), qMax(height(), 1), QImage::Format_RGB32);
    surface.fill(Qt::white);
}

void imageControl::setDevicePixels(bool on)
{
    devicePixels = on;
    canvas();
    update();
}

double imageControl::pixelRatio() const
{
    return devicePixels ? devicePixelRatioF() : 1.0;
}

QSize imageControl::pixelSize() const
{
    return viewPixelSize(size(), pixelRatio());
}

QImage &imageControl::canvas()
{
    // The surface always matches the widget, even before the first resize event arrives.
    const QSize pixels = pixelSize();
    if (surface.size() != pixels && width() > 0 && height() > 0) {
        QImage grown(pixels, QImage::Format_RGB32);
        grown.fill(Qt::white);
        QPainter p(&grown);
        p.drawImage(0, 0, surface);
        p.end();
        surface = grown;
    }
    return surface;
}

void imageControl::fill(QRgb colour)
{
    canvas().fill(colour);
    update();
}

void imageControl::drawImage(int x, int y, const QImage &picture)
{
    QImage &c = canvas();
    QPainter p(&c);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(x, y, picture);
    p.end();
    update();
}

void imageControl::invertLine(int x1, int y1, int x2, int y2)
{
    // Bresenham: every pixel of the line is touched exactly once, so the XOR undoes itself.
    QImage &c = canvas();
    const int w = c.width(), h = c.height();
    int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    for (;;) {
        if (x >= 0 && y >= 0 && x < w && y < h) {
            QRgb *row = reinterpret_cast<QRgb *>(c.scanLine(y));
            row[x] ^= 0x00FFFFFFu;
        }
        if (x == x2 && y == y2) break;
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
    update();
}

void imageControl::setCursorShape(cursorShape newShape)
{
    shape = newShape;
    switch (shape) {
    case defaultCursor: unsetCursor(); break;
    case dragCursor: setCursor(Qt::SizeAllCursor); break;
    case diagonalCursor: setCursor(Qt::SizeFDiagCursor); break;
    case antiDiagonalCursor: setCursor(Qt::SizeBDiagCursor); break;
    }
}

void imageControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QImage &pixels = canvas();
    if (pixels.size() == size())
        p.drawImage(0, 0, pixels);
    else // one surface pixel on one pixel of the screen
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(pixels.size()) / pixelRatio()), pixels, QRectF(pixels.rect()));
}

void imageControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    canvas();
}

void imageControl::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = toPixels(event->position()).toPoint();
    emit mouseDown(event->button(), pos.x(), pos.y());
}

void imageControl::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = toPixels(event->position()).toPoint();
    emit mouseMove(event->buttons(), pos.x(), pos.y());
}

void imageControl::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = toPixels(event->position()).toPoint();
    emit mouseUp(event->button(), pos.x(), pos.y());
}

void imageControl::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    emit mouseEnter();
}
