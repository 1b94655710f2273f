// SPDX-License-Identifier: GPL-3.0-or-later
// Byte images of WAV files, built field by field so that a test shows every header value it
// sets, including the broken ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace wav_image {

inline std::string le16(uint16_t value)
{
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

inline std::string le32(uint32_t value)
{
    return le16(static_cast<uint16_t>(value & 0xFFFF)) + le16(static_cast<uint16_t>(value >> 16));
}

// A chunk: its id, its size (the body's own unless declaredSize is given), the body and, after
// a body of odd length, a pad byte.
inline std::string chunk(const std::string& id, const std::string& body,
                         std::optional<uint32_t> declaredSize = std::nullopt)
{
    return id + le32(declaredSize.value_or(static_cast<uint32_t>(body.size()))) + body +
           (body.size() % 2 ? "\x7F" : "");
}

// A "fmt " chunk with the byte rate and block align that follow from the other fields;
// extension goes after the bits per sample.
inline std::string formatChunk(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                               const std::string& extension = "",
                               std::optional<uint32_t> declaredSize = std::nullopt)
{
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return chunk("fmt ",
                 le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) +
                     le16(bits) + extension,
                 declaredSize);
}

// The RIFF header, the form type "WAVE" and the chunks; the RIFF size is the true one unless
// declaredSize is given.
inline std::string riff(const std::string& chunks, const std::string& id = "RIFF",
                        std::optional<uint32_t> declaredSize = std::nullopt)
{
    return id + le32(declaredSize.value_or(static_cast<uint32_t>(4 + chunks.size()))) + "WAVE" +
           chunks;
}

// 16-bit values as they lie in a file.
inline std::string values(const std::vector<int16_t>& samples)
{
    std::string bytes;
    for (int16_t sample : samples) {
        bytes += le16(static_cast<uint16_t>(sample));
    }
    return bytes;
}

// Stereo frames whose frame i holds (100 + i, -100 - i).
inline std::string stereoFrames(int count)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < count; ++i) {
        samples.push_back(static_cast<int16_t>(100 + i));
        samples.push_back(static_cast<int16_t>(-100 - i));
    }
    return values(samples);
}

// Stereo frames whose frame n holds the counter n as the simulated card records it: the low
// half n & 0xFFFF left, the high half n >> 16 right.
inline std::string counterFrames(uint32_t count)
{
    std::string audio;
    for (uint32_t n = 0; n < count; ++n) {
        audio += le32(n);
    }
    return audio;
}

// A file with a 44-byte header as a plain writer makes it: a 16-bit PCM format chunk, then the
// data chunk with audio (which declares its true size unless declaredDataSize is given).
inline std::string wave(const std::string& audio, uint16_t channels = 2, uint32_t rate = 44100,
                        std::optional<uint32_t> declaredDataSize = std::nullopt)
{
    return riff(formatChunk(1, channels, rate, 16) + chunk("data", audio, declaredDataSize));
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace wav_image
