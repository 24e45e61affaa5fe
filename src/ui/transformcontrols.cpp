#include "transformcontrols.h"

#include "geometry/shapedescription.h"
#include "mytoolbox.h"

#include <climits>
#include <cmath>

namespace {
const messageSink quiet = [](const QString &) {};

// A real already truncated or rounded to a whole number, kept inside the int range.
int toInt(double whole)
{
    if (!(whole > double(INT_MIN))) return INT_MIN; // also NaN
    if (whole >= double(INT_MAX)) return INT_MAX;
    return int(whole);
}
} // namespace

int trimEditFromControl(int edge, int origin, double scale)
{
    if (!(scale > 0)) return 0;
    return toInt(std::trunc((double(edge) - origin) / scale));
}

int trimControlFromEdit(double value, int origin, double scale)
{
    // nearbyint rounds to the nearest integer, ties to even, in the default rounding mode.
    return toInt(std::nearbyint(value * scale) + double(origin));
}

QString magnificationText(double value, int decimals)
{
    if (!std::isfinite(value)) return QString::number(value);
    const double significant = QString::number(value, 'g', 6).toDouble();
    return QString::number(significant, 'f', decimals);
}

std::optional<int> wholeNumberOf(const QString &text)
{
    if (!isIntegerText(text, quiet)) return std::nullopt;
    return text.toInt();
}

std::optional<int> hundredthsOf(const QString &text)
{
    if (!isRealNumberText(text, quiet)) return std::nullopt;
    const double degrees = text.toDouble();
    // Only angles whose truncated hundredths fit an int (NaN never does).
    const double hundredths = degrees * 100.0;
    if (!(hundredths > double(INT_MIN) - 1.0 && hundredths < double(INT_MAX) + 1.0)) return std::nullopt;
    return degreesToHundredths(degrees);
}
