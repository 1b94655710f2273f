#include "queued_device.h"

namespace brenvik::device {

QueuedDevice::QueuedDevice(WaveCallback callback, void* context, uint32_t handBackMessage)
    : callback_(callback), context_(context), handBackMessage_(handBackMessage)
{
}

int32_t QueuedDevice::prepare(WaveHeader& header)
{
    std::lock_guard lock(mutex_);
    return open_ ? BufferQueue::prepare(header) : kInvalidHandle;
}

int32_t QueuedDevice::unprepare(WaveHeader& header)
{
    std::lock_guard lock(mutex_);
    return open_ ? BufferQueue::unprepare(header) : kInvalidHandle;
}

int32_t QueuedDevice::enqueue(WaveHeader& header)
{
    std::lock_guard lock(mutex_);
    return open_ ? queue_.add(header) : kInvalidHandle;
}

int32_t QueuedDevice::position(uint32_t& frames)
{
    std::lock_guard lock(mutex_);
    frames = open_ ? static_cast<uint32_t>(bytesMoved_ / 4) : 0;
    return open_ ? kNoError : kInvalidHandle;
}

uint64_t QueuedDevice::bytesMoved()
{
    std::lock_guard lock(mutex_);
    return bytesMoved_;
}

int32_t QueuedDevice::reset()
{
    {
        std::lock_guard lock(mutex_);
        if (!open_) {
            return kInvalidHandle;
        }
    }
    onDeviceThread([this] {
        std::vector<WaveHeader*> handedBack;
        {
            std::lock_guard lock(mutex_);
            stopMoving(handedBack);
            for (WaveHeader* header : queue_.takeAll()) {
                handedBack.push_back(header);
            }
            for (WaveHeader* header : handedBack) {
                BufferQueue::markDone(*header);
            }
            bytesMoved_ = 0;
        }
        for (WaveHeader* header : handedBack) {
            handBack(header);
        }
    });
    return kNoError;
}

int32_t QueuedDevice::close()
{
    {
        std::lock_guard lock(mutex_);
        if (!open_) {
            return kInvalidHandle;
        }
        if (!queue_.empty() || holdsHeaders()) {
            return kStillPlaying;
        }
        open_ = false;
    }
    worker_.reset();
    afterClose();
    return kNoError;
}

void QueuedDevice::shutDown()
{
    {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    worker_.reset();
}

void QueuedDevice::startWorker(std::chrono::microseconds interval, std::function<void()> tick)
{
    worker_ = std::make_unique<DeviceWorker>(interval, std::move(tick));
}

void QueuedDevice::onDeviceThread(const std::function<void()>& job)
{
    if (worker_) {
        worker_->runAndWait(job);
    } else {
        job();
    }
}

void QueuedDevice::handBack(WaveHeader* header)
{
    callback_(context_, handBackMessage_, header);
}

void QueuedDevice::notify(uint32_t message)
{
    callback_(context_, message, nullptr);
}

void QueuedDevice::capture(std::span<const std::byte> bytes)
{
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        WaveHeader* filled = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (!open_) {
                return;
            }
            std::size_t taken = queue_.fill(bytes.subspan(offset), filled);
            if (taken == 0 && filled == nullptr) {
                taken = bytes.size() - offset;  // no header queued: these frames are lost
            }
            bytesMoved_ += taken;
            offset += taken;
            if (filled != nullptr) {
                BufferQueue::markDone(*filled);
            }
        }
        if (filled != nullptr) {
            handBack(filled);
        }
    }
}

}  // namespace brenvik::device
