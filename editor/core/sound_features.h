// SPDX-License-Identifier: GPL-3.0-or-later
// What the song finder knows of a track: the track's frames are read once, block by block, and
// boiled down to a few numbers per short stretch. Levels and peaks come at a fine step for the
// pauses; the spectral features come from a mono mix decimated to 11025 Hz, one frame every
// kHopFrames track frames, for telling music from speech and one song from the next.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "brenvik.h"

// Copies track frames from..to (to excluded) into values, left then right, as TrackReadFrames
// does; returns the number of frames copied, or a negative code.
using TrackFramesReader = std::function<int32_t(int32_t from, int32_t to, int16_t* values)>;

constexpr int32_t kBlockFrames = 512;  // a level block: 11.6 ms
constexpr int32_t kHopFrames = 2048;   // a spectral frame's step: 46.4 ms
constexpr int32_t kSampleRate = BRENVIK_SAMPLE_RATE;
constexpr int kPitchClasses = 12;
constexpr int kTimbreBands = 12;

struct SpectralFrame {
    float flatness = 1.0F;  // 0 for a pure tone to about 0.56 for white noise; 1 for silence
    std::array<float, kPitchClasses> chroma{};  // the energy of each pitch class, summing to 1
    std::array<float, kTimbreBands> bands{};    // the level of log-spaced bands, in dB
    // How far the difference of the channels lies below their sum, in dB: a lone voice, centred
    // as a microphone is, sits far below (-60 and less); music's stereo image at -5 to -25.
    float sideBelowMidDb = 0.0F;

    bool operator==(const SpectralFrame&) const = default;
};

struct SoundFeatures {
    int32_t frames = 0;
    std::vector<float> blockLevels;    // the mono mix's mean square in dBFS, one per block
    std::vector<uint16_t> blockPeaks;  // the largest magnitude of either channel, one per block
    std::vector<SpectralFrame> hops;   // one per kHopFrames frames, centred on the hop

    bool operator==(const SoundFeatures&) const = default;
};

// Lets a worker report how far it has come and be told to stop.
struct AnalysisControl {
    const std::atomic<bool>* cancel = nullptr;
    std::atomic<int32_t>* percent = nullptr;

    bool cancelled() const { return cancel != nullptr && cancel->load(); }
    void report(int64_t done, int64_t total) const;
};

// Boils a track down as its frames come, in runs of any length in track order: the features of
// the frames fed are the same, to the bit, however the frames were split into runs. What a
// frame or block needs of its neighbours (the decimation, the overlap of the windows) is kept
// between runs.
class FeatureStream {
public:
    explicit FeatureStream(int32_t expectedFrames = 0);  // reserves room for that many frames
    ~FeatureStream();
    FeatureStream(FeatureStream&&) noexcept;
    FeatureStream& operator=(FeatureStream&&) noexcept;

    // Adds count frames of interleaved values (left, right, left, ...).
    void feed(const int16_t* values, int32_t count);
    int64_t frames() const;  // fed so far
    // Hands out the blocks and hops complete so far, in order, that were not handed out yet;
    // frames is the number of frames fed. Blocks and hops come out once each, here or from
    // finish(), so a long stream need not keep them all.
    SoundFeatures takeCompleted();
    // Ends the track: its last partial block, and the hops whose windows reach past its end
    // (silence there). Returns what takeCompleted() has not handed out. Feed nothing after.
    SoundFeatures finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Reads frames 0 .. frames - 1 once. Nothing when cancelled or when the reader fails.
std::optional<SoundFeatures> extractFeatures(TrackFramesReader read, int32_t frames,
                                             const AnalysisControl& control = {});
