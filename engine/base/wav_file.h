// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

#include "brenvik.h"

#include "diagnostic_log.h"
#include "frame.h"

namespace brenvik {

// Fills the whole track from a RIFF WAVE file: returns the load flags (bit 0: channel count is
// not 2, bit 1: sample rate is not 44100) on success, or one of brenvik.h's BRENVIK_LOAD_
// rejection codes, in which case the track is left exactly as it was.
int32_t loadWave(const char* path, std::span<Frame> track, const DiagnosticLog& log);

// The frames of audio loadWave would read from the file into a track long enough for all of
// them (a mono file's values each become a frame), at most INT32_MAX; or the negated code
// loadWave would reject it with. The file is not read beyond its header.
int32_t waveFrames(const char* path, const DiagnosticLog& log);

// The bits per sample the file's format chunk gives, also when loadWave would refuse the file
// for them; or the negated code loadWave would reject it with for anything else.
int32_t waveSampleBits(const char* path, const DiagnosticLog& log);

}  // namespace brenvik
