// Stand-ins for the window's controls: a canvas of a given size, a caption, a track bar.
#pragma once
#include "ui/panels/controlrefs.h"

struct fakePicture : pictureTarget {
    QImage surface;
    int changes = 0;
    fakePicture(int w, int h) : surface(w, h, QImage::Format_RGB32) { surface.fill(0xFFFFFFFF); }
    QImage &canvas() override { return surface; }
    void canvasChanged() override { ++changes; }
};

struct fakeText : textTarget {
    QString text = "0";
    void setCaption(const QString &t) override { text = t; }
    QString caption() const override { return text; }
};

struct fakeBar : trackBarSource {
    int value, low, high;
    fakeBar(int v, int lo, int hi) : value(v), low(lo), high(hi) {}
    int position() const override { return value; }
    int minimum() const override { return low; }
    int maximum() const override { return high; }
};
