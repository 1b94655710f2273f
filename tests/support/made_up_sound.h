// SPDX-License-Identifier: GPL-3.0-or-later
// Frames with something in them for every feature of the song finder: tones that change pitch,
// noise that changes level, and stretches of silence, from a fixed seed. Shared by the tests
// that compare features computed in different ways.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

inline std::vector<int16_t> madeUpSound(int32_t frames, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<int16_t> values;
    values.reserve(size_t(frames) * 2);
    constexpr int32_t kStretch = 9000;  // about 0.2 s of one kind of sound
    double pitch = 220.0;
    double noise = 0.0;
    double phase = 0.0;
    for (int32_t n = 0; n < frames; ++n) {
        if (n % kStretch == 0) {
            pitch = 110.0 * std::pow(2.0, 3.0 * (unit(random) + 1.0));
            noise = (unit(random) + 1.0) * 3000.0;
        }
        const bool silent = (n / kStretch) % 7 == 3;
        phase += 2.0 * std::numbers::pi * pitch / 44100.0;
        const double tone = silent ? 0.0 : 9000.0 * std::sin(phase);
        const double hiss = silent ? 0.0 : noise * unit(random);
        values.push_back(int16_t(std::lround(tone + hiss)));
        values.push_back(int16_t(std::lround(0.5 * tone - hiss)));
    }
    return values;
}
