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

#include <chrono>
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

// What the ring held before the recording, boiled down a stretch each pass ahead of the card's
// write position: until the ring has wrapped, the turned track begins with it.
class PriorAudio {
public:
    void begin(int32_t ringFrames);
    // A pass of the follow loop with the card at position: the next stretch is read, as long
    // as it lies ahead of the card.
    void follow(const EngineApi& engine, int32_t position, std::vector<int16_t>& buffer);
    // The recording has stopped: the rest up to the ring's end is read at once.
    void complete(const EngineApi& engine, std::vector<int16_t>& buffer);
    void abandon();  // the ring has wrapped: what it held before is gone
    // Whether the ring's frames from `from` to its end have all been boiled down.
    bool covers(int64_t from) const;
    const FeatureRing& features() const { return ring_; }

private:
    void startAhead(int32_t position);
    void readStretch(const EngineApi& engine, std::vector<int16_t>& buffer);

    int32_t ringFrames_ = 0;
    int32_t start_ = -1;  // the first frame read, a whole hop; -1 before the first pass
    int32_t next_ = 0;    // the next frame to read
    bool complete_ = false;
    bool failed_ = false;
    FeatureStream stream_;
    FeatureRing ring_;
    int64_t blocks_ = 0;  // the ring's block and hop of the next piece
    int64_t hops_ = 0;
};

class LiveFeatures {
public:
    explicit LiveFeatures(const EngineApi& engine)
        : engine_(engine)
    {}

    // A recording starts into a ring of ringFrames, from its frame 0.
    void begin(int32_t ringFrames);
    // A pass of the follow loop: the frames up to the ring's write position are read and added,
    // and a stretch of what the ring held before is boiled down.
    void follow(int32_t position);
    // The recording has stopped; turn is the engine's turn of the ring (-1: not turned), and
    // inputLost whether the card lost input meanwhile (then the ring is not where the frame
    // count says, and nothing is made ready).
    void stopped(int32_t turn, bool inputLost);
    // The track's audio has changed: what was ready no longer describes it.
    void forget() { ready_.reset(); }
    // The same by an edit, which during a recording (a fade nested in it) also changes frames
    // already gathered: then nothing is made ready at Stop.
    void edited();

    const std::optional<ReadyFeatures>& ready() const { return ready_; }

private:
    void abandon();  // nothing is made ready at this recording's Stop
    bool readAndFeed(int32_t from, int32_t to);
    void storeCompleted(SoundFeatures piece);
    // The turned track from its frame first on, after a recording of total frames that filled
    // the ring (the recording alone) or did not (what the ring held, then the recording).
    std::optional<ReadyFeatures> wrappedFeatures(int64_t total, int32_t ring, int32_t first);
    std::optional<ReadyFeatures> unwrappedFeatures(int64_t total, int32_t ring, int32_t first);
    // Hops firstHop to endHop (and their blocks) computed again from the turned track.
    bool recompute(ReadyFeatures& ready, int64_t firstHop, int64_t endHop);

    const EngineApi& engine_;
    int32_t ringFrames_ = 0;  // 0 while no recording is followed
    int32_t lastPosition_ = 0;
    std::chrono::steady_clock::time_point lastPass_;
    int64_t recorded_ = 0;  // frames fed to the stream
    int64_t storedBlocks_ = 0;
    int64_t storedHops_ = 0;
    FeatureStream stream_;
    FeatureRing ring_;
    PriorAudio prior_;
    std::vector<int16_t> buffer_;
    std::optional<ReadyFeatures> ready_;
};
