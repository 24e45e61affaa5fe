#include "colorfilter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double pi = 3.14159265358979323846;
constexpr int pointTableSize = 256;

void buildPointTable(const std::array<int, 9> &points, std::array<double, pointTableSize> &table)
{
    table[0] = points[0];
    for (int s = 0; s < 8; ++s) {
        const int difference = points[static_cast<std::size_t>(s) + 1] - points[static_cast<std::size_t>(s)];
        for (int j = 1; j <= 32 && 32 * s + j < pointTableSize; ++j)
            table[static_cast<std::size_t>(32 * s + j)] =
                table[static_cast<std::size_t>(32 * s)] + static_cast<double>(j * difference) / 32.0;
    }
    for (double &value : table) value = 1.0 - value * (1.0 / 128.0);
}
} // namespace

double buildToneCurve(int kind, int maximum, int minimum, int position, const std::array<int, 9> &points,
                      double *values, int n)
{
    if (!values || n <= 0) return 0.0;
    const int range = std::abs(maximum - minimum);
    if (kind == filterTonePoints) {
        // The point table always has 256 entries; a shorter output gets its first n of them.
        std::array<double, pointTableSize> table{};
        buildPointTable(points, table);
        std::copy_n(table.begin(), std::min(n, pointTableSize), values);
        return 0.0;
    }
    if (range == 0 || (kind != filterToneSCurve && kind != filterToneSlope && kind != filterToneGamma)) {
        // No usable parameter: the identity line.
        for (int i = 0; i < n; ++i) values[i] = static_cast<double>(i) / n;
        return 0.0;
    }
    const double t = (static_cast<double>(position - minimum) + 0.01) / range * 2.0;
    const double half = n * 0.5;
    if (kind == filterToneSCurve) {
        const double e = std::pow(100.0, 2.0 - t) * 0.01;
        for (int i = 0; i < n; ++i) {
            const double x = (i - half) / half;
            double y = std::pow(std::fabs(x), e);
            if (x < 0.0) y = -y;
            values[i] = (y + 1.0) * 0.5;
        }
        return e;
    }
    if (kind == filterToneSlope) {
        const double k = std::tan(static_cast<double>(position) / range * 180.0 * pi / 180.0);
        for (int i = 0; i < n; ++i) {
            double value = (i - half) / n * k + 0.5;
            if (value > 1.0) value = 1.0;
            if (value < 0.0) value = 0.0;
            values[i] = value;
        }
        return k;
    }
    const double e = std::pow(100.0, t) * 0.01;
    for (int i = 0; i < n; ++i) values[i] = std::pow(static_cast<double>(i) / n, e);
    return e;
}

// Codes 11-14: every channel value goes through one 256-entry table (fractions × 256, limited
// to 0..255, truncated).
void colorFilter::toneCurve(int code)
{
    buildToneCurve(code, toneMax, toneMin, tonePosition, tonePoints, toneTable.data(), 256);
    std::array<std::uint8_t, 256> levels{};
    for (std::size_t i = 0; i < toneTable.size(); ++i) {
        double value = toneTable[i] * 256.0;
        if (!(value >= 0.0)) value = 0.0; // also catches a NaN
        if (value > 255.0) value = 255.0;
        toneTable[i] = value;
        levels[i] = static_cast<std::uint8_t>(static_cast<int>(value));
    }
    if (!redPlane || !greenPlane || !bluePlane || width <= 0) return;
    forEachRowBand([&](int first, int end) {
        const std::size_t offset = static_cast<std::size_t>(first) * static_cast<std::size_t>(width);
        const std::size_t count = static_cast<std::size_t>(end - first) * static_cast<std::size_t>(width);
        std::uint8_t *r = redPlane + offset;
        std::uint8_t *g = greenPlane + offset;
        std::uint8_t *b = bluePlane + offset;
        for (std::size_t x = 0; x < count; ++x) {
            r[x] = levels[r[x]];
            g[x] = levels[g[x]];
            b[x] = levels[b[x]];
        }
    });
}
