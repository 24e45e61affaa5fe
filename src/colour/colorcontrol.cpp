#include "colorcontrol.h"

void rgbToHls(const colorTriple &source, colorTriple &destination)
{
    const int r = source.first;
    const int g = source.second;
    const int b = source.third;
    const int mx = std::max(r, std::max(g, b));
    const int mn = std::min(r, std::min(g, b));
    const double l = (mx + mn) * 0.5;
    if (mx == mn) {
        destination.first = static_cast<int>(l);
        destination.second = 0;
        destination.third = 0;
        return;
    }
    const double d = mx - mn;
    double s;
    if (l > 128.0)
        s = d * 255.0 / static_cast<double>(510 - mx - mn);
    else
        s = d * 255.0 / static_cast<double>(mx + mn);
    double h;
    if (mx == r)
        h = static_cast<double>(g - b) * 60.0 / d;
    else if (mx == g)
        h = static_cast<double>(b - r) * 60.0 / d + 120.0;
    else
        h = static_cast<double>(r - g) * 60.0 / d + 240.0;
    if (h < 0.0) h += 360.0;
    destination.first = static_cast<int>(l);
    destination.second = static_cast<int>(h);
    destination.third = static_cast<int>(s);
}

int hlsChannel(double m1, double m2, int hue)
{
    double h = hue;
    if (h >= 360.0)
        h -= 360.0;
    else if (h < 0.0)
        h += 360.0;
    double value;
    if (h < 60.0)
        value = m1 + (m2 - m1) * h * (1.0 / 60.0);
    else if (h < 180.0)
        value = m2;
    else if (h < 240.0)
        value = m1 + (m2 - m1) * (240.0 - h) * (1.0 / 60.0);
    else
        value = m1;
    return static_cast<int>(value);
}

void hlsToRgb(colorTriple &destination, const colorTriple &source)
{
    const double l = source.first;
    const int h = source.second;
    const double s = source.third;
    if (source.third == 0) {
        destination.first = source.first;
        destination.second = source.first;
        destination.third = source.first;
        return;
    }
    double m2;
    if (l >= 128.0)
        m2 = l + s - l * s * (1.0 / 255.0);
    else
        m2 = l * (s + 255.0) * (1.0 / 255.0);
    const double m1 = 2.0 * l - m2;
    destination.first = std::min(hlsChannel(m1, m2, h - 120), 255);
    destination.second = std::min(hlsChannel(m1, m2, h), 255);
    destination.third = std::min(hlsChannel(m1, m2, h + 120), 255);
}

namespace {
struct hueTables {
    double sines[361];
    double cosines[361];
    hueTables()
    {
        using namespace colorcontrol_detail;
        for (int h = 0; h <= 360; ++h) {
            // The same expression as yhcToRgb, so every entry is the identical double.
            volatile int hv = h; // keep the compiler from folding sin/cos at build time
            const double theta = static_cast<double>(hv) * pi * invDegrees;
            sines[h] = std::sin(theta);
            cosines[h] = std::cos(theta);
        }
    }
};

const hueTables &tables()
{
    static const hueTables instance;
    return instance;
}
} // namespace

const double *yhcSineTable() { return tables().sines; }
const double *yhcCosineTable() { return tables().cosines; }
