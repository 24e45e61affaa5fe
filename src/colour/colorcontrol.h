// Colorcontrol: stateless conversions between the packed colour of the drawing layer, RGB
// triples, luma/hue/chroma (YHC) triples and lightness/hue/saturation (HLS) triples.
// All arithmetic is double precision; every conversion of a real value to an integer
// truncates toward zero (never rounds). The YHC pair is defined inline because the filter
// engines call it once per pixel.
#pragma once

#include "imagedata/vectorpaths.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

// Three 32-bit signed integers whose meaning depends on the routine that fills or reads them:
//   RGB: red, green, blue (0..255)
//   YHC: luma (0..255), hue in whole degrees (0..359 on output), chroma (0..228 for real colours)
//   HLS: lightness (0..255), hue in whole degrees (0..359), saturation (0..255)
struct colorTriple {
    int first = 0;
    int second = 0;
    int third = 0;
};

// Packed colour: red in bits 0-7, green in bits 8-15, blue in bits 16-23.
inline void splitColor(std::uint32_t color, int &red, int &green, int &blue)
{
    red = static_cast<int>(color & 0xffu);
    green = static_cast<int>((color >> 8) & 0xffu);
    blue = static_cast<int>((color >> 16) & 0xffu);
}

inline void packColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint32_t &color)
{
    color = static_cast<std::uint32_t>(blue) * 65536u + static_cast<std::uint32_t>(green) * 256u + red;
}

inline std::uint32_t packColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    std::uint32_t color;
    packColor(red, green, blue, color);
    return color;
}

namespace colorcontrol_detail {
constexpr double pi = 3.14159265358979323846;
constexpr double degreesPerRadian = 180.0;
constexpr double invPi = 1.0 / pi;
constexpr double invDegrees = 1.0 / 180.0;
constexpr double greenFromRed = 0.5084745762711864;   // 0.3 / 0.59
constexpr double greenFromBlue = 0.1864406779661017;  // 0.11 / 0.59

// Luma as the conversion computes it (before truncation).
inline double lumaOf(double r, double g, double b) { return 0.3 * r + 0.59 * g + 0.11 * b; }

// 0.0..255.0 in floating point, then truncated.
inline int clampTruncate(double value)
{
    if (value > 255.0) value = 255.0;
    if (value < 0.0) value = 0.0;
    return static_cast<int>(value);
}
} // namespace colorcontrol_detail

// (R, G, B) → (Y, hue, chroma). Hue is measured from the B − Y axis toward the R − Y axis.
inline void rgbToYhc(const colorTriple &source, colorTriple &destination)
{
    using namespace colorcontrol_detail;
    const double r = source.first;
    const double g = source.second;
    const double b = source.third;
    const int y = static_cast<int>(0.3 * r + 0.59 * g + 0.11 * b);
    const double u = 0.7 * r - 0.59 * g - 0.11 * b;
    const double v = -0.3 * r - 0.59 * g + 0.89 * b;
    const int chroma = static_cast<int>(std::sqrt(u * u + v * v));
    int hue = 0;
    if (chroma > 0) {
        hue = static_cast<int>(std::atan2(u, v) * degreesPerRadian * invPi);
        if (hue < 0) hue += 360;
    }
    destination.first = y;
    destination.second = hue;
    destination.third = chroma;
}

// (Y, hue, chroma) → (R, G, B); each channel is clamped to 0..255 before truncation.
// The destination is the first argument.
inline void yhcToRgb(colorTriple &destination, const colorTriple &source)
{
    using namespace colorcontrol_detail;
    const double y = source.first;
    const double theta = static_cast<double>(source.second) * pi * invDegrees;
    const double chroma = source.third;
    const double s = std::sin(theta) * chroma;
    const double c = std::cos(theta) * chroma;
    const double r = y + s;
    const double g = y - greenFromRed * s - greenFromBlue * c;
    const double b = y + c;
    destination.first = clampTruncate(r);
    destination.second = clampTruncate(g);
    destination.third = clampTruncate(b);
}

// (R, G, B) → (L, H, S); hue 0 red, 120 green, 240 blue.
void rgbToHls(const colorTriple &source, colorTriple &destination);

// (L, H, S) → (R, G, B). Along this routine's hue 0 is blue, 120 green and 240 red. Channels
// above 255 become 255; there is no lower limit. The destination is the first argument.
void hlsToRgb(colorTriple &destination, const colorTriple &source);

// One channel of hlsToRgb; the hue is wrapped into 0..359 once (−120 → 240, 480 → 120).
int hlsChannel(double m1, double m2, int hue);

