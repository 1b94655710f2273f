// SPDX-License-Identifier: GPL-3.0-or-later
#include "lame_stream.h"

#include <algorithm>
#include <array>

namespace bladeenc {

namespace {

// The constant bitrates of MPEG-1 Layer III, the only layer and version used at 32 to 48 kHz.
constexpr std::array<uint16_t, 14> kBitrates = {32,  40,  48,  56,  64,  80,  96,
                                                112, 128, 160, 192, 224, 256, 320};
constexpr std::array<uint32_t, 3> kSampleRates = {32000, 44100, 48000};
constexpr uint8_t kWorstVbrQuality = 9;

template <typename T, std::size_t N>
bool contains(const std::array<T, N>& values, T value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

bool isFlag(int32_t value)
{
    return value == 0 || value == 1;
}

MPEG_mode lameMode(uint8_t mode)
{
    switch (mode) {
        case BE_MODE_JOINT_STEREO: return JOINT_STEREO;
        case BE_MODE_DUAL_CHANNEL: return DUAL_CHANNEL;
        case BE_MODE_MONO: return MONO;
        default: return STEREO;
    }
}

// Produced byte counts from LAME, or its negative error number turned into ours.
uint32_t takeLameResult(int result, uint32_t& produced)
{
    if (result < 0) return BE_ERR_ENCODER;
    produced = static_cast<uint32_t>(result);
    return BE_OK;
}

}  // namespace

uint32_t checkConfig(const BE_CONFIG& config)
{
    const bool rateValid = config.vbr == 1 ? config.vbrQuality <= kWorstVbrQuality
                                           : config.vbr == 0 && contains(kBitrates, config.bitrate);
    const bool valid = config.kind == BE_KIND_MP3 && contains(kSampleRates, config.sampleRate) &&
                       config.mode <= BE_MODE_MONO && rateValid && isFlag(config.privateBit) &&
                       isFlag(config.crc) && isFlag(config.copyright) && isFlag(config.original) &&
                       config.infoFrame <= 1;
    return valid ? BE_OK : BE_ERR_BAD_CONFIG;
}

std::unique_ptr<LameStream> LameStream::create(const BE_CONFIG& config)
{
    LameHandle lame(lame_init());
    if (!lame) return nullptr;
    const uint32_t channels = config.mode == BE_MODE_MONO ? 1 : 2;
    lame_global_flags* flags = lame.get();
    const int rate = static_cast<int>(config.sampleRate);
    lame_set_in_samplerate(flags, rate);
    lame_set_out_samplerate(flags, rate);  // never resample
    lame_set_num_channels(flags, static_cast<int>(channels));
    lame_set_mode(flags, lameMode(config.mode));
    if (config.vbr == 1) {
        lame_set_VBR(flags, vbr_default);
        lame_set_VBR_q(flags, config.vbrQuality);
    } else {
        lame_set_VBR(flags, vbr_off);
        lame_set_brate(flags, config.bitrate);
    }
    lame_set_extension(flags, config.privateBit);
    lame_set_error_protection(flags, config.crc);
    lame_set_copyright(flags, config.copyright);
    lame_set_original(flags, config.original);
    lame_set_write_id3tag_automatic(flags, 0);
    // LAME then reserves the Info frame's place at the start of its output; without it the
    // output is the audio frames only.
    lame_set_bWriteVbrTag(flags, config.infoFrame);
    if (lame_init_params(flags) < 0) return nullptr;
    return std::make_unique<LameStream>(std::move(lame), channels, config.infoFrame == 1);
}

uint32_t LameStream::encode(std::span<const int16_t> samples, uint8_t* output, uint32_t& produced)
{
    if (samples.size() > samplesPerChunk() || samples.size() % channels_ != 0) {
        return BE_ERR_BAD_ARGUMENT;
    }
    std::lock_guard lock(mutex_);
    if (flushed_) return BE_ERR_STREAM_STATE;
    const int frames = static_cast<int>(samples.size() / channels_);
    // LAME copies its input before working on it; its interleaved entry point only lacks const.
    short* pcm = const_cast<int16_t*>(samples.data());
    const int result =
        channels_ == 2
            ? lame_encode_buffer_interleaved(lame_.get(), pcm, frames, output, kOutputBufferBytes)
            : lame_encode_buffer(lame_.get(), pcm, pcm, frames, output, kOutputBufferBytes);
    return takeLameResult(result, produced);
}

uint32_t LameStream::flush(uint8_t* output, uint32_t& produced)
{
    std::lock_guard lock(mutex_);
    if (flushed_) return BE_ERR_STREAM_STATE;
    flushed_ = true;
    return takeLameResult(lame_encode_flush(lame_.get(), output, kOutputBufferBytes), produced);
}

uint32_t LameStream::infoFrame(uint8_t* output, uint32_t& produced)
{
    std::lock_guard lock(mutex_);
    if (!flushed_ || !infoFrame_) return BE_ERR_STREAM_STATE;
    const std::size_t size = lame_get_lametag_frame(lame_.get(), output, kOutputBufferBytes);
    // LAME answers 0 when it has no frame, and the size it would need when the buffer is short.
    if (size == 0 || size > kOutputBufferBytes) return BE_ERR_ENCODER;
    produced = static_cast<uint32_t>(size);
    return BE_OK;
}

}  // namespace bladeenc
