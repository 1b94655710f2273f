#include "engine.h"

namespace brenvik {

Engine::Engine(BackendFactory makeBackend) : makeBackend_(std::move(makeBackend)) {}

Engine::~Engine()
{
    // A client that never closed gets its devices stopped, but nothing logged on its behalf.
    log_.setEnabled(false);
    close();
}

device::WaveOutput& Engine::output()
{
    return output_ ? *output_ : closedDevice_;
}

device::WaveInput& Engine::input()
{
    return input_ ? *input_ : closedDevice_;
}

void Engine::logIf(int32_t result, const char* message) const
{
    if (result != device::kNoError) {
        log_.write(message);
    }
}

void Engine::pointHeader(device::WaveHeader& header, std::span<std::byte> bytes)
{
    header.data = bytes.data();
    header.bufferLength = static_cast<uint32_t>(bytes.size());
    header.flags = 0;
}

int32_t Engine::open(int32_t trackLength, bool logging)
{
    if (!memory_.empty()) {
        close();
    }
    log_.setEnabled(logging);
    log_.write("OpenLib\n");
    // All memory comes first, so that a track that cannot be had leaves no device open.
    if (!memory_.allocate(trackLength)) {
        return device::kNoMemory;
    }
    if (const int32_t result = openOutputSide(); result != device::kNoError) {
        return result;
    }
    return openInputSide();
}

int32_t Engine::openOutputSide()
{
    log_.write("waveOpenOut\n");
    deviceActive_.store(0);
    backend_ = makeBackend_();
    const int32_t result = backend_->openOutput(&Engine::outputCallback, this, output_);
    logIf(result, "Err: waveOutOpen\n");
    pointHeader(playHeader_, std::as_writable_bytes(memory_.frames()));
    return result;
}

int32_t Engine::openInputSide()
{
    log_.write("waveOpenIn\n");
    logIf(backend_->openInput(&Engine::inputCallback, this, input_), "Err: waveInOpen\n");
    pointRecordHeaders();
    logIf(input().prepare(recordHeaderA_), "Err:waveInPrepareHeader\n");
    const int32_t result = input().prepare(recordHeaderB_);
    logIf(result, "Err:waveInPrepareHeader\n");
    return result;
}

// The record ring: A over the first half of the track's bytes, B over the second half.
void Engine::pointRecordHeaders()
{
    const std::span<std::byte> bytes = std::as_writable_bytes(memory_.frames());
    const std::size_t half = bytes.size() / 2;
    pointHeader(recordHeaderA_, bytes.first(half));
    pointHeader(recordHeaderB_, bytes.subspan(half));
}

int32_t Engine::close()
{
    log_.write("CloseLib\n");
    if (memory_.empty()) {
        return device::kNoError;
    }
    haltTransport();
    closeOutputSide();
    const int32_t result = closeInputSide();
    backend_.reset();
    memory_ = TrackMemory();
    logIf(result, "Err:CloseLib\n");
    return result;
}

// A transport still running when the engine closes is stopped first, so that no device
// writes into or reads from memory about to be freed.
void Engine::haltTransport()
{
    deviceActive_.store(0);
    if (transportMode_ == kRecording) {
        logIf(input().reset(), "Err:waveInReset\n");
    }
    transportMode_ = kIdle;
}

void Engine::closeOutputSide()
{
    log_.write("waveCloseOut\n");
    logIf(output().reset(), "Err: waveOutReset\n");
    logIf(output().close(), "Err: waveOutClose\n");
    output_.reset();
}

int32_t Engine::closeInputSide()
{
    log_.write("waveCloseIn\n");
    logIf(input().unprepare(recordHeaderA_), "Err:waveInUnprepareHeader\n");
    logIf(input().unprepare(recordHeaderB_), "Err:waveInUnprepareHeader\n");
    const int32_t result = input().close();
    logIf(result, "Err: waveInClose\n");
    input_.reset();
    return result;
}

void Engine::clearTrack(FrameRange range)
{
    log_.write("deleteBuf\n");
    memory_.clear(range);
}

}  // namespace brenvik
