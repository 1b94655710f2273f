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

WaveHeader* BufferQueue::popIfComplete()
{
    WaveHeader* front = queue_.front();
    if (front->bytesRecorded < front->bufferLength) {
        return nullptr;
    }
    queue_.pop_front();
    return front;
}

std::size_t BufferQueue::fill(std::span<const std::byte> bytes, WaveHeader*& filled)
{
    filled = nullptr;
    if (queue_.empty()) {
        return 0;
    }
    WaveHeader& front = *queue_.front();
    const std::size_t room = front.bufferLength - front.bytesRecorded;
    const std::size_t taken = std::min(room, bytes.size());
    if (taken > 0) {
        std::memcpy(front.data + front.bytesRecorded, bytes.data(), taken);
    }
    front.bytesRecorded += static_cast<uint32_t>(taken);
    filled = popIfComplete();
    return taken;
}

std::size_t BufferQueue::drain(std::span<std::byte> bytes, WaveHeader*& emptied)
{
    emptied = nullptr;
    if (queue_.empty()) {
        return 0;
    }
    WaveHeader& front = *queue_.front();
    const std::size_t left = front.bufferLength - front.bytesRecorded;
    const std::size_t given = std::min(left, bytes.size());
    if (given > 0) {
        std::memcpy(bytes.data(), front.data + front.bytesRecorded, given);
    }
    front.bytesRecorded += static_cast<uint32_t>(given);
    emptied = popIfComplete();
    return given;
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
