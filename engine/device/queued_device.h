#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "buffer_queue.h"
#include "device_worker.h"
#include "wave_device.h"

namespace brenvik::device {

// What every back end's device shares: the header queue under one mutex, the frame count, the
// callback, and the thread the callbacks run on: a DeviceWorker, or none when a test's manual
// clock drives the device from its own thread.
class QueuedDevice : public virtual WaveDevice {
public:
    int32_t prepare(WaveHeader& header) override;
    int32_t unprepare(WaveHeader& header) override;
    int32_t reset() override;
    int32_t position(uint32_t& frames) override;
    int32_t close() override;

protected:
    // handBackMessage is what a finished header is handed back with (kOutputDone, kInputData).
    QueuedDevice(WaveCallback callback, void* context, uint32_t handBackMessage);
    ~QueuedDevice() override = default;

    int32_t enqueue(WaveHeader& header);

    void startWorker(std::chrono::microseconds interval, std::function<void()> tick);
    // Marks the device closed and joins its worker; concrete devices call it first thing in
    // their destructor, before the members their tick uses go away.
    void shutDown();

    // Hands a header back through the callback; never called with mutex_ held.
    void handBack(WaveHeader* header);
    void notify(uint32_t message);

    // Records bytes into the queued headers from the position reached so far, handing back each
    // header as it fills. Bytes that find no header queued are lost but counted.
    void capture(std::span<const std::byte> bytes);
    uint64_t bytesMoved();

    // Reset hook, run on the device's thread with mutex_ held: stop moving data and append any
    // header the device still holds outside the queue (older than the queued ones).
    virtual void stopMoving(std::vector<WaveHeader*>& heldHeaders) = 0;
    // Whether the device holds headers outside the queue that it has not handed back yet.
    virtual bool holdsHeaders() const { return false; }
    // Close hook, run on the closing thread once no tick runs any more.
    virtual void afterClose() {}

    // Runs job where this device's callbacks run: its worker thread, or inline without one.
    void onDeviceThread(const std::function<void()>& job);

    std::mutex mutex_;
    BufferQueue queue_;        // guarded by mutex_
    uint64_t bytesMoved_ = 0;  // guarded by mutex_; since open or the last reset
    bool open_ = true;         // guarded by mutex_

private:
    const WaveCallback callback_;
    void* const context_;
    const uint32_t handBackMessage_;
    std::unique_ptr<DeviceWorker> worker_;  // owned and used by the controlling thread only
};

}  // namespace brenvik::device
