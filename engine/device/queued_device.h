// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "buffer_queue.h"
#include "device_worker.h"
#include "wave_device.h"

namespace brenvik::device {

// The most bytes a device moves in one step, through a buffer on its thread's stack.
inline constexpr std::size_t kChunkBytes = 4096;
// How often the pump of a back end that feeds a ring from its own callback (PortAudio) moves
// bytes between that ring and the queued headers, on the device's thread.
inline constexpr std::chrono::microseconds kPumpInterval{5000};

// A queued device's state as a step run under its lock sees it.
struct LockedQueue {
    BufferQueue& queue;
    uint64_t& bytesMoved;                // since open or the last reset
    std::vector<WaveHeader*>& finished;  // marked done, and handed back once the lock is released
    std::deque<LostStretch>& lost;       // since the input last started
};

// What moves a queued device's data, as its queue sees it: the simulated card's clock or a
// PortAudio stream. The hooks run with the queue's lock held, unless they say otherwise.
class DeviceStream {
public:
    // Reset, on the device's thread: stop moving data and put any header held outside the queue
    // into locked.finished (they are older than the queued ones).
    virtual void stopMoving(LockedQueue& locked) = 0;
    // Whether headers are held outside the queue that have not been handed back yet.
    virtual bool holdsHeaders() const { return false; }
    // Close, on the closing thread once no tick runs any more, without the lock.
    virtual void afterClose() {}

protected:
    ~DeviceStream() = default;
};

// What every back end's device shares: the header queue under one lock, the frame count, the
// callback, and the thread the callbacks run on: a DeviceWorker, or none when a test's manual
// clock drives the device from its own thread. A device owns one and implements the operations
// that both directions share with it (QueuedWaveDevice).
class QueuedDevice {
public:
    // handBackMessage is what a finished header is handed back with (kOutputDone, kInputData).
    QueuedDevice(WaveCallback callback, void* context, uint32_t handBackMessage,
                 DeviceStream& stream);
    QueuedDevice(const QueuedDevice&) = delete;
    QueuedDevice& operator=(const QueuedDevice&) = delete;

    int32_t prepare(WaveHeader& header);
    int32_t unprepare(WaveHeader& header);
    int32_t enqueue(WaveHeader& header);
    int32_t reset();
    int32_t position(uint32_t& frames);
    int32_t close();

    void startWorker(std::chrono::microseconds interval, std::function<void()> tick);
    // Marks the device closed and joins its worker; a device calls it first thing in its
    // destructor, before the members its tick uses go away.
    void shutDown();
    // Runs job where this device's callbacks run: its worker thread, or inline without one.
    void onDeviceThread(const std::function<void()>& job);

    bool isOpen();
    uint64_t bytesMoved();

    // Runs step(LockedQueue&) with the lock held, unless the device is closed (then false). The
    // headers step puts in finished are marked done there and handed back through the callback
    // once the lock is released, in that order.
    template <typename Step>
    bool underLock(Step step)
    {
        std::vector<WaveHeader*> finished;
        {
            std::lock_guard lock(mutex_);
            if (!open_) {
                return false;
            }
            LockedQueue locked{queue_, bytesMoved_, finished, lost_};
            step(locked);
            for (WaveHeader* header : finished) {
                BufferQueue::markDone(*header);
            }
        }
        for (WaveHeader* header : finished) {
            handBack(header);
        }
        return true;
    }

    // Records bytes into the queued headers from the position reached so far, handing back each
    // header as it fills, then tells the capture watcher how far the header in front has come.
    // Bytes that find no header queued are lost but counted.
    void capture(std::span<const std::byte> bytes);
    void watchCapture(WaveCallback watcher, void* context);
    // Plays up to `bytes` queued bytes, chunk by chunk: each chunk goes to played(chunk) with the
    // lock held and counts as moved, and each header read to its end is handed back before the
    // next chunk (its callback may queue more). Stops early when nothing is queued.
    void play(uint64_t bytes, const std::function<void(std::span<const std::byte>)>& played);

    // Passes message (kInputOpen, kInputClose) to the callback.
    void notify(uint32_t message);

    // An input's record of what it could not deliver: noteLost (with the lock held) adds frames
    // lost from frame count at on; forgetLost starts afresh (a start).
    static void noteLost(LockedQueue& locked, uint32_t at, uint32_t frames);
    void forgetLost();
    std::vector<LostStretch> lostStretches();

private:
    void handBack(WaveHeader* header);

    const WaveCallback callback_;
    void* const context_;
    const uint32_t handBackMessage_;
    DeviceStream& stream_;
    std::mutex mutex_;
    BufferQueue queue_;                      // guarded by mutex_
    uint64_t bytesMoved_ = 0;                // guarded by mutex_
    bool open_ = true;                       // guarded by mutex_
    std::deque<LostStretch> lost_;           // guarded by mutex_
    WaveCallback captureWatcher_ = nullptr;  // guarded by mutex_
    void* captureWatcherContext_ = nullptr;  // guarded by mutex_
    std::unique_ptr<DeviceWorker> worker_;   // owned and used by the controlling thread only
};

// A WaveOutput or WaveInput whose operations shared by both directions are those of its
// QueuedDevice. A device composes its queue with what moves its data (its DeviceStream) rather
// than inheriting one from each, so that no base class shares data with it.
template <typename Interface>
class QueuedWaveDevice : public Interface {
public:
    int32_t prepare(WaveHeader& header) final { return queue_.prepare(header); }
    int32_t unprepare(WaveHeader& header) final { return queue_.unprepare(header); }
    int32_t reset() final { return queue_.reset(); }
    int32_t position(uint32_t& frames) final { return queue_.position(frames); }
    int32_t close() final { return queue_.close(); }
    void watchCapture(WaveCallback watcher, void* context) final
    {
        queue_.watchCapture(watcher, context);
    }

protected:
    QueuedWaveDevice(WaveCallback callback, void* context, uint32_t handBackMessage,
                     DeviceStream& stream)
        : queue_(callback, context, handBackMessage, stream)
    {}

    QueuedDevice& queue() { return queue_; }

private:
    QueuedDevice queue_;
};

}  // namespace brenvik::device
