// Numbers as text: the engine's one reader and its two writers of decimal numbers. Field values, engine
// values and expressions all go through here, so that a number reads and prints the same everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace numtext {

// Reads [blanks][sign]digits[point digits][e|E [sign] digits][blanks] with the given decimal point; a
// mantissa needs at least one digit. Answers false, leaving *value alone, for anything else (also for an
// empty text, "inf", "nan" and hexadecimal forms). Allocates nothing.
bool Parse(std::string_view text, char decimalPoint, long double* value);
bool Parse(std::string_view text, char decimalPoint, double* value);

// Fixed-point text with exactly `decimals` decimals (no point when 0) and a leading '-' when the rounded
// value is below zero. Rounds the value's shortest decimal form, ties away from zero, so 2.675 gives 2.68.
// Infinities and NaN give "INF", "-INF", "NAN" (which no field can hold). REQUIRES 0 <= decimals <= 255.
std::string FormatFixed(long double value, int decimals);

// The general form of at most 15 significant digits: fixed notation when the decimal exponent lies in
// -5 .. 14, else d.dddE[-]x (as 1E20 or 1.5E-7); no trailing zeros.
std::string FormatGeneral(double value, char decimalPoint);

}  // namespace numtext
