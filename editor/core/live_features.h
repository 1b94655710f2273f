// SPDX-License-Identifier: GPL-3.0-or-later
// The song finder's features of a recording, gathered while it runs: the follow loop hands over
// each pass the frames recorded since the last, they are boiled down in the order they were
// recorded, and what the ring still holds is kept. When Stop has turned the ring so the oldest
// frame comes first, the kept features are turned the same way, and Select Song decides on them
// at once instead of reading the whole track again.
//
// The features' steps are counted from the recording's first frame, and the turned track starts
// anywhere among them: the ready features therefore begin at the first whole step of the turned
// track, at most one step (46 ms) after its start, in the oldest audio. The few steps at that
// start are computed again from the turned track, as a fresh analysis of it sees them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine_binding.h"
#include "sound_features.h"

// Features of the track from firstFrame to its end, as extractFeatures gives them for those
// frames alone.
struct ReadyFeatures {
    int32_t firstFrame = 0;
    SoundFeatures features;
};

// The blocks and hops of the newest ring length of a stream, each in a slot of its own.
class FeatureRing {
public:
    void reset(int32_t ringFrames);
    // A piece of the stream whose first block and hop are the stream's firstBlock and firstHop.
    void put(const SoundFeatures& piece, int64_t firstBlock, int64_t firstHop);
    // blocks blocks from the stream's firstBlock on and hops hops from firstHop on.
    SoundFeatures take(int64_t firstBlock, int64_t blocks, int64_t firstHop, int64_t hops) const;

private:
    std::vector<float> levels_;
    std::vector<uint16_t> peaks_;
    std::vector<SpectralFrame> hops_;
};

class LiveFeatures {
public:
    explicit LiveFeatures(const EngineApi& engine)
        : engine_(engine)
    {}

    // A recording starts into a ring of ringFrames, from its frame 0.
    void begin(int32_t ringFrames);
    // A pass of the follow loop: the frames up to the ring's write position are read and added.
    void follow(int32_t position);
    // The recording has stopped; turn is the engine's turn of the ring (-1: not turned), and
    // inputLost whether the card lost input meanwhile (then the ring is not where the frame
    // count says, and nothing is made ready).
    void stopped(int32_t turn, bool inputLost);
    // The track's audio has changed: what was ready no longer describes it.
    void forget() { ready_.reset(); }

    const std::optional<ReadyFeatures>& ready() const { return ready_; }
    int64_t recordedFrames() const { return recorded_; }

private:
    bool readAndFeed(int32_t from, int32_t to);
    void storeCompleted();
    std::optional<ReadyFeatures> turnedFeatures(int64_t total, int32_t ring, int32_t first);
    bool recomputeStart(ReadyFeatures& ready);

    const EngineApi& engine_;
    int32_t ringFrames_ = 0;  // 0 while no recording is followed
    int32_t lastPosition_ = 0;
    int64_t recorded_ = 0;  // frames fed to the stream
    int64_t storedBlocks_ = 0;
    int64_t storedHops_ = 0;
    FeatureStream stream_;
    FeatureRing ring_;
    std::vector<int16_t> buffer_;
    std::optional<ReadyFeatures> ready_;
};
