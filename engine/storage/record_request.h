// Positioning requests: every move of a table, an index tag or the table handler takes a record number n > 0 or
// one of these relative codes. A move off either end sets the end-of-table or start-of-table flag instead of
// failing.
#pragma once

#include <cstdint>

namespace recreq {
constexpr int32_t kNext = -1;    // the following record (in an index tag: the following entry)
constexpr int32_t kPrior = -2;   // the one before
constexpr int32_t kFirst = -3;   // the first record (the top of an index order)
constexpr int32_t kLast = -4;    // the last record (the bottom of an index order)
constexpr int32_t kReread = -5;  // the current record again
}  // namespace recreq
