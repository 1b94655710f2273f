// SPDX-License-Identifier: GPL-3.0-or-later
#include "buffer_queue.h"

#include <algorithm>
#include <cstring>

namespace brenvik::device {

int32_t BufferQueue::prepare(WaveHeader& header)
{
    header.flags |= kHeaderPrepared;
    return kNoError;
}

int32_t BufferQueue::unprepare(WaveHeader& header)
{
    if (header.flags & kHeaderInQueue) {
        return kStillPlaying;
    }
    header.flags &= ~kHeaderPrepared;
    return kNoError;
}

int32_t BufferQueue::add(WaveHeader& header)
{
    if (!(header.flags & kHeaderPrepared)) {
        return kUnprepared;
    }
    if (header.flags & kHeaderInQueue) {
        return kStillPlaying;
    }
    header.flags = (header.flags | kHeaderInQueue) & ~kHeaderDone;
    header.bytesRecorded = 0;
    queue_.push_back(&header);
    return kNoError;
}

template <typename Copy>
std::size_t BufferQueue::moveFront(std::size_t wanted, WaveHeader*& completed, Copy copy)
{
    completed = nullptr;
    if (queue_.empty()) {
        return 0;
    }
    WaveHeader& front = *queue_.front();
    const std::size_t moved =
        std::min<std::size_t>(front.bufferLength - front.bytesRecorded, wanted);
    if (moved > 0) {
        copy(front.data + front.bytesRecorded, moved);
    }
    front.bytesRecorded += static_cast<uint32_t>(moved);
    if (front.bytesRecorded >= front.bufferLength) {
        completed = &front;
        queue_.pop_front();
    }
    return moved;
}

std::size_t BufferQueue::fill(std::span<const std::byte> bytes, WaveHeader*& filled)
{
    return moveFront(bytes.size(), filled, [&](std::byte* at, std::size_t count) {
        std::memcpy(at, bytes.data(), count);
    });
}

std::size_t BufferQueue::drain(std::span<std::byte> bytes, WaveHeader*& emptied)
{
    return moveFront(bytes.size(), emptied, [&](const std::byte* at, std::size_t count) {
        std::memcpy(bytes.data(), at, count);
    });
}

std::vector<WaveHeader*> BufferQueue::takeAll()
{
    std::vector<WaveHeader*> all(queue_.begin(), queue_.end());
    queue_.clear();
    return all;
}

void BufferQueue::markDone(WaveHeader& header)
{
    header.flags = (header.flags & ~kHeaderInQueue) | kHeaderDone;
}

}  // namespace brenvik::device
