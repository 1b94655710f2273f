// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "wave_device.h"

namespace brenvik::device {

// The queue of headers of one device and the platform's rules for them. Not synchronised: the
// device guards it with its own mutex. Data moves byte-wise, so a frame may straddle two headers.
class BufferQueue {
public:
    static int32_t prepare(WaveHeader& header);
    static int32_t unprepare(WaveHeader& header);
    int32_t add(WaveHeader& header);

    bool empty() const { return queue_.empty(); }
    // The header that data moves into or out of next; null when nothing is queued.
    WaveHeader* front() const { return queue_.empty() ? nullptr : queue_.front(); }

    // Copies bytes into the front header. Returns the bytes taken (0 when nothing is queued);
    // when the front header becomes full it leaves the queue and is returned in filled.
    std::size_t fill(std::span<const std::byte> bytes, WaveHeader*& filled);
    // Copies bytes out of the front header. Returns the bytes given; when the front header has
    // been read to its end it leaves the queue and is returned in emptied.
    std::size_t drain(std::span<std::byte> bytes, WaveHeader*& emptied);

    // Removes every header, front first (a reset).
    std::vector<WaveHeader*> takeAll();

    // Hands a header back to its owner: in-queue cleared, done set.
    static void markDone(WaveHeader& header);

private:
    // Moves up to wanted bytes between the front header and the caller through copy(at, count);
    // a front header that is complete afterwards leaves the queue and is returned in completed.
    template <typename Copy>
    std::size_t moveFront(std::size_t wanted, WaveHeader*& completed, Copy copy);

    std::deque<WaveHeader*> queue_;
};

}  // namespace brenvik::device
