// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <lame/lame.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "bladeenc.h"

namespace bladeenc {

// Returns BE_OK when the configuration describes constant-bitrate MPEG-1 Layer III that this
// library encodes, else BE_ERR_BAD_CONFIG.
uint32_t checkConfig(const BE_CONFIG& config);

// One encoder stream on LAME: constant or variable bitrate, no ID3 tag, and LAME's Info frame
// only when the configuration asks for it; otherwise its output is exactly the MP3 frames of the
// audio. Calls on one stream are serialised by the stream itself.
class LameStream {
public:
    // A stream for a configuration that checkConfig accepted; null when LAME cannot set up.
    static std::unique_ptr<LameStream> create(const BE_CONFIG& config);

    uint32_t samplesPerChunk() const { return kFramesPerChunk * channels_; }
    static uint32_t outputBufferBytes() { return kOutputBufferBytes; }

    struct LameCloser {
        void operator()(lame_global_flags* flags) const { lame_close(flags); }
    };
    using LameHandle = std::unique_ptr<lame_global_flags, LameCloser>;

    LameStream(LameHandle lame, uint32_t channels, bool infoFrame)
        : lame_(std::move(lame)),
          channels_(channels),
          infoFrame_(infoFrame)
    {}

    // Encodes interleaved samples (at most samplesPerChunk, whole frames) into output, which
    // holds outputBufferBytes; sets produced to the bytes written.
    uint32_t encode(std::span<const int16_t> samples, uint8_t* output, uint32_t& produced);
    // Encodes what LAME still holds back and writes the last frames.
    uint32_t flush(uint8_t* output, uint32_t& produced);
    // After the flush: the final Info frame, the size of the placeholder the output began with.
    uint32_t infoFrame(uint8_t* output, uint32_t& produced);

private:
    // One MPEG-1 Layer III frame carries 1152 frames of audio; a chunk is one such frame.
    static constexpr uint32_t kFramesPerChunk = 1152;
    // LAME's own worst case for one call: 1.25 bytes per frame plus 7200 (also its flush size).
    static constexpr uint32_t kOutputBufferBytes = kFramesPerChunk * 5 / 4 + 7200;

    std::mutex mutex_;
    LameHandle lame_;
    const uint32_t channels_;
    const bool infoFrame_;
    bool flushed_ = false;
};

}  // namespace bladeenc
