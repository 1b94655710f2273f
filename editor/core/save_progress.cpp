// SPDX-License-Identifier: GPL-3.0-or-later
#include "save_progress.h"

#include <algorithm>

#include "brenvik.h"

namespace {

constexpr uint64_t kWavHeaderBytes = 44;
constexpr uint64_t kBytesPerFrame = 4;
constexpr uint64_t kMp3FrameSamples = 1152;
constexpr int32_t kMostBeforeDone = 99;

}  // namespace

uint64_t expectedSaveBytes(SaveFormat format, int64_t frames, int32_t mp3Kbps)
{
    const auto count = uint64_t(std::max<int64_t>(frames, 0));
    if (format == SaveFormat::Wav) return kWavHeaderBytes + kBytesPerFrame * count;
    const uint64_t encoderFrames = (count + kMp3FrameSamples - 1) / kMp3FrameSamples;
    return encoderFrames * kMp3FrameSamples * uint64_t(std::max(mp3Kbps, 0)) * 1000 / 8 /
           BRENVIK_SAMPLE_RATE;
}

int32_t savePercent(SaveFormat format, int64_t frames, uint64_t fileBytes, int32_t mp3Kbps)
{
    const uint64_t expected = expectedSaveBytes(format, frames, mp3Kbps);
    if (expected == 0) return 0;
    // The encoder's delay and flush add a frame or two beyond the estimate.
    return int32_t(std::min<uint64_t>(fileBytes * 100 / expected, kMostBeforeDone));
}
