// SPDX-License-Identifier: GPL-3.0-or-later
// Medians, quartiles and percentiles of the finder's levels, peaks and widths.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// The value that would stand at index (counted from 0) if the values were sorted; index must
// lie inside them.
template <typename T>
T valueOfRank(std::vector<T> values, size_t index)
{
    const auto at = values.begin() + std::ptrdiff_t(index);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}
