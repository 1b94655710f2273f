// SPDX-License-Identifier: GPL-3.0-or-later
#include "session_memory.h"

#include <algorithm>
#include <cstring>

#include "brenvik.h"

namespace brenvik {

bool SessionMemory::allocate(int32_t frames)
{
    *this = SessionMemory();
    if (frames < 1 || frames > kMaxFrames) {
        return false;
    }
    // calloc hands out zeroed pages lazily, so a large track costs nothing until it is used.
    std::unique_ptr<Frame[], FreeDeleter> track(
        static_cast<Frame*>(std::calloc(static_cast<std::size_t>(frames), sizeof(Frame))));
    if (!track || !allocateScratch(frames)) {
        return false;
    }
    heapTrack_ = std::move(track);
    track_ = heapTrack_.get();
    length_ = frames;
    return true;
}

bool SessionMemory::adopt(TakeFile take)
{
    *this = SessionMemory();
    const auto frames = static_cast<int32_t>(take.frames().size());
    if (!allocateScratch(frames)) {
        return false;
    }
    take_ = std::move(take);
    track_ = take_->frames().data();
    length_ = frames;
    return true;
}

bool SessionMemory::allocateScratch(int32_t frames)
{
    const std::size_t scratchBytes = static_cast<std::size_t>(frames) / 2;
    scratch_.reset(static_cast<std::byte*>(std::calloc(std::max<std::size_t>(scratchBytes, 1), 1)));
    scratchBytes_ = scratch_ ? scratchBytes : 0;
    return scratch_ != nullptr;
}

Frame* SessionMemory::frameOfValue(int32_t index) const
{
    if (index < 0 || index >= 2 * length_) {
        return nullptr;
    }
    return &track_[index / 2];
}

int32_t SessionMemory::readValue(int32_t index) const
{
    const Frame* frame = frameOfValue(index);
    if (!frame) {
        return BRENVIK_OUTSIDE_TRACK;
    }
    return index % 2 ? frame->right : frame->left;
}

int32_t SessionMemory::writeValue(int32_t index, int32_t value)
{
    Frame* frame = frameOfValue(index);
    if (!frame) {
        return BRENVIK_OUTSIDE_TRACK;
    }
    (index % 2 ? frame->right : frame->left) = static_cast<int16_t>(value);
    return BRENVIK_OK;
}

void SessionMemory::clear(FrameRange range)
{
    std::ranges::fill(frames(range), Frame{0, 0});
}

int32_t SessionMemory::readFrames(int32_t from, int32_t to, int16_t* values) const
{
    if (values == nullptr || !holds(from, to)) {
        return BRENVIK_OUTSIDE_TRACK;
    }
    std::memcpy(values, track_ + from, std::size_t(to - from) * sizeof(Frame));
    return to - from;
}

int32_t SessionMemory::writeFrames(int32_t from, int32_t to, const int16_t* values)
{
    if (values == nullptr || !holds(from, to)) {
        return BRENVIK_OUTSIDE_TRACK;
    }
    std::memcpy(track_ + from, values, std::size_t(to - from) * sizeof(Frame));
    return to - from;
}

}  // namespace brenvik
