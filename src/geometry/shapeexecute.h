// The geometric transform engine: turns one picture into a new picture by resize, rotation, the
// quarter turns and mirrors, trimming, slope, trapezoid or distortion. It receives a source
// bitmap, a destination bitmap whose size is already set, and a background colour, and fills every
// destination pixel, working backwards from each destination pixel to its source position.
#pragma once
#include "imagedata/progress.h"
#include "imagedata/rectangle.h"
#include "imagedata/vectorpaths.h"
#include "shapesettings.h"

#include <QImage>
#include <cstdint>

// The engine: the settings of the run (shapesettings.h) and where it reports its progress.
class shapeExecute : public shapeSettings {
public:
    const progressIndicator *progressBar = nullptr; // borrowed

    // The only entry point: progress maximum = destination height, the family the code selects,
    // then progress 0. Unknown codes leave the destination untouched.
    void executeShape(const QImage &source, QImage &destination, std::uint32_t backgroundColor);
    // Exact pixel moves (the move and trim families of shapedescription.h).
    void moveShape(const QImage &source, QImage &destination);
    // Bilinear resampling with background fill (the resample family).
    void resampleShape(const QImage &source, QImage &destination, std::uint32_t backgroundColor);

};
