// SPDX-License-Identifier: GPL-3.0-or-later
// The position bar under the track view: at zoom 2 or more it spans the part of the track the
// zoom hides, in kViewScrollUnits units, from 0 (the track's start in view) to kLastViewPosition
// (its end in view).
#pragma once

#include <cstdint>

inline constexpr int32_t kViewScrollUnits = 32768;
inline constexpr int32_t kLastViewPosition = kViewScrollUnits - 1;
