// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>

namespace brenvik::device {

// A single-producer single-consumer ring of bytes that never blocks or allocates after
// construction, to pass audio to and from a real-time callback. clear() may only be called
// while neither side is running.
class ByteRing {
public:
    explicit ByteRing(std::size_t capacity)
        : bytes_(std::make_unique<std::byte[]>(capacity)),
          capacity_(capacity)
    {}

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
        forEachRun(at, count, [&](std::size_t index, std::size_t offset, std::size_t run) {
            std::memcpy(&bytes_[index], data.data() + offset, run);
        });
        written_.store(at + count, std::memory_order_release);
        return count;
    }
    // Producer side: appends count zero bytes as far as they fit; returns the bytes appended.
    std::size_t pushSilence(std::size_t count)
    {
        count = std::min(count, writable());
        const std::size_t at = written_.load(std::memory_order_relaxed);
        forEachRun(at, count, [&](std::size_t index, std::size_t, std::size_t run) {
            std::memset(&bytes_[index], 0, run);
        });
        written_.store(at + count, std::memory_order_release);
        return count;
    }

    // Consumer side: takes up to out.size() bytes; returns the bytes taken.
    std::size_t pop(std::span<std::byte> out)
    {
        const std::size_t count = std::min(out.size(), readable());
        const std::size_t at = read_.load(std::memory_order_relaxed);
        forEachRun(at, count, [&](std::size_t index, std::size_t offset, std::size_t run) {
            std::memcpy(out.data() + offset, &bytes_[index], run);
        });
        read_.store(at + count, std::memory_order_release);
        return count;
    }

    void clear() { read_.store(written_.load()); }

private:
    // The count bytes from the stream position at lie in at most two runs of the storage: up to
    // its end, then from its start. visit(index, offset, run) is called for each non-empty run,
    // offset counting from the first of the count bytes.
    template <typename Visit>
    void forEachRun(std::size_t at, std::size_t count, Visit visit)
    {
        const std::size_t index = at % capacity_;
        const std::size_t first = std::min(count, capacity_ - index);
        if (first > 0) {
            visit(index, 0, first);
        }
        if (count > first) {
            visit(0, first, count - first);
        }
    }

    std::unique_ptr<std::byte[]> bytes_;
    const std::size_t capacity_;
    std::atomic<std::size_t> written_{0};  // total bytes ever pushed
    std::atomic<std::size_t> read_{0};     // total bytes ever popped
};

// Whole records through a ByteRing, to pass notes from a real-time callback: one is pushed only
// when it fits whole, so the consumer never sees part of one. clear() as ByteRing's.
template <typename Record>
class RecordRing {
    static_assert(std::is_trivially_copyable_v<Record>);

public:
    explicit RecordRing(std::size_t capacity)
        : bytes_(capacity * sizeof(Record))
    {}

    bool push(const Record& record)
    {
        return bytes_.writable() >= sizeof record &&
               bytes_.push(std::as_bytes(std::span(&record, 1))) == sizeof record;
    }
    bool pop(Record& record)
    {
        return bytes_.readable() >= sizeof record &&
               bytes_.pop(std::as_writable_bytes(std::span(&record, 1))) == sizeof record;
    }
    void clear() { bytes_.clear(); }

private:
    ByteRing bytes_;
};

}  // namespace brenvik::device
