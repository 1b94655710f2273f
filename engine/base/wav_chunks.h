// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The RIFF WAVE layout shared by the WAV reader and writer: the chunk markers and the header
// this engine writes.

#include <array>
#include <cstddef>
#include <cstdint>

namespace brenvik::wav {

using ChunkId = std::array<char, 4>;

inline constexpr ChunkId kRiffId{'R', 'I', 'F', 'F'};
inline constexpr ChunkId kWaveId{'W', 'A', 'V', 'E'};
inline constexpr ChunkId kFmtId{'f', 'm', 't', ' '};
inline constexpr ChunkId kDataId{'d', 'a', 't', 'a'};
inline constexpr ChunkId kListId{'L', 'I', 'S', 'T'};
inline constexpr ChunkId kInfoId{'I', 'N', 'F', 'O'};

inline constexpr uint16_t kPcmFormatTag = 1;
// The format chunk's fields up to bits per sample; anything beyond is an extension.
inline constexpr uint32_t kFmtChunkBytes = 16;
inline constexpr size_t kHeaderBytes = 44;
// The RIFF size counts everything after its own field: the header's remaining 36 bytes and data.
inline constexpr uint32_t kRiffSizeBeyondData = kHeaderBytes - 8;

}  // namespace brenvik::wav
