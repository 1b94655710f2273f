#include "engine.h"
#include "ring_reorder.h"

namespace brenvik {

namespace {
// A recording that stops before this many frames without wrapping is not turned.
constexpr int32_t kShortestTurnedRecording = 10;
}  // namespace

int32_t Engine::play(FrameRange range)
{
    log_.write("Play\n");
    // A playback that was never stopped may still own the header; it is not pointed elsewhere
    // under the device's feet (queuing it again then fails with kStillPlaying).
    const bool headerMayBeQueued = transportMode_ == kPlaying && isPlaying();
    transportMode_ = kPlaying;
    deviceActive_.store(1);
    if (!headerMayBeQueued) {
        pointHeader(playHeader_, std::as_writable_bytes(memory_.frames(range)));
    }
    logIf(output().prepare(playHeader_), "Err:waveOutPrepareHeader\n");
    const int32_t result = output().write(playHeader_);
    logIf(result, "Err:waveOutWrite\n");
    return result;
}

int32_t Engine::record()
{
    log_.write("Record\n");
    transportMode_ = kRecording;
    newestRecordedFrame_.store(0);
    ringWrapped_.store(false);
    deviceActive_.store(1);
    logIf(input().addBuffer(recordHeaderA_), "Err:waveInAddBuffer\n");
    logIf(input().addBuffer(recordHeaderB_), "Err:waveInAddBuffer\n");
    const int32_t result = input().start();
    logIf(result, "Err:waveInStart\n");
    return result;
}

int32_t Engine::stop()
{
    log_.write("Stop\n");
    // Cleared before any device call, so that the input callback stops queuing the halves.
    deviceActive_.store(0);
    int32_t result = device::kNoError;
    if (transportMode_ == kRecording) {
        // The reset sets the frame count back to 0, so the ring position is taken before it.
        int32_t ringPosition = position();
        result = input().reset();
        logIf(result, "Err:waveInReset\n");
        if (result == device::kNoError) {
            // The card runs on between the query and the reset, and it may have filled a half
            // that was no longer queued again: the oldest audio starts where the newest audio
            // really ends, which the headers handed back (the last ones by the reset) tell.
            ringPosition = newestRecordedFrame_.load();
        }
        // A recording of fewer than 10 frames is left where it is; once the ring has wrapped it
        // is always turned, or up to 9 of the newest frames would stay ahead of the oldest.
        const bool worthTurning = ringWrapped_.load() || ringPosition >= kShortestTurnedRecording;
        if (!memory_.empty() && worthTurning) {
            reorderRing(memory_.frames(), memory_.scratch(), ringPosition);
        }
    } else {
        logIf(output().reset(), "Err:waveOutReset\n");
        result = output().unprepare(playHeader_);
        logIf(result, "Err:waveOutUnPrepareHeader\n");
    }
    transportMode_ = kIdle;
    return result;
}

int32_t Engine::position()
{
    uint32_t frames = 0;
    if (transportMode_ == kRecording) {
        input().position(frames);
        return memory_.empty() ? 0 : static_cast<int32_t>(frames % memory_.length());
    }
    output().position(frames);
    return static_cast<int32_t>(frames);
}

void Engine::noteRecordedEnd(const device::WaveHeader& header)
{
    if (header.bytesRecorded == 0 || memory_.empty()) {
        return;
    }
    if (&header == &recordHeaderB_ && header.bytesRecorded == header.bufferLength) {
        ringWrapped_.store(true);  // the second half is full: every frame was written once
    }
    const std::byte* ring = std::as_bytes(memory_.frames()).data();
    const auto endByte = static_cast<int64_t>(header.data - ring) + header.bytesRecorded;
    newestRecordedFrame_.store(static_cast<int32_t>(endByte / kBytesPerFrame % memory_.length()));
}

void Engine::outputCallback(void* context, uint32_t message, device::WaveHeader*)
{
    if (message == device::kOutputDone) {
        static_cast<Engine*>(context)->deviceActive_.store(0);
    }
}

void Engine::inputCallback(void* context, uint32_t message, device::WaveHeader* header)
{
    Engine& engine = *static_cast<Engine*>(context);
    switch (message) {
    case device::kInputOpen:
        engine.log_.write("WaveInProc:WIM_OPEN\n");
        break;
    case device::kInputClose:
        engine.log_.write("WaveInProc:WIM_CLOSE\n");
        break;
    case device::kInputData:
        engine.log_.write("WaveInProc:WIM_DATA\n");
        engine.noteRecordedEnd(*header);
        if (engine.deviceActive_.load() != 0) {
            engine.log_.write("WaveInProc:WIM_DATA:Adding Buffer\n");
            engine.input().addBuffer(*header);
        }
        break;
    default:
        break;
    }
}

}  // namespace brenvik
