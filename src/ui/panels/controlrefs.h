// What the image-data and engine modules need from the window's controls, without Qt Widgets:
// a caption they can write and a picture surface they can draw on. The window's adapters
// (staticText, imageControl) implement these.
#pragma once
#include <QImage>
#include <QString>

class textTarget {
public:
    virtual ~textTarget() = default;
    virtual void setCaption(const QString &text) = 0;
    virtual QString caption() const = 0;
};

class pictureTarget {
public:
    virtual ~pictureTarget() = default;
    // The control's drawing surface: a Format_RGB32 picture of the control's size.
    virtual QImage &canvas() = 0;
    // Call after drawing on the canvas so the control shows it.
    virtual void canvasChanged() = 0;
};

// A track bar as the engines read it: its position and range.
class trackBarSource {
public:
    virtual ~trackBarSource() = default;
    virtual int position() const = 0;
    virtual int minimum() const = 0;
    virtual int maximum() const = 0;
};
