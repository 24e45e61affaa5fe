// Inside the transform engine, the rules each code's description names: the size of the result
// (shapedSizeOf) and the plain plan of a resampling run (the code's source position rule), set up
// once per run from the run's settings, with the entry point of its vector path, which takes that
// plan and calls nothing back (the moves are the quarter-turn family's, imagedata/quarterturns.h).
// The plain loops in shapeexecute.cpp and the vector ones in shapevector.cpp read the same
// constants, so both evaluate the same expressions. A new transform's rules go here.
#pragma once
#include "commonfigureroutine.h"
#include "shapedescription.h"
#include "shapesettings.h"
#include "imagedata/progress.h"

#include <QImage>
#include <QSize>
#include <algorithm>
#include <numbers>
#include <cmath>
#include <cstdint>
#include <functional>

// The rows of a run go to the worker threads in bands; this reports destination row y on the
// calling thread once the bands up to it are done.
inline std::function<void(int)> progressRows(const progressIndicator *progress)
{
    if (!progress) return {};
    return [progress](int y) { progress->setPosition(y); };
}

// The distortion's R: the half diagonal of a W × H source.
inline double distortionRadius(int W, int H)
{
    return std::sqrt((W * 0.5) * (W * 0.5) + (H * 0.5) * (H * 0.5));
}

// Scales an offset (dx, dy) from the centre by the distortion factor (r − R)·(e / R) + 1.
inline void distortOffset(double &dx, double &dy, double radius, double amountPerRadius)
{
    const double r = std::sqrt(dx * dx + dy * dy);
    const double f = (r - radius) * amountPerRadius + 1;
    dx = dx * f;
    dy = dy * f;
}

// The slope's shift of row y: s·(y − H) for s >= 0, s·y below.
inline double slopeOffset(double y, double s, int H)
{
    return s >= 0 ? s * (y - double(H)) : s * y;
}

struct resampleRule {
    shapePositionRule positionRule = shapePositionRule::resize;
    int width = 0, height = 0;                       // source W × H
    int destinationWidth = 0, destinationHeight = 0; // W′ × H′
    double cx = 0, cy = 0;                           // source centre (W div 2, H div 2)
    double destinationCx = 0, destinationCy = 0;     // W′ div 2, H′ div 2
    double sx = 0, sy = 0;                           // resize: W / W′, H / H′
    double cosine = 0, sine = 0;                     // rotation
    double amount = 0;                               // distortion e
    double radius = 0;                               // distortion R, the source's half diagonal
    double amountPerRadius = 0;                      // e / R
    double k = 0;                                    // trapezoid
    double s = 0;                                    // slope

    // From the run's settings and the two sizes.
    resampleRule(const shapeSettings &e, int W, int H, int destinationW, int destinationH)
        : positionRule(describeShape(e.shapeType) ? describeShape(e.shapeType)->position : shapePositionRule::slope),
          width(W), height(H), destinationWidth(destinationW), destinationHeight(destinationH)
    {
        cx = W / 2;
        cy = H / 2;
        destinationCx = destinationW / 2;
        destinationCy = destinationH / 2;
        sx = double(W) / double(destinationW);
        sy = double(H) / double(destinationH);
        const double theta = (e.rotateAngle * 0.01) * std::numbers::pi / 180.0;
        cosine = std::cos(theta);
        sine = std::sin(theta);
        amount = e.distortion * (-0.01);
        radius = distortionRadius(W, H);
        amountPerRadius = amount / radius;
        k = (e.perspective + 0.000001) * 0.01;
        s = (e.slopeBalance + 0.000001) * 0.01;
    }

    // The row factor m of the trapezoid for destination row y.
    double trapezoidFactor(int y) const
    {
        const double yd = y, hd = height;
        if (k > 0) return k * (yd + 0.000001) / hd + (1 - k);
        return 1 + k - k * (hd + 0.000001 - yd) / hd;
    }

