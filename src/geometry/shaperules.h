// Inside the transform engine: the plain plan of a resampling run (the code's source position
// rule), set up once per run from the code's description, and the entry point of its vector path,
// which takes that plan and calls nothing back (the moves are the quarter-turn family's,
// imagedata/quarterturns.h). The plain loops in shapeexecute.cpp and the vector
// ones in shapevector.cpp read the same constants, so both evaluate the same expressions; the
// distortion and slope rules also serve shapeExecute's distortPoint and slopePoint, which the
// commit's size is worked out with.
#pragma once
#include "shapedescription.h"
#include "imagedata/progress.h"

#include <QImage>
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

    // From the engine's settings (shapeExecute's fields of the same names) and the two sizes.
    resampleRule(std::uint32_t shapeType, std::int32_t distortion, std::int32_t rotateAngle, std::int32_t perspective,
                 std::int32_t slopeBalance, int W, int H, int destinationW, int destinationH);

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
        default: // slope
            u = xd + slopeShift(y);
            v = yd;
            break;
        }
    }
};

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
