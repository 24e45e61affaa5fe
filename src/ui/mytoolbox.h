// Numeric input checks and the number-with-suffix routine.
#pragma once
#include "imagedata/messagesink.h"

#include <QString>

// True when text is a real number (optional sign, digits, decimal point, optional exponent).
// An empty text fails silently; any other failure shows its message through the sink first.
bool isRealNumberText(const QString &text, const messageSink &sink);

// True when text is a 32-bit signed whole number; messages as for isRealNumberText.
bool isIntegerText(const QString &text, const messageSink &sink);

// The checks an edit runs after every key release, while the user may still be typing: a text
// that is only the start of a number (a lone sign or decimal point, a sign and a point, and for a
// real number a mantissa whose exponent has no digits yet, as in "1e" or "2.5e-") fails silently,
// as an empty one does; every other text is checked as above.
bool isRealNumberEntry(const QString &text, const messageSink &sink);
bool isIntegerEntry(const QString &text, const messageSink &sink);

// The decimal digits of number (with "-" when negative) followed directly by suffix.
QString numberWithSuffix(int number, const QString &suffix);
