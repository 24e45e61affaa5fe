#include "tonecurveview.h"

#include "colorfilter.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <cmath>

namespace {
const QColor gridColour(192, 192, 192);
const QColor knotColour(166, 202, 240);

// Rounds the decimal digit string (no sign, no point) at position keep, half away from zero;
// returns true when a carry ran off the front (the caller prefixes a "1").
bool roundDigits(QString &digits, int keep)
{
    if (keep >= digits.size()) return false;
    const bool up = digits[keep] >= QLatin1Char('5');
    digits.truncate(keep);
    if (!up) return false;
    for (int i = keep - 1; i >= 0; --i) {
        if (digits[i] == QLatin1Char('9')) {
            digits[i] = QLatin1Char('0');
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            return false;
        }
    }
    return true;
}
} // namespace

void resetTonePoints(std::array<int, 9> &points)
{
    points = startTonePoints;
}

QString toneValueText(double value)
{
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    const bool negative = std::signbit(value) && value != 0.0;
    const double magnitude = std::fabs(value);
    // Five significant digits: d.dddde±x.
    const QString scientific = QString::number(magnitude, 'e', 4);
    const int e = scientific.indexOf(QLatin1Char('e'));
    QString digits = scientific.left(e);
    digits.remove(QLatin1Char('.'));
    int exponent = scientific.mid(e + 1).toInt();
    const QString sign = negative ? QStringLiteral("-") : QString();
    if (magnitude != 0.0 && exponent + 1 > 5) {
        QString exponentText = QString::number(std::abs(exponent));
        if (exponentText.size() < 2) exponentText.prepend(QLatin1Char('0'));
        return sign + digits.left(1) + QLatin1Char('.') + digits.mid(1) + QLatin1Char('E') +
               (exponent < 0 ? QLatin1Char('-') : QLatin1Char('+')) + exponentText;
    }
    if (magnitude == 0.0) return QStringLiteral("0.00");
    // Place the five digits: value = 0.digits × 10^(exponent + 1).
    int integerDigits = exponent + 1; // may be ≤ 0
    if (integerDigits <= 0) {
        digits.prepend(QString(-integerDigits, QLatin1Char('0')));
        integerDigits = 0;
    }
    while (digits.size() < integerDigits + 2) digits.append(QLatin1Char('0'));
    if (roundDigits(digits, integerDigits + 2)) {
        digits.prepend(QLatin1Char('1'));
        ++integerDigits;
    }
    QString integerPart = digits.left(integerDigits);
    if (integerPart.isEmpty()) integerPart = QStringLiteral("0");
    const QString fractionPart = digits.mid(integerDigits, 2);
    const bool allZero = (integerPart + fractionPart).count(QLatin1Char('0')) == integerPart.size() + fractionPart.size();
    return (allZero ? QString() : sign) + integerPart + QLatin1Char('.') + fractionPart;
}

QString drawToneCurve(QImage &canvas, int kind, int maximum, int minimum, int position,
                      const std::array<int, 9> &points, double *displayBuffer128)
{
    if (canvas.width() != toneCanvasSize || canvas.height() != toneCanvasSize ||
        canvas.format() != QImage::Format_RGB32)
        canvas = QImage(toneCanvasSize, toneCanvasSize, QImage::Format_RGB32);
    canvas.fill(QColor(255, 255, 255));

    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(gridColour, 1));
    painter.drawLine(2, 130, 130, 2);
    for (int i = 0; i < 9; ++i) {
        const int at = 2 + 16 * i;
        painter.drawLine(2, at, 130, at);
        painter.drawLine(at, 2, at, 130);
    }

    painter.setPen(QPen(QColor(0, 0, 0), 1));
    if (kind == filterTonePoints) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(knotColour);
        for (int k = 0; k < 9; ++k)
            painter.drawEllipse(QRect(16 * k - 2, points[static_cast<std::size_t>(k)] - 2, 8, 8));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0, 0, 0), 1));
        for (int k = 0; k < 8; ++k)
            painter.drawLine(16 * k + 2, points[static_cast<std::size_t>(k)] + 2, 16 * k + 18,
                             points[static_cast<std::size_t>(k) + 1] + 2);
        return QStringLiteral("0");
    }

    std::array<double, 128> local{};
    double *buffer = displayBuffer128 ? displayBuffer128 : local.data();
    const double parameter = buildToneCurve(kind, maximum, minimum, position, points, buffer, 128);
    const auto rowOf = [](double v) { return static_cast<int>(128.0 - 128.0 * v) + 2; };
    QPoint previous(0, rowOf(buffer[0]));
    for (int i = 0; i < 128; ++i) {
        const QPoint next(i + 1, rowOf(buffer[i]));
        painter.drawLine(previous, next);
        previous = next;
    }
    return toneValueText(parameter);
}

int toneKnotHit(const std::array<int, 9> &points, int x, int y)
{
    const int k = (x + 8) / 16;
    if (k < 0 || k > 8) return toneNoKnot;
    const int p = points[static_cast<std::size_t>(k)];
    return (p - 4 <= y && y <= p + 4) ? k : toneNoKnot;
}

bool toneKnotDrag(std::array<int, 9> &points, int index, int y, int imageHeight)
{
    if (index < 0 || index > 8) return false;
    if (y < 0 || y > imageHeight) return false;
    points[static_cast<std::size_t>(index)] = y - 2;
    return true;
}
