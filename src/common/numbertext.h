#pragma once

#include <QString>

// How numbers become text and text becomes numbers, the same way everywhere in the program.
namespace numbertext {

// The general number text: rounded to 15 significant digits, no trailing zeros, "." as the
// decimal point, no thousands separators; scientific notation ("1E20", "1E-6") only for values
// with more than 15 integer digits or non-zero values below 0.00001 in magnitude.
QString general(double value);

// Display patterns used by the grids and fields: "#0.###", "#0.##", "0.00" (and any pattern of
// the form "0.000…" / "#0.##…": a required integer digit, then required "0" or optional "#" decimals).
// A "," before the point, as in "#,##0.###", groups the integer digits by thousands.
QString format(double value, const QString &pattern);

// Rounds to four decimal places, the fixed point in which footer sums and the change are kept.
double fixed4(double value);
// The same as a whole count of ten-thousandths: llround(fixed4(value) * 10000), only faster.
long long fixed4Units(double value);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
long long roundHalfEven(double value);

// Strict conversion of a field's text to a number. Surrounding blanks are allowed; anything else
// that is not a plain decimal number (optionally signed, optionally with an exponent) raises a
// ConversionError whose text names the offending input.
double parse(const QString &text);

// Strict conversion to a whole number (for counters and the alarm threshold).
long long parseInteger(const QString &text);

} // namespace numbertext
