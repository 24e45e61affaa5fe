// Colorcontrol: stateless conversions between the packed colour of the drawing layer, RGB
// triples, luma/hue/chroma (YHC) triples and lightness/hue/saturation (HLS) triples.
// All arithmetic is double precision; every conversion of a real value to an integer
// truncates toward zero (never rounds). The YHC pair is defined inline because the filter
// engines call it once per pixel.
#pragma once

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
