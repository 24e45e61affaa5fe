// Image control: a widget with its own drawing surface (a Format_RGB32 QImage of the widget's
// size) that handlers draw on, mouse events with the pressed button and pixel position, and the
// four cursor shapes. Used as a promoted widget in the .ui forms.
//
// With device pixels on (the main view), the surface has one pixel per pixel of the screen, also
// on a display scaled ×2: its size is the widget's times pixelRatio(), it is shown one to one, and
// the mouse positions are given in its pixels.
#pragma once
#include "ui/panels/controlrefs.h"

#include <QWidget>

class imageControl : public QWidget, public pictureTarget {
    Q_OBJECT
public:
    enum cursorShape { defaultCursor, dragCursor, diagonalCursor, antiDiagonalCursor };

    explicit imageControl(QWidget *parent = nullptr);

    QImage &canvas() override;   // kept at pixelSize(); grows white when the widget grows
    void canvasChanged() override { update(); }

    void setDevicePixels(bool on);
    // Surface pixels per widget unit: the screen's scale with device pixels on, else 1.
    double pixelRatio() const;
    // The surface's size: the widget's size times pixelRatio(), rounded.
    QSize pixelSize() const;
    // A position within the widget in surface pixels.
    QPointF toPixels(const QPointF &position) const { return position * pixelRatio(); }

    void fill(QRgb colour);                                 // whole canvas
    void drawImage(int x, int y, const QImage &picture);    // top-left corner at (x, y)
    // Inverting pen: each pixel on the line is inverted, so drawing the same line twice restores
    // the canvas exactly.
    void invertLine(int x1, int y1, int x2, int y2);
    void setCursorShape(cursorShape shape);
    cursorShape currentCursorShape() const { return shape; }

signals:
    void mouseDown(Qt::MouseButton button, int x, int y);
    void mouseMove(Qt::MouseButtons buttons, int x, int y);
    void mouseUp(Qt::MouseButton button, int x, int y);
    void mouseEnter();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;

private:
    QImage surface;
    cursorShape shape = defaultCursor;
    bool devicePixels = false;
};
