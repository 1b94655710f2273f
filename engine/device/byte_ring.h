#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>

namespace brenvik::device {

// A single-producer single-consumer ring of bytes that never blocks or allocates after
// construction, to pass audio to and from a real-time callback. clear() may only be called
// while neither side is running.
class ByteRing {
public:
    explicit ByteRing(std::size_t capacity)
        : bytes_(std::make_unique<std::byte[]>(capacity)), capacity_(capacity)
    {
    }

    std::size_t readable() const
    {
        return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed);
    }
    std::size_t writable() const
    {
        return capacity_ -
               (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
    }

    // Producer side: appends as much of data as fits; returns the bytes appended.
    std::size_t push(std::span<const std::byte> data)
    {
        const std::size_t count = std::min(data.size(), writable());
        const std::size_t at = written_.load(std::memory_order_relaxed);
        copyIn(at, data.first(count));
        written_.store(at + count, std::memory_order_release);
        return count;
    }
    // Producer side: appends count zero bytes as far as they fit; returns the bytes appended.
    std::size_t pushSilence(std::size_t count)
    {
        count = std::min(count, writable());
        const std::size_t at = written_.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < count; ++i) {
            bytes_[(at + i) % capacity_] = std::byte{0};
        }
        written_.store(at + count, std::memory_order_release);
        return count;
    }

    // Consumer side: takes up to out.size() bytes; returns the bytes taken.
    std::size_t pop(std::span<std::byte> out)
    {
        const std::size_t count = std::min(out.size(), readable());
        const std::size_t at = read_.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < count;) {
            const std::size_t index = (at + i) % capacity_;
            const std::size_t run = std::min(count - i, capacity_ - index);
            std::memcpy(out.data() + i, &bytes_[index], run);
            i += run;
        }
        read_.store(at + count, std::memory_order_release);
        return count;
    }

    void clear() { read_.store(written_.load()); }

private:
    void copyIn(std::size_t at, std::span<const std::byte> data)
    {
        for (std::size_t i = 0; i < data.size();) {
            const std::size_t index = (at + i) % capacity_;
            const std::size_t run = std::min(data.size() - i, capacity_ - index);
            std::memcpy(&bytes_[index], data.data() + i, run);
            i += run;
        }
    }

    std::unique_ptr<std::byte[]> bytes_;
    const std::size_t capacity_;
    std::atomic<std::size_t> written_{0};  // total bytes ever pushed
    std::atomic<std::size_t> read_{0};     // total bytes ever popped
};

}  // namespace brenvik::device
