// SPDX-License-Identifier: GPL-3.0-or-later
// The lowest and highest value of each channel over every block of 256 frames of the track and
// over every block of 65,536, so the view can draw the true extremes of the frames a column
// covers at any zoom without reading the whole track again. What changes the track marks the
// changed frames dirty; they are summed up again before the next answer.
#pragma once

#include <cstdint>
#include <vector>

#include "engine_binding.h"

// The extremes of some frames, per channel (0 left, 1 right). Empty until a frame is added.
struct ChannelExtremes {
    int16_t lowest[2] = {INT16_MAX, INT16_MAX};
    int16_t highest[2] = {INT16_MIN, INT16_MIN};

    bool empty() const { return lowest[0] > highest[0]; }
    void add(const ChannelExtremes& other);
    bool operator==(const ChannelExtremes&) const = default;
};

// The extremes of count frames of interleaved values (left, right, left, ...).
ChannelExtremes extremesOfFrames(const int16_t* values, int32_t count);

class TrackSummary {
public:
    static constexpr int32_t kFineFrames = 256;
    static constexpr int32_t kCoarseFrames = 65536;

    explicit TrackSummary(const EngineApi& engine)
        : engine_(engine)
    {}

    // A track of trackLength frames (0: none), all of it still to be summed up.
    void reset(int32_t trackLength);
    // Frames from up to, not including, to have changed.
    void markDirty(int32_t from, int32_t to);
    // The extremes of frames from up to, not including, to, clipped to the track; empty when
    // none of them lies in it or the engine cannot give them.
    ChannelExtremes extremes(int32_t from, int32_t to);

private:
    void refresh();
    void sumFineBlocks(int32_t firstBlock, int32_t endBlock);
    void sumCoarseBlocks(int32_t firstBlock, int32_t endBlock);
    ChannelExtremes readExtremes(int32_t from, int32_t to);
    ChannelExtremes fineExtremes(int32_t firstBlock, int32_t endBlock) const;

    const EngineApi& engine_;
    int32_t trackLength_ = 0;
    std::vector<ChannelExtremes> fine_;
    std::vector<ChannelExtremes> coarse_;
    int32_t dirtyFrom_ = 0;  // an empty range when dirtyTo_ <= dirtyFrom_
    int32_t dirtyTo_ = 0;
    std::vector<int16_t> buffer_;  // frames read from the engine
};
