// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "frame.h"

namespace brenvik::device {

// What the simulated input device captures: a counter pattern that names each frame's device
// frame count n (left (int16_t)(n & 0xFFFF), right (int16_t)(n >> 16)), or a WAV file's frames
// looped (frame n is the file's frame n modulo its length).
class SimSource {
public:
    // Loops the frames of a 16-bit stereo 44100 Hz PCM WAV file; kBadFormat if it cannot be
    // read, is another format, holds no frame or is too large to hold in memory. Never throws:
    // it runs inside OpenLib, a C function.
    int32_t loadWave(const std::string& path);

    // The frames whose device frame counts are first, first + 1, ...
    void render(uint32_t first, std::span<Frame> out) const;

private:
    std::vector<Frame> loop_;  // empty: counter pattern
};

}  // namespace brenvik::device
