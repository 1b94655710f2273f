#pragma once

#include <cstdint>
#include <span>

#include "diagnostic_log.h"
#include "frame.h"

namespace brenvik {

// Result codes of loadWave besides the load flags 0..3.
inline constexpr int32_t kLoadNoRiff = 10;
inline constexpr int32_t kLoadNoWave = 11;
inline constexpr int32_t kLoadNoFmt = 12;
inline constexpr int32_t kLoadNotPcm = 13;
inline constexpr int32_t kLoadNot16Bit = 14;
inline constexpr int32_t kLoadCannotOpen = 15;
inline constexpr int32_t kLoadNoData = 16;

// Fills the whole track from a RIFF WAVE file: returns the load flags (bit 0: channel count is
// not 2, bit 1: sample rate is not 44100) on success, or one of the codes above, in which case
// the track is left exactly as it was.
int32_t loadWave(const char* path, std::span<Frame> track, const DiagnosticLog& log);

// Writes frames as a 16-bit stereo 44100 Hz WAV file with a 44-byte header; returns 0, or -1
// when the file cannot be created or any write or the close fails.
int32_t saveAsWave(const char* path, std::span<const Frame> frames, const DiagnosticLog& log);

}  // namespace brenvik