// ---------------------------------------------------------------------------------------------
// Fast forms of the YHC pair for per-pixel loops. They give exactly the same integers as
// rgbToYhc / yhcToRgb for every input:
//  - the hue comes from a polynomial arc tangent accurate to far better than 1e-9 degrees; when
//    the angle lies within 1e-6 degrees of a whole degree the real atan2 decides, so the
//    truncation always lands on the same whole degree;
//  - sin and cos of whole hues 0..360 come from tables filled with the very same expression;
//    other hues use the plain conversion;
//  - a chroma of 0 skips the trigonometry: Y + 0.0 is Y.

// sin(h·π·(1/180)) and cos(h·π·(1/180)) for h = 0..360.
const double *yhcSineTable();
const double *yhcCosineTable();

namespace colorcontrol_detail {
// Whole-degree hue of rgbToYhc for a colour with chroma > 0 (so u² + v² ≥ 1).
inline int hueFromAxes(double u, double v)
{
    constexpr double halfPi = 1.57079632679489661923;
    constexpr double quarterPi = 0.78539816339744830962;
    constexpr double tanEighthPi = 0.41421356237309504880;
    const double au = std::fabs(u);
    const double av = std::fabs(v);
    const bool steep = au > av;
    const double num = steep ? av : au;
    const double den = steep ? au : av;
    // a = num / den in 0..1; above tan(π/8), use atan(a) = π/4 + atan((a − 1) / (a + 1)) so
    // that |a| ≤ tan(π/8) (plus rounding) for the series.
    double a;
    double base = 0.0;
    if (num > tanEighthPi * den) {
        a = (num - den) / (num + den);
        base = quarterPi;
    } else {
        a = num / den;
    }
    // atan(a) = a − a³/3 + a⁵/5 − …; with |a| ≤ 0.4143 the first omitted term is below 1e-10.
    const double a2 = a * a;
    double p = -1.0 / 23.0;
    p = p * a2 + 1.0 / 21.0;
    p = p * a2 - 1.0 / 19.0;
    p = p * a2 + 1.0 / 17.0;
    p = p * a2 - 1.0 / 15.0;
    p = p * a2 + 1.0 / 13.0;
    p = p * a2 - 1.0 / 11.0;
    p = p * a2 + 1.0 / 9.0;
    p = p * a2 - 1.0 / 7.0;
    p = p * a2 + 1.0 / 5.0;
    p = p * a2 - 1.0 / 3.0;
    p = p * a2 + 1.0;
    double angle = base + a * p;           // atan(min/max), 0..π/4
    if (steep) angle = halfPi - angle;     // atan2(|u|, |v|), 0..π/2
    if (v < 0.0) angle = pi - angle;
    if (u < 0.0) angle = -angle;
    const double degrees = angle * (180.0 / pi);
    const double magnitude = std::fabs(degrees);
    const double fraction = magnitude - static_cast<double>(static_cast<int>(magnitude));
    if (fraction < 1e-6 || fraction > 1.0 - 1e-6) {
        int hue = static_cast<int>(std::atan2(u, v) * degreesPerRadian * invPi);
        if (hue < 0) hue += 360;
        return hue;
    }
    int hue = static_cast<int>(degrees);
    if (hue < 0) hue += 360;
    return hue;
}
} // namespace colorcontrol_detail

// Same result as rgbToYhc(r, g, b): luma, hue, chroma.
inline void fastRgbToYhc(int r, int g, int b, int &luma, int &hue, int &chroma)
{
    const double rd = r;
    const double gd = g;
    const double bd = b;
    luma = static_cast<int>(0.3 * rd + 0.59 * gd + 0.11 * bd);
    const double u = 0.7 * rd - 0.59 * gd - 0.11 * bd;
    const double v = -0.3 * rd - 0.59 * gd + 0.89 * bd;
    chroma = static_cast<int>(std::sqrt(u * u + v * v));
    hue = chroma > 0 ? colorcontrol_detail::hueFromAxes(u, v) : 0;
}

// Same result as yhcToRgb for (luma, hue, chroma).
inline void fastYhcToRgb(int luma, int hue, int chroma, int &r, int &g, int &b)
{
    using namespace colorcontrol_detail;
    if (chroma == 0 && luma >= 0 && luma <= 255) {
        r = g = b = luma;
        return;
    }
    if (hue < 0 || hue > 360) {
        colorTriple rgb;
        yhcToRgb(rgb, colorTriple{luma, hue, chroma});
        r = rgb.first;
        g = rgb.second;
        b = rgb.third;
        return;
    }
    static const double *const sines = yhcSineTable();
    static const double *const cosines = yhcCosineTable();
    const double y = luma;
    const double cd = chroma;
    const double s = sines[hue] * cd;
    const double c = cosines[hue] * cd;
    r = clampTruncate(y + s);
    g = clampTruncate(y - greenFromRed * s - greenFromBlue * c);
    b = clampTruncate(y + c);
}
