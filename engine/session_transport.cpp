// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <utility>

#include "ring_reorder.h"
#include "session.h"

namespace brenvik {

namespace {
// A recording that stops before this many frames without wrapping is not turned.
constexpr int32_t kShortestTurnedRecording = 10;
}  // namespace

// A recording runs until it is stopped; a playback until it has played or is stopped.
bool Session::transportRunning() const
{
    return transportMode_ == kRecording || deviceActive_.load() != 0;
}

bool Session::isPlaying()
{
    if (deviceActive_.load() != 0 && stallWatch_.readingDue(StallWatch::Clock::now())) {
        watchTransport(frameCount(transportMode_ == kRecording));
    }
    return deviceActive_.load() != 0;
}

// A transport that failed to start is not watched: it keeps reporting itself active until it
// is stopped, as the device layer reports it.
void Session::startWatching(int32_t startResult)
{
    if (startResult == device::kNoError) {
        stallWatch_.arm(StallWatch::Clock::now());
    }
}

void Session::watchTransport(std::optional<uint32_t> frames)
{
    if (!stallWatch_.armed() || deviceActive_.load() == 0 ||
        !stallWatch_.stalled(frames, StallWatch::Clock::now())) {
        return;
    }
    log_->write("Err:device stopped moving\n");
    stallWatch_.disarm();
    deviceLost_ = true;
    deviceActive_.store(0);
}

int32_t Session::play(FrameRange range)
{
    if (transportRunning()) {
        return device::kStillPlaying;
    }
    transportMode_ = kPlaying;
    deviceActive_.store(1);
    const std::span<std::byte> bytes = std::as_writable_bytes(memory_.frames(range));
    logIf(call([this, bytes] {
              pointHeader(playHeader_, bytes);
              return output().prepare(playHeader_);
          }),
          "Err:waveOutPrepareHeader\n");
    const int32_t result = call([this] { return output().write(playHeader_); });
    logIf(result, "Err:waveOutWrite\n");
    startWatching(result);
    return result;
}

int32_t Session::record(const std::string& source)
{
    if (transportRunning()) {
        return device::kStillPlaying;
    }
    if (takeKeeper_) {
        takeKeeper_->recordingStarts(source);
    }
    transportMode_ = kRecording;
    lastRingPosition_ = 0;
    recordedFrames_ = 0;
    lostInput_.clear();
    ringTurn_ = -1;
    sourceChanges_.clear();
    newestRecordedFrame_.store(0);
    ringWrapped_.store(false);
    deviceActive_.store(1);
    logIf(call([this] { return input().addBuffer(recordHeaderA_); }), "Err:waveInAddBuffer\n");
    logIf(call([this] { return input().addBuffer(recordHeaderB_); }), "Err:waveInAddBuffer\n");
    const int32_t result = call([this] { return input().start(); });
    logIf(result, "Err:waveInStart\n");
    startWatching(result);
    return result;
}

int32_t Session::stop()
{
    // Cleared before any device call, so that the input callback stops queuing the halves.
    deviceActive_.store(0);
    stallWatch_.disarm();
    const int32_t result = transportMode_ == kRecording ? stopRecording() : stopPlayback();
    transportMode_ = kIdle;
    return std::exchange(deviceLost_, false) ? device::kNotResponding : result;
}

int32_t Session::stopRecording()
{
    // The reset sets the frame count back to 0, so the ring position is taken before it. A
    // device that does not answer leaves the position read last.
    int32_t ringPosition = position();
    const int32_t result = call([this] { return input().reset(); });
    logIf(result, "Err:waveInReset\n");
    if (result == device::kNoError) {
        // The card runs on between the query and the reset, and it may have filled a half
        // that was no longer queued again: the oldest audio starts where the newest audio
        // really ends, which the headers handed back (the last ones by the reset) tell.
        ringPosition = newestRecordedFrame_.load();
    }
    // A recording of fewer than 10 frames is left where it is; once the ring has wrapped it
    // is always turned, or up to 9 of the newest frames would stay ahead of the oldest.
    const bool turned = ringWrapped_.load() || ringPosition >= kShortestTurnedRecording;
    if (takeKeeper_) {
        takeKeeper_->turning();
    }
    if (turned) {
        reorderRing(memory_.frames(), memory_.scratch(), ringPosition);
        ringTurn_ = ringPosition;
    }
    if (takeKeeper_) {
        takeKeeper_->stopped();
    }
    placeInputNotes(ringPosition, turned);
    return result;
}

void Session::placeInputNotes(int32_t ringPosition, bool turned)
{
    if (call([this] {
            lostStretches_ = input().lostStretches();
            sourceMoves_ = input().sourceMoves();
            return device::kNoError;
        }) != device::kNoError) {
        return;
    }
    placeLostInput(ringPosition, turned);
    placeSourceChanges(ringPosition, turned);
}

int64_t Session::trackFrameOf(int64_t deviceFrame, int32_t ringPosition, bool turned) const
{
    const int64_t length = memory_.length();
    const int64_t ringFrame = deviceFrame % length;
    return turned ? (ringFrame - ringPosition + length) % length : ringFrame;
}

void Session::placeSourceChanges(int32_t ringPosition, bool turned)
{
    const int64_t end = recordedFrames_;
    for (const device::SourceMove& move : sourceMoves_) {
        // A move the ring holds nothing from before is no change within the take.
        if (move.firstFrame <= end - memory_.length()) {
            continue;
        }
        sourceChanges_.push_back(
            {trackFrameOf(move.firstFrame, ringPosition, turned), move.from, move.to});
    }
}

void Session::placeLostInput(int32_t ringPosition, bool turned)
{
    const int64_t length = memory_.length();
    // The frame count at the stop, near enough: frames the card moved between that query and
    // the reset are the newest of the turned track, so a stretch among them ends at its end.
    const int64_t end = recordedFrames_;
    for (const device::LostStretch& stretch : lostStretches_) {
        // Only what the ring still holds: the newest track length of frames.
        const int64_t first = std::max<int64_t>(stretch.firstFrame, end - length);
        const int64_t last = int64_t{stretch.firstFrame} + stretch.frames;
        if (first >= last) {
            continue;
        }
        const int64_t at = trackFrameOf(first, ringPosition, turned);
        lostInput_.push_back({at, std::min(length, at + last - first)});
    }
    std::sort(lostInput_.begin(), lostInput_.end(),
              [](const FrameRange& a, const FrameRange& b) { return a.from < b.from; });
}

int32_t Session::stopPlayback()
{
    logIf(call([this] { return output().reset(); }), "Err:waveOutReset\n");
    const int32_t result = call([this] { return output().unprepare(playHeader_); });
    logIf(result, "Err:waveOutUnPrepareHeader\n");
    return result;
}

int32_t Session::position()
{
    const bool recording = transportMode_ == kRecording;
    const std::optional<uint32_t> frames = frameCount(recording);
    watchTransport(frames);
    if (!recording) {
        return static_cast<int32_t>(frames.value_or(0));
    }
    if (frames) {
        recordedFrames_ = *frames;
        lastRingPosition_ = static_cast<int32_t>(*frames % memory_.length());
    }
    return lastRingPosition_;
}

void Session::noteRecordedEnd(const device::WaveHeader& header)
{
    if (header.bytesRecorded == 0) {
        return;
    }
    if (&header == &recordHeaderB_ && header.bytesRecorded == header.bufferLength) {
        ringWrapped_.store(true);  // the second half is full: every frame was written once
    }
    const std::byte* ring = std::as_bytes(memory_.frames()).data();
    const auto endByte = static_cast<int64_t>(header.data - ring) + header.bytesRecorded;
    const auto end = static_cast<int32_t>(endByte / kBytesPerFrame % memory_.length());
    newestRecordedFrame_.store(end);
    if (takeKeeper_) {
        takeKeeper_->framesRecorded(end);
    }
}

void Session::outputCallback(void* context, uint32_t message, device::WaveHeader*)
{
    if (message == device::kOutputDone) {
        static_cast<Session*>(context)->deviceActive_.store(0);
    }
}

void Session::inputCallback(void* context, uint32_t message, device::WaveHeader* header)
{
    Session& session = *static_cast<Session*>(context);
    switch (message) {
        case device::kInputOpen: session.log_->write("WaveInProc:WIM_OPEN\n"); break;
        case device::kInputClose: session.log_->write("WaveInProc:WIM_CLOSE\n"); break;
        case device::kInputData:
            session.log_->write("WaveInProc:WIM_DATA\n");
            session.noteRecordedEnd(*header);
            if (session.deviceActive_.load() != 0) {
                session.log_->write("WaveInProc:WIM_DATA:Adding Buffer\n");
                session.input().addBuffer(*header);
            }
            break;
        case device::kInputMoved: session.noteRecordedEnd(*header); break;
        default: break;
    }
}

}  // namespace brenvik
