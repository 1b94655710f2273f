// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The fields of an MPEG-1 Layer III frame header, as the tests check them.
struct Mp3FrameHeader {
    int bitrate;     // kbit/s
    int sampleRate;  // Hz
    int mode;        // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool crc;
    bool privateBit;
    bool copyright;
    bool original;
    std::size_t length;  // bytes, header included
};

// The header at bytes, or nothing when it is not a valid MPEG-1 Layer III header.
inline std::optional<Mp3FrameHeader> parseMp3FrameHeader(const uint8_t* bytes)
{
    static constexpr std::array<int, 15> kBitrates = {0,   32,  40,  48,  56,  64,  80, 96,
                                                      112, 128, 160, 192, 224, 256, 320};
    static constexpr std::array<int, 3> kSampleRates = {44100, 48000, 32000};
    const bool sync = bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0;
    const bool mpeg1 = ((bytes[1] >> 3) & 3) == 3;
    const bool layer3 = ((bytes[1] >> 1) & 3) == 1;
    const int bitrateIndex = bytes[2] >> 4;
    const int rateIndex = (bytes[2] >> 2) & 3;
    if (!sync || !mpeg1 || !layer3 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return std::nullopt;
    }
    Mp3FrameHeader header{};
    header.bitrate = kBitrates[bitrateIndex];
    header.sampleRate = kSampleRates[rateIndex];
    header.mode = bytes[3] >> 6;
    header.crc = (bytes[1] & 1) == 0;  // the bit is set when there is no CRC
    header.privateBit = bytes[2] & 1;
    header.copyright = (bytes[3] >> 3) & 1;
    header.original = (bytes[3] >> 2) & 1;
    const int padding = (bytes[2] >> 1) & 1;
    header.length =
        static_cast<std::size_t>(144 * header.bitrate * 1000 / header.sampleRate + padding);
    return header;
}

// The size of the ID3v2 tag at the start of file, header included; 0 when there is none.
inline std::size_t id3TagBytes(const std::vector<uint8_t>& file)
{
    if (file.size() < 10 || file[0] != 'I' || file[1] != 'D' || file[2] != '3') return 0;
    return 10 + (std::size_t(file[6]) << 21 | std::size_t(file[7]) << 14 |
                 std::size_t(file[8]) << 7 | file[9]);
}

// Every frame from the start of the file, one after the other; empty when the file does not
// consist of whole valid frames only.
inline std::vector<Mp3FrameHeader> mp3Frames(const std::vector<uint8_t>& file)
{
    std::vector<Mp3FrameHeader> frames;
    for (std::size_t at = 0; at < file.size();) {
        const auto header = file.size() - at >= 4 ? parseMp3FrameHeader(&file[at]) : std::nullopt;
        if (!header || at + header->length > file.size()) return {};
        frames.push_back(*header);
        at += header->length;
    }
    return frames;
}
