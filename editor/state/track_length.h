// SPDX-License-Identifier: GPL-3.0-or-later
// Track sizes: megabytes of recording memory, frames, recording time and the stored setting.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr int32_t kFramesPerMegabyte = 262144;    // 1048576 bytes of 4-byte frames
constexpr int32_t kDefaultTrackLength = 1048576;  // 4 megabytes, about 23.8 seconds
constexpr int32_t kMinTrackLength = 1 * kFramesPerMegabyte;
constexpr int32_t kMaxTrackLength = 256 * kFramesPerMegabyte;
constexpr double kBytesPerSecond = 176400.0;

// The stored "Memory" text as a track length: a number is rounded (halves to even) and held to
// 1..256 megabytes of frames; anything that is not a number gives the default length.
int32_t trackLengthFromSetting(std::string_view text);

// Whole megabytes of a track length, truncated toward zero.
inline int32_t megabytesOfTrack(int32_t frames)
{
    return frames / kFramesPerMegabyte;
}

// The recording time of a memory size as minutes "." two-digit seconds ("00.24" for 4 MB).
std::string recordingTimeText(double megabytes);

// Megabytes of a byte count, rounded to the nearest (halves to even).
int32_t roundedMegabytes(uint64_t bytes);
