// Small helpers the library functions share (not part of the engine's interface).
#pragma once

#include <cstdint>
#include <string>

namespace expfn {

// A count argument truncated towards zero and clamped to +-2^53; NaN gives 0.
int64_t Count(double value);
// A width argument truncated towards zero; above kMaxTextWidth it raises 65182 "width".
int64_t Width(double value);
// The day of a date value; false for the empty date (the marker, days of 0 or less, and values that are no
// 32-bit day).
bool DayOf(double value, int32_t* day);
// ASCII upper case in place.
void UpperAscii(std::string& text);

}  // namespace expfn
