// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring and scaling the loudness of a stretch of the engine's track, read and written in
// blocks through TrackReadFrames and TrackWriteFrames.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "engine_binding.h"
#include "loudness_plan.h"

// Integrated loudness (libebur128) and true peak of frames from .. to - 1. Long stretches are
// measured in parts on several threads; the caller keeps every other engine call away meanwhile.
// percent, when given, follows the work from 0 to 100. Nothing when the track cannot be read or
// the measuring cannot start.
std::optional<LoudnessReading> measureLoudness(const EngineApi& engine, int32_t from, int32_t to,
                                               std::atomic<int32_t>* percent = nullptr);

// Multiplies every value of frames from .. to - 1 by gainDb, rounding halves to even and holding
// the products within 16 bits. Each value is stored at before first when there is one
// (2 * (to - from) of them). False when the track cannot be read or written.
bool scaleFrames(const EngineApi& engine, int32_t from, int32_t to, double gainDb, int16_t* before);
