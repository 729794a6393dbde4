// Range-checked integer helpers: the engine never lets an integer wrap silently.
#pragma once

#include <cstdint>
#include <limits>
#include <utility>
#include <type_traits>

#include "framework/base/exception.h"

namespace checked {

// Converts between integer types; throws ERangeError when the value does not fit.
template <typename To, typename From>
constexpr To Narrow(From value) {
    static_assert(std::is_integral_v<To> && std::is_integral_v<From>);
    if (!std::in_range<To>(value)) throw ERangeError();
    return static_cast<To>(value);
}

template <typename T>
constexpr T Add(T a, T b) {
    T r{};
    if (__builtin_add_overflow(a, b, &r)) throw ERangeError();
    return r;
}

template <typename T>
constexpr T Sub(T a, T b) {
    T r{};
    if (__builtin_sub_overflow(a, b, &r)) throw ERangeError();
    return r;
}

template <typename T>
constexpr T Mul(T a, T b) {
    T r{};
    if (__builtin_mul_overflow(a, b, &r)) throw ERangeError();
    return r;
}

// Truncates a double toward zero into T; NaN and out-of-range values throw ERangeError.
template <typename T>
T Trunc(double value) {
    static_assert(std::is_integral_v<T>);
    if (!(value > static_cast<double>(std::numeric_limits<T>::min()) - 1.0 &&
          value < static_cast<double>(std::numeric_limits<T>::max()) + 1.0))
        throw ERangeError();
    return static_cast<T>(value);
}

}  // namespace checked
