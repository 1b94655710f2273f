// SPDX-License-Identifier: GPL-3.0-or-later
#include "loudness_plan.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRoundingMarginDb = 0.01;

}  // namespace

std::optional<LoudnessGain> loudnessGain(const LoudnessReading& reading, double targetLufs)
{
    if (!std::isfinite(reading.integratedLufs) || !std::isfinite(reading.truePeakDbtp))
        return std::nullopt;
    const double toTarget = targetLufs - reading.integratedLufs;
    // Rounding the scaled values may add half a step: the gain stays that much clear.
    const double toCeiling = kTruePeakCeilingDbtp - kRoundingMarginDb - reading.truePeakDbtp;
    return LoudnessGain{std::min(toTarget, toCeiling), toCeiling < toTarget};
}
