// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_source.h"

#include <new>

#include "wav_chunks.h"
#include "wav_reader.h"
#include "wave_device.h"

namespace brenvik::device {

namespace {

bool isEngineFormat(const WaveFormat& format)
{
    return format.formatTag == wav::kPcmFormatTag && format.channels == kChannels &&
           format.sampleRate == kSampleRate && format.bitsPerSample == kBitsPerSample;
}

}  // namespace

int32_t SimSource::loadWave(const std::string& path)
{
    const DiagnosticLog noLog;
    WaveReader reader;
    if (reader.open(path.c_str(), noLog) != 0 || !isEngineFormat(reader.format())) {
        return kBadFormat;
    }
    try {
        // At most what the file holds is set aside, whatever size the data chunk declares.
        std::vector<Frame> frames(static_cast<std::size_t>(reader.audioBytes() / sizeof(Frame)));
        frames.resize(reader.readAudio(std::as_writable_bytes(std::span(frames))) / sizeof(Frame));
        if (frames.empty()) {
            return kBadFormat;
        }
        loop_ = std::move(frames);
    } catch (const std::bad_alloc&) {
        return kBadFormat;  // a file too large to hold is as unusable as a broken one
    }
    return kNoError;
}

void SimSource::render(uint32_t first, std::span<Frame> out) const
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const uint32_t n = first + static_cast<uint32_t>(i);
        out[i] = loop_.empty()
                     ? Frame{static_cast<int16_t>(n & 0xFFFF), static_cast<int16_t>(n >> 16)}
                     : loop_[n % loop_.size()];
    }
}

}  // namespace brenvik::device