    // The slope's shift term of row y: s·(y − H) or s·y.
    double slopeShift(int y) const { return slopeOffset(y, s, height); }

    // The source position (u, v) of destination pixel (x, y).
    void position(int x, int y, double &u, double &v) const
    {
        const double xd = x, yd = y;
        switch (positionRule) {
        case shapePositionRule::resize:
            u = (xd + 0.5) * sx - 0.5;
            v = (yd + 0.5) * sy - 0.5;
            break;
        case shapePositionRule::distort: {
            double dx = xd - destinationCx, dy = yd - destinationCy;
            distortOffset(dx, dy, radius, amountPerRadius);
            u = cx + dx;
            v = cy + dy;
            break;
        }
        case shapePositionRule::rotate: {
            const double dx = xd - destinationCx, dy = yd - destinationCy;
            u = cx + dx * cosine - dy * sine;
            v = cy + dx * sine + dy * cosine;
            break;
        }
        case shapePositionRule::trapezoid:
            u = (xd - cx) / trapezoidFactor(y) + cx;
            v = yd;
            break;
        case shapePositionRule::slope:
        default:
            u = xd + slopeShift(y);
            v = yd;
            break;
        }
    }
};

// The result's size for a W × H source under the settings' code (targetW × targetH the resize's
// target); W × H for a code without a description.
inline QSize shapedSizeOf(const shapeSettings &e, int W, int H, int targetW, int targetH)
{
    const shapeDescription *description = describeShape(e.shapeType);
    switch (description ? description->size : shapeSizeRule::same) {
    case shapeSizeRule::target:
        return QSize(targetW, targetH);
    case shapeSizeRule::distorted: {
        if (e.distortion >= 0) return QSize(W, H);
        const double amount = e.distortion * (-0.01);
        const double radius = distortionRadius(W, H);
        double x = W * 0.5, y = 0;
        distortOffset(x, y, radius, amount / radius);
        const int grownWidth = W + (W - static_cast<int>(2 * x));
        x = 0;
        y = H * 0.5;
        distortOffset(x, y, radius, amount / radius);
        return QSize(grownWidth, H + (H - static_cast<int>(2 * y)));
    }
    case shapeSizeRule::rotated: {
        const rectangle bounds = rotatedBounds(rectangle{0, 0, W - 1, H - 1}, e.rotateAngle * 0.01);
        return QSize(bounds.right + 1, bounds.bottom + 1);
    }
    case shapeSizeRule::swapped:
        return QSize(H, W);
    case shapeSizeRule::trimmed: {
        const rectangle t = e.trimEdges(W, H);
        return QSize(t.right - t.left + 1, t.bottom - t.top + 1);
    }
    case shapeSizeRule::slanted: {
        // The opposite sign to the engine's and no small offset: the corners' shifts.
        const double amount = e.slopeBalance * (-0.01);
        auto shifted = [&](double x, double y) { return static_cast<int>(x + slopeOffset(y, amount, H)); };
        const int a = shifted(0, 0), b = shifted(W, 0), c = shifted(0, H), d = shifted(W, H);
        return QSize(std::max(d, b) - std::min(c, a) + 1, H);
    }
    case shapeSizeRule::same: // also an unknown code
        break;
    }
    return QSize(W, H);
}

// The bilinear value of one channel, in the documented order of operations.
inline double bilinear(double p00, double p01, double p10, double p11, double fx, double fy)
{
    return p00 + (p01 - p00) * fx + (p00 + p11 - p01 - p10) * fx * fy + (p10 - p00) * fy;
}

// The vector path of the resampling, straight from the source bitmap's pixels into the
// destination's; taken where the processor has AVX2 and vectorpaths.h allows it, eight pixels at a
// time with the 512-bit units. It returns false when it does not take the job (a picture it does
// not handle), and the caller runs the plain loop.
bool resampleVector(const resampleRule &rule, const QImage &source, QImage &destination,
                    std::uint32_t backgroundColor, const progressIndicator *progress);
