// The arithmetic behind the transform page's controls, kept apart from the widgets: converting
// trimming edges between the main view's pixels and the picture's, the texts of the resize edits,
// and reading the transform edits as numbers.
#pragma once
#include <QString>
#include <optional>

// A trimming edge on the control (edge, with the picture's pixel (0, 0) shown at origin and
// scale control pixels per picture pixel) as a picture column or row, truncated toward zero.
int trimEditFromControl(int edge, int origin, double scale);

// A picture column or row as a control position: the nearest whole control pixel (ties to the
// even one) plus the origin.
int trimControlFromEdit(double value, int origin, double scale);

// value with the given number of decimals, after rounding it to six significant digits (the
// magnification edits show percentages with 2 decimals and pixels with none).
QString magnificationText(double value, int decimals);

// The whole-number value of an edit's text, or nothing when the text is not a 32-bit whole
// number. Shows no message.
std::optional<int> wholeNumberOf(const QString &text);

// A decimal number of degrees as hundredths, truncated toward zero, or nothing when the text is
// not a number or its hundredths do not fit in 32 bits. Shows no message.
std::optional<int> hundredthsOf(const QString &text);
