// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "brenvik.h"

namespace brenvik {

// One stereo sample pair as it lies in the track and in WAV files: left, then right,
// signed 16-bit little-endian (the only byte order this engine runs on).
struct Frame {
    int16_t left;
    int16_t right;
};
static_assert(sizeof(Frame) == 4);

inline constexpr int32_t kSampleRate = BRENVIK_SAMPLE_RATE;
inline constexpr int32_t kChannels = 2;
inline constexpr int32_t kBitsPerSample = 16;
inline constexpr int32_t kBytesPerFrame = kBitsPerSample * kChannels / 8;

}  // namespace brenvik
