// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>

#include "frame.h"
#include "frame_range.h"
#include "take_file.h"

namespace brenvik {

// The track and the scratch block of an open engine, allocated and freed together; empty while
// the engine is closed. Their addresses stay fixed while a device may write into the track. The
// track lies in process memory or in the frames of a take file, which keeps it past the process.
class SessionMemory {
public:
    // The longest track whose bytes a device buffer can still count (32-bit lengths).
    static constexpr int32_t kMaxFrames = 0x3FFFFFFF;

    // Allocates a zeroed track of `frames` frames and a scratch block of frames / 2 bytes;
    // false, with nothing held, when frames is out of range or the memory is not there.
    bool allocate(int32_t frames);
    // Keeps the track in the frames of take (its length) and allocates the scratch block; false,
    // with nothing held, when the memory for the scratch block is not there.
    bool adopt(TakeFile take);
    // The take file that holds the track; null for a track in memory.
    TakeFile* take() { return take_ ? &*take_ : nullptr; }

    bool empty() const { return length_ == 0; }
    int64_t length() const { return length_; }
    std::span<Frame> frames() { return {track_, static_cast<std::size_t>(length_)}; }
    std::span<Frame> frames(FrameRange range) { return frames().subspan(range.from, range.size()); }
    std::span<std::byte> scratch() { return {scratch_.get(), scratchBytes_}; }

    // A 16-bit value by value index (frame * 2 + channel), sign-extended; BRENVIK_OUTSIDE_TRACK
    // outside the track.
    int32_t readValue(int32_t index) const;
    // Stores the low 16 bits of value; BRENVIK_OUTSIDE_TRACK outside the track, else 0.
    int32_t writeValue(int32_t index, int32_t value);
    void clear(FrameRange range);
    // Copies the frames of from..to out to values or in from them, two values a frame; the
    // number of frames, or BRENVIK_OUTSIDE_TRACK when the range is not inside the track or
    // values is null.
    int32_t readFrames(int32_t from, int32_t to, int16_t* values) const;
    int32_t writeFrames(int32_t from, int32_t to, const int16_t* values);

private:
    struct FreeDeleter {
        void operator()(void* block) const { std::free(block); }
    };
    Frame* frameOfValue(int32_t index) const;
    bool holds(int32_t from, int32_t to) const { return 0 <= from && from <= to && to <= length_; }

    // The scratch block of a track of frames frames; false when it cannot be had.
    bool allocateScratch(int32_t frames);

    std::unique_ptr<Frame[], FreeDeleter> heapTrack_;  // the track, when it is in memory
    std::optional<TakeFile> take_;                     // the track, when it is in a file
    Frame* track_ = nullptr;                           // the first frame of either
    std::unique_ptr<std::byte[], FreeDeleter> scratch_;
    int64_t length_ = 0;
    std::size_t scratchBytes_ = 0;
};

}  // namespace brenvik
