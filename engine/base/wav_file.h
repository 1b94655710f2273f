// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

#include "brenvik.h"

#include "diagnostic_log.h"
#include "frame.h"

namespace brenvik {

// Result codes of loadWave besides the load flags 0..3.
inline constexpr int32_t kLoadNoRiff = BRENVIK_LOAD_NO_RIFF;
inline constexpr int32_t kLoadNoWave = BRENVIK_LOAD_NO_WAVE;
inline constexpr int32_t kLoadNoFmt = BRENVIK_LOAD_NO_FMT;
inline constexpr int32_t kLoadNotPcm = BRENVIK_LOAD_NOT_PCM;
inline constexpr int32_t kLoadNot16Bit = BRENVIK_LOAD_NOT_16_BIT;
inline constexpr int32_t kLoadCannotOpen = BRENVIK_LOAD_CANNOT_OPEN;
inline constexpr int32_t kLoadNoData = BRENVIK_LOAD_NO_DATA;

// Fills the whole track from a RIFF WAVE file: returns the load flags (bit 0: channel count is
// not 2, bit 1: sample rate is not 44100) on success, or one of the codes above, in which case
// the track is left exactly as it was.
int32_t loadWave(const char* path, std::span<Frame> track, const DiagnosticLog& log);

// The frames of audio loadWave would read from the file into a track long enough for all of
// them (a mono file's values each become a frame), at most INT32_MAX; or the negated code
// loadWave would reject it with. The file is not read beyond its header.
int32_t waveFrames(const char* path, const DiagnosticLog& log);

}  // namespace brenvik
