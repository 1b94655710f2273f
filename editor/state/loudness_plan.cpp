#include "loudness_plan.h"

#include <algorithm>
#include <cmath>

std::optional<LoudnessGain> loudnessGain(const LoudnessReading& reading, double targetLufs)
{
    if (!std::isfinite(reading.integratedLufs) || !std::isfinite(reading.truePeakDbtp)) return std::nullopt;
    const double toTarget = targetLufs - reading.integratedLufs;
    const double toCeiling = kTruePeakCeilingDbtp - reading.truePeakDbtp;
    return LoudnessGain{std::min(toTarget, toCeiling), toCeiling < toTarget};
}
