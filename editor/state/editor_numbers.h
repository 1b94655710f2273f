// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's number rules: a float becomes an integer by rounding to the nearest, halves to
// even, and integer arithmetic that overflows is an error rather than a wrap-around.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

// Raised where the editor's arithmetic would leave its integer width.
struct EditorOverflow : std::overflow_error {
    EditorOverflow()
        : std::overflow_error("Overflow")
    {}
};

template <typename Int>
Int roundTo(double value)
{
    const double rounded = std::nearbyint(value);  // the default rounding mode: halves to even
    if (!(rounded >= double(std::numeric_limits<Int>::min()) &&
          rounded <= double(std::numeric_limits<Int>::max())))
        throw EditorOverflow();
    return static_cast<Int>(rounded);
}

// A float converted to a Long.
inline int32_t toLong(double value)
{
    return roundTo<int32_t>(value);
}
// A float converted to an Integer.
inline int16_t toInteger(double value)
{
    return roundTo<int16_t>(value);
}

inline int32_t checkedAdd(int32_t a, int32_t b)
{
    int32_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) throw EditorOverflow();
    return sum;
}

inline int32_t checkedSub(int32_t a, int32_t b)
{
    int32_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference)) throw EditorOverflow();
    return difference;
}

inline int32_t checkedMul(int32_t a, int32_t b)
{
    int32_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) throw EditorOverflow();
    return product;
}
