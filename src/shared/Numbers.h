#pragma once

#include <cmath>
#include <optional>

#include <QString>

// Rounds to the nearest whole number, halves to the even neighbour.
inline double RoundHalfEven(double value) { return std::nearbyint(value); }

// Reads a plain decimal number: optional blanks, an optional sign, digits with
// an optional decimal point, an optional exponent, optional blanks. Anything
// else ("nan", "inf", hex, the empty text, stray characters) is not a number.
// A numeral beyond the range of a double gives an infinity of its sign.
std::optional<double> ParseDecimal(const QString& text);
