// SPDX-License-Identifier: GPL-3.0-or-later
#include "take_keeper.h"

#include <algorithm>
#include <cstring>

#include "ring_reorder.h"

namespace brenvik {

namespace {

// As at a stop: a recording of fewer frames that never wrapped is left where it is.
constexpr int32_t kShortestTurnedRecording = 10;

}  // namespace

TakeKeeper::TakeKeeper(TakeFile& take)
    : take_(take),
      header_(take.header()),
      flusher_([this] { flushLoop(); })
{}

void TakeKeeper::recordingStarts(const std::string& source)
{
    live(header_.phase).store(TakeHeader::kRecording);
    live(header_.saved).store(0);
    live(header_.ringEnd).store(0);
    live(header_.recordedFrames).store(0);
    live(header_.flushedFrames).store(0);
    const int64_t now = wallClockMs();
    live(header_.startedMs).store(now);
    live(header_.lastFrameMs).store(now);
    header_.source.fill('\0');
    std::memcpy(header_.source.data(), source.data(),
                std::min(source.size(), header_.source.size() - 1));
    restartDue_.store(true);
    take_.flushHeader();
}

void TakeKeeper::framesRecorded(int32_t ringEnd)
{
    const int32_t length = header_.trackLength;
    const int32_t previous = live(header_.ringEnd).load(std::memory_order_relaxed);
    const int64_t moved = (int64_t{ringEnd} - previous + length) % length;
    live(header_.ringEnd).store(ringEnd, std::memory_order_relaxed);
    live(header_.lastFrameMs).store(wallClockMs(), std::memory_order_relaxed);
    const int64_t recorded = live(header_.recordedFrames).load(std::memory_order_relaxed);
    live(header_.recordedFrames).store(recorded + moved, std::memory_order_release);
}

void TakeKeeper::turning()
{
    live(header_.phase).store(TakeHeader::kTurning);
    take_.flushHeader();
}

void TakeKeeper::stopped()
{
    live(header_.phase).store(TakeHeader::kStopped);
    wholeDue_.store(true);
}

void TakeKeeper::saved()
{
    live(header_.saved).store(1);
    wholeDue_.store(true);
}

void TakeKeeper::replaced()
{
    live(header_.phase).store(TakeHeader::kEmpty);
    wholeDue_.store(true);
}

void TakeKeeper::flushLoop()
{
    std::unique_lock lock(flusher_.mutex);
    while (!flusher_.wake.wait_for(lock, kFlushInterval, [this] { return flusher_.stopping; })) {
        lock.unlock();
        if (wholeDue_.exchange(false)) {
            take_.flushAll();
            take_.flushHeader();
        } else {
            flushRecorded();
        }
        lock.lock();
    }
    // A clean close leaves everything on the disk.
    take_.flushAll();
}

void TakeKeeper::flushRecorded()
{
    if (restartDue_.exchange(false)) {
        flushedFrames_ = 0;
        flushedEnd_ = 0;
    }
    // The count is read first: the frames up to the end read after it hold at least that many.
    const int64_t recorded = live(header_.recordedFrames).load(std::memory_order_acquire);
    const int32_t end = live(header_.ringEnd).load(std::memory_order_relaxed);
    if (recorded < flushedFrames_) {
        flushedFrames_ = 0;  // a new recording started within the second
        flushedEnd_ = 0;
    }
    if (recorded == flushedFrames_) {
        return;
    }
    const int32_t length = header_.trackLength;
    bool written = true;
    if (recorded - flushedFrames_ >= length) {
        written = take_.flushFrames(0, length);
    } else if (flushedEnd_ <= end) {
        written = take_.flushFrames(flushedEnd_, end);
    } else {
        written = take_.flushFrames(flushedEnd_, length) && take_.flushFrames(0, end);
    }
    if (!written) {
        return;
    }
    flushedFrames_ = recorded;
    flushedEnd_ = end;
    live(header_.flushedFrames).store(recorded);
    take_.flushHeader();
}

void turnRecoveredTake(SessionMemory& memory)
{
    TakeHeader& header = memory.take()->header();
    if (live(header.phase).load() != TakeHeader::kRecording) {
        return;
    }
    const int32_t ringEnd = live(header.ringEnd).load();
    const bool wrapped = live(header.recordedFrames).load() >= header.trackLength;
    live(header.phase).store(TakeHeader::kTurning);
    memory.take()->flushHeader();
    if (wrapped || ringEnd >= kShortestTurnedRecording) {
        reorderRing(memory.frames(), memory.scratch(), ringEnd);
    }
    live(header.phase).store(TakeHeader::kStopped);
    memory.take()->flushAll();
    memory.take()->flushHeader();
}

}  // namespace brenvik
