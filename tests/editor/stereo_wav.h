// 16-bit stereo 44100 Hz PCM files that tests and benchmarks write for the simulated card to
// record from.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

// values: left, right, left, right ...
inline void writeStereoWav(const std::filesystem::path& path, const std::vector<int16_t>& values)
{
    const auto dataBytes = uint32_t(values.size() * 2);
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    out.write(reinterpret_cast<const char*>(values.data()), dataBytes);
}

// frames of a 441 Hz tone whose channels peak at the given fractions of full scale; above 1 the
// wave is cut off at full scale, as an input driven too hard is.
inline std::vector<int16_t> toneValues(double leftPeak, double rightPeak, int frames)
{
    std::vector<int16_t> values;
    for (int frame = 0; frame < frames; ++frame) {
        const double wave = std::sin(2 * std::numbers::pi * frame / 100.0);
        for (double peak : {leftPeak, rightPeak})
            values.push_back(int16_t(std::clamp(std::lround(wave * peak * 32767.0), -32768L, 32767L)));
    }
    return values;
}
