// A colour filter run on a part of a picture: how far around a pixel each operation reads, the
// part a region's result needs, and the run on that part alone. Its result on the region is byte
// for byte the same region of a run on the whole picture, and the shared generator is left where
// a whole run leaves it, so a zoomed view's preview shows exactly what the commit will make.
#pragma once
#include "colorfilter.h"

#include <QImage>
#include <QRect>

// The reach of filter.filterType with the filter's parameters, on a width × height picture, as
// its description (filterDescriptions()) gives it.
// Per-pixel colour operations reach 0 pixels; the kernel filters their kernel's half size; the
// mosaic its tiles; the fringe effects, which also depend on where a pixel lies and on its
// random draws, run on a part knowing where it lies (colorFilter's frame) and reach as far as
// the blur's largest box. No operation of the colour pages depends on the whole picture.
filterReach filterReachOf(const colorFilter &filter, int width, int height);

// The part of a width × height picture a run must cover for its result on wanted (inside the
// picture) to be a whole run's: wanted grown by the margin, out to whole tiles, cut to the
// picture; the whole picture for an operation whose reach is whole.
QRect filterSourceRect(const colorFilter &filter, int width, int height, const QRect &wanted);

// The filter's result on the wanted pixels of picture (cut to the picture; a null picture when
// nothing is left, or when the picture is not Format_RGB32), computed on filterSourceRect only,
// read from the picture in place. The filter's frame and planes are set for the run and cleared
// after it, also when the run ends by an exception (a progress callback's).
QImage runFilterOnRegion(colorFilter &filter, const QImage &picture, const QRect &wanted);

// A bitmap over the pixels of area (inside the picture) that shares the picture's memory: for
// reading only, while the picture lives.
QImage pictureArea(const QImage &picture, const QRect &area);

// True when the filter's result at a pixel depends on that pixel alone (reach 0, no tiles): its
// run on a part costs what the part's pixels cost, so no quicker approximation is worth making.
bool filterIsPerPixel(const colorFilter &filter, int width, int height);

// A quick look at the filter's result on source: the filter run on source reduced to at most
// maximumPixels (at its own size when it is no larger), stretched back to source's size. Not
// the result itself (a neighbourhood reaches further on the reduced picture): what a view
// shows while the exact result is being made. The filter's frame is left unset.
QImage quickFilterLook(colorFilter filter, const QImage &source, int maximumPixels);
