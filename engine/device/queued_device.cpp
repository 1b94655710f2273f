// SPDX-License-Identifier: GPL-3.0-or-later
#include "queued_device.h"

#include <algorithm>
#include <array>

#include "frame.h"

namespace brenvik::device {

namespace {

// A recording that loses input again and again keeps the newest stretches only: older ones have
// long been overwritten in the ring.
constexpr std::size_t kMostLostStretches = 4096;

}  // namespace

QueuedDevice::QueuedDevice(WaveCallback callback, void* context, uint32_t handBackMessage,
                           DeviceStream& stream)
    : callback_(callback),
      context_(context),
      handBackMessage_(handBackMessage),
      stream_(stream)
{}

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

bool QueuedDevice::isOpen()
{
    std::lock_guard lock(mutex_);
    return open_;
}

uint64_t QueuedDevice::bytesMoved()
{
    std::lock_guard lock(mutex_);
    return bytesMoved_;
}

int32_t QueuedDevice::reset()
{
    if (!isOpen()) {
        return kInvalidHandle;
    }
    onDeviceThread([this] {
        underLock([this](LockedQueue& locked) {
            stream_.stopMoving(locked);
            for (WaveHeader* header : locked.queue.takeAll()) {
                locked.finished.push_back(header);
            }
            locked.bytesMoved = 0;
        });
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
        if (!queue_.empty() || stream_.holdsHeaders()) {
            return kStillPlaying;
        }
        open_ = false;
    }
    worker_.reset();
    stream_.afterClose();
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
    const auto captureChunk = [&](LockedQueue& locked) {
        WaveHeader* filled = nullptr;
        std::size_t taken = locked.queue.fill(bytes.subspan(offset), filled);
        if (taken == 0 && filled == nullptr) {
            taken = bytes.size() - offset;  // no header queued: these frames are lost
        }
        locked.bytesMoved += taken;
        offset += taken;
        if (filled != nullptr) {
            locked.finished.push_back(filled);
        }
    };
    while (offset < bytes.size() && underLock(captureChunk)) {
    }
    WaveCallback watcher = nullptr;
    void* watcherContext = nullptr;
    WaveHeader* front = nullptr;
    underLock([&](LockedQueue& locked) {
        watcher = captureWatcher_;
        watcherContext = captureWatcherContext_;
        front = locked.queue.front();
    });
    if (watcher != nullptr && front != nullptr) {
        watcher(watcherContext, kInputMoved, front);
    }
}

void QueuedDevice::watchCapture(WaveCallback watcher, void* context)
{
    std::lock_guard lock(mutex_);
    captureWatcher_ = watcher;
    captureWatcherContext_ = context;
}

void QueuedDevice::play(uint64_t bytes,
                        const std::function<void(std::span<const std::byte>)>& played)
{
    std::array<std::byte, kChunkBytes> chunk;
    bool more = true;
    const auto playChunk = [&](LockedQueue& locked) {
        WaveHeader* emptied = nullptr;
        const std::size_t wanted = std::min<uint64_t>(bytes, chunk.size());
        const std::size_t given = locked.queue.drain(std::span(chunk).first(wanted), emptied);
        more = given > 0 || emptied != nullptr;
        if (given > 0) {
            played(std::span(chunk).first(given));
        }
        locked.bytesMoved += given;
        bytes -= given;
        if (emptied != nullptr) {
            locked.finished.push_back(emptied);
        }
    };
    while (bytes > 0 && more && underLock(playChunk)) {
    }
}

}  // namespace brenvik::device

namespace brenvik::device {

void QueuedDevice::noteLost(LockedQueue& locked, uint32_t at, uint32_t frames)
{
    if (!locked.lost.empty() && locked.lost.back().firstFrame + locked.lost.back().frames == at) {
        locked.lost.back().frames += frames;
        return;
    }
    if (locked.lost.size() == kMostLostStretches) {
        locked.lost.pop_front();
    }
    locked.lost.push_back({at, frames});
}

void QueuedDevice::forgetLost()
{
    std::lock_guard lock(mutex_);
    lost_.clear();
}

std::vector<LostStretch> QueuedDevice::lostStretches()
{
    std::lock_guard lock(mutex_);
    return {lost_.begin(), lost_.end()};
}

}  // namespace brenvik::device
