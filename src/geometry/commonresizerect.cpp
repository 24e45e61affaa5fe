#include "commonresizerect.h"

#include "commonfigureroutine.h"

#include <algorithm>

void commonResizeRect::setRect(int left, int top, int right, int bottom)
{
    rect = rectangle{left, top, right, bottom};
    bounds = rect;
    placeHandles();
}

void commonResizeRect::setEdges(int left, int right, int top, int bottom)
{
    rect = rectangle{left, top, right, bottom};
}

void commonResizeRect::moveTo(int x, int y)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    rect = rectangle{x, y, x + width, y + height};
}

void commonResizeRect::placeHandles()
{
    const int a = std::min((rect.right - rect.left) / 2, handleSpan);
    const int b = std::min((rect.bottom - rect.top) / 2, handleSpan);
    handleTopLeft = rectangle{rect.left + 1, rect.top + 1, rect.left + a, rect.top + b};
    handleTopRight = rectangle{rect.right - a, rect.top + 1, rect.right - 1, rect.top + b};
    handleBottomLeft = rectangle{rect.left + 1, rect.bottom - b, rect.left + a, rect.bottom - 1};
    handleBottomRight = rectangle{rect.right - a, rect.bottom - b, rect.right - 1, rect.bottom - 1};
}

void commonResizeRect::clampRect()
{
    rect.left = std::min(rect.left, rect.right - minimumSize);
    rect.right = std::max(rect.right, rect.left + minimumSize);
    rect.top = std::min(rect.top, rect.bottom - minimumSize);
    rect.bottom = std::max(rect.bottom, rect.top + minimumSize);
    const auto horizontal = [this](int edge) { return std::max(std::min(edge, bounds.right), bounds.left); };
    const auto vertical = [this](int edge) { return std::max(std::min(edge, bounds.bottom), bounds.top); };
    rect.left = horizontal(rect.left);
    rect.right = horizontal(rect.right);
    rect.top = vertical(rect.top);
    rect.bottom = vertical(rect.bottom);
}

void commonResizeRect::hitTest(int x, int y, bool dragCursorInside)
{
    const auto show = [this](resizeCursor cursor) {
        if (setCursor) setCursor(cursor);
    };
    if (!pointInRect(rect.left, rect.top, rect.right, rect.bottom, x, y)) {
        show(resizeCursor::defaultCursor);
        return;
    }
    resizeCursor cursor = dragCursorInside ? resizeCursor::dragCursor : resizeCursor::defaultCursor;
    dragMode = dragBody;
    const struct {
        const rectangle &handle;
        resizeCursor cursor;
        std::uint32_t mode;
    } handles[] = {
        {handleTopLeft, resizeCursor::diagonalCursor, dragTopLeft},
        {handleTopRight, resizeCursor::antiDiagonalCursor, dragTopRight},
        {handleBottomLeft, resizeCursor::antiDiagonalCursor, dragBottomLeft},
        {handleBottomRight, resizeCursor::diagonalCursor, dragBottomRight},
    };
    for (const auto &h : handles) {
        if (pointInRect(h.handle.left, h.handle.top, h.handle.right, h.handle.bottom, x, y)) {
            cursor = h.cursor;
            dragMode = h.mode;
        }
    }
    show(cursor);
}

void commonResizeRect::dragEdges(QImage &image, int x, int y)
{
    const int ddx = x - lastPoint.x, ddy = y - lastPoint.y;
    lastPoint = point{x, y};
    draw(image);
    switch (dragMode) {
    case dragTopLeft: rect.left += ddx; rect.top += ddy; break;
    case dragTopRight: rect.right += ddx; rect.top += ddy; break;
    case dragBottomLeft: rect.left += ddx; rect.bottom += ddy; break;
    case dragBottomRight: rect.right += ddx; rect.bottom += ddy; break;
    default: break;
    }
    clampRect();
    placeHandles();
    draw(image);
}

void commonResizeRect::draw(QImage &image)
{
    figureCanvas canvas(image);
    canvas.inverting = true;
    const int width = canvas.image.width(), height = canvas.image.height();
    for (int x : {rect.left, rect.right}) {
        canvas.moveTo(x, 0);
        canvas.lineTo(x, height - 1);
    }
    for (int y : {rect.top, rect.bottom}) {
        canvas.moveTo(0, y);
        canvas.lineTo(width - 1, y);
    }
    for (const rectangle &h : {handleTopLeft, handleTopRight, handleBottomLeft, handleBottomRight})
        drawFrame(canvas, h.left, h.top, h.right, h.bottom);
    canvas.inverting = false;
    if (canvasChanged) canvasChanged();
}
