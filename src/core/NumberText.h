#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Number conversions with the exact rules the stored settings and the size texts were written for.

// The number at the start of a text: blanks, tabs and line feeds are skipped anywhere, "." is the decimal point,
// an exponent (E or D) is read, reading stops at the first other character; no number gives 0.
double NumberAtStart(const QString& text);

// A number written back as text the way NumberAtStart reads it: up to 15 significant digits, no blank, no trailing
// zeros
// ("100", "1.5", "-5", "1E+20").
QString NumberText(double value);

// Rounds halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// NumberAtStart rounded half to even into a 16-bit integer; nullopt when the value does not fit.
std::optional<int16_t> ToInt16(const QString& text);
