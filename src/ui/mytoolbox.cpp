#include "mytoolbox.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdint>

namespace {

const char *realMessage = QT_TRANSLATE_NOOP("numberEntry",
    "数字以外の文字が入力されました。数字、+（プラス）、-（マイナス）.（小数点）のみ有効");
const char *integerMessage = QT_TRANSLATE_NOOP("numberEntry", "整数以外の文字が入力されました。数字、+（プラス）、-（マイナス）のみ有効");

void report(const messageSink &sink, const char *message)
{
    const QString text = QCoreApplication::translate("numberEntry", message);
    if (sink)
        sink(text);
    else
        showMessage(text);
}

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Counts the ASCII digits from position i on and advances i past them.
qsizetype skipDigits(const QString &text, qsizetype &i)
{
    const qsizetype start = i;
    while (i < text.size() && isAsciiDigit(text[i]))
        ++i;
    return i - start;
}

// Skips a sign, digits, a point and digits from i; gives how many digits there were.
qsizetype skipMantissa(const QString &text, qsizetype &i)
{
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = skipDigits(text, i);
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        digits += skipDigits(text, i);
    }
    return digits;
}

// Whole-text real number in the C notation: [+-] digits [. digits] [e [+-] digits], with at
// least one digit before the exponent. No blanks, no thousands separators, no comma as the
// decimal mark, no "inf"/"nan", no hexadecimal; a value beyond the double range is refused too.
bool parsesAsReal(const QString &text)
{
    qsizetype i = 0;
    const qsizetype mantissaDigits = skipMantissa(text, i);
    if (mantissaDigits == 0)
        return false;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        if (skipDigits(text, i) == 0)
            return false;
    }
    if (i != text.size())
        return false;
    bool ok = false;
    const double value = text.toDouble(&ok); // C locale; the text is known to be well formed
    // toDouble fails on overflow; a tiny value that underflows to zero is still a number.
    return std::isfinite(value) && (ok || value == 0.0);
}

// Whole-text 32-bit signed integer: [+-] digits, nothing else.
bool parsesAsInteger(const QString &text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return false;
    const std::int64_t limit = negative ? std::int64_t(1) << 31 : (std::int64_t(1) << 31) - 1;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!isAsciiDigit(text[i]))
            return false;
        value = value * 10 + (text[i].unicode() - '0');
        if (value > limit)
            return false;
    }
    return true;
}

// A text that is not a real number yet but becomes one when more is typed after it: a sign and
// a point without digits, or digits followed by an exponent mark and its sign only.
bool startsReal(const QString &text)
{
    qsizetype i = 0;
    const qsizetype mantissaDigits = skipMantissa(text, i);
    if (mantissaDigits == 0)
        return i == text.size();
    if (i == text.size() || (text[i] != QLatin1Char('e') && text[i] != QLatin1Char('E')))
        return false;
    ++i;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    return i == text.size();
}

bool startsInteger(const QString &text)
{
    return text == QLatin1String("+") || text == QLatin1String("-");
}

} // namespace

bool isRealNumberText(const QString &text, const messageSink &sink)
{
    if (text.isEmpty())
        return false;
    if (parsesAsReal(text))
        return true;
    report(sink, realMessage);
    return false;
}

bool isIntegerText(const QString &text, const messageSink &sink)
{
    if (text.isEmpty())
        return false;
    if (parsesAsInteger(text))
        return true;
    report(sink, integerMessage);
    return false;
}

bool isRealNumberEntry(const QString &text, const messageSink &sink)
{
    if (startsReal(text))
        return false;
    return isRealNumberText(text, sink);
}

bool isIntegerEntry(const QString &text, const messageSink &sink)
{
    if (startsInteger(text))
        return false;
    return isIntegerText(text, sink);
}

QString numberWithSuffix(int number, const QString &suffix) { return QString::number(number) + suffix; }
