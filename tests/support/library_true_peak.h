// SPDX-License-Identifier: GPL-3.0-or-later
// libebur128's own true peak of interleaved 16-bit stereo at 44100 Hz, fed in parts: the
// reference the editor's true peak is checked and timed against.
#pragma once

#include <ebur128.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

class LibraryTruePeak {
public:
    LibraryTruePeak()
        : state_(ebur128_init(2, 44100, EBUR128_MODE_TRUE_PEAK))
    {}
    ~LibraryTruePeak() { ebur128_destroy(&state_); }
    LibraryTruePeak(const LibraryTruePeak&) = delete;
    LibraryTruePeak& operator=(const LibraryTruePeak&) = delete;

    void add(const int16_t* values, size_t frames)
    {
        ebur128_add_frames_short(state_, values, frames);
    }

    // The larger of the two channels' true peaks, as a fraction of full scale.
    double peak() const
    {
        double peak = 0;
        for (unsigned channel = 0; channel < 2; ++channel) {
            double channelPeak = 0;
            ebur128_true_peak(state_, channel, &channelPeak);
            peak = std::max(peak, channelPeak);
        }
        return peak;
    }

private:
    ebur128_state* state_;
};
