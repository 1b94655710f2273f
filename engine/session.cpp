// SPDX-License-Identifier: GPL-3.0-or-later
#include "session.h"

#include <memory>
#include <mutex>

namespace brenvik {

namespace {

// Sessions given up on a device that stopped answering, kept until the process ends: the
// newest, which holds the one before it, and so on. The list lives in static storage that is
// never destroyed, not even at exit: a device thread may wake up at any time and touch what
// its session owns, and LeakSanitizer sees the sessions as reachable rather than leaked.
struct KeptSessions {
    std::mutex mutex;
    std::unique_ptr<Session> newest;
};

KeptSessions& keptSessions()
{
    alignas(KeptSessions) static std::byte storage[sizeof(KeptSessions)];
    static KeptSessions* const kept = std::construct_at(reinterpret_cast<KeptSessions*>(storage));
    return *kept;
}

}  // namespace

Session::Session(SessionMemory memory, std::shared_ptr<const DiagnosticLog> log,
                 BackendFactory makeBackend, std::chrono::milliseconds deviceDeadline,
                 std::chrono::milliseconds stallPeriod)
    : memory_(std::move(memory)),
      takeKeeper_(memory_.take() ? std::make_unique<TakeKeeper>(*memory_.take()) : nullptr),
      log_(std::move(log)),
      makeBackend_(std::move(makeBackend)),
      stallWatch_(stallPeriod),
      caller_(deviceDeadline)
{
    pointHeader(playHeader_, std::as_writable_bytes(memory_.frames()));
    pointRecordHeaders();
}

void Session::retire(std::unique_ptr<Session> session)
{
    if (!session || session->dismantle() == device::kNoError) {
        return;  // destroyed here, its thread joined
    }
    KeptSessions& kept = keptSessions();
    std::lock_guard lock(kept.mutex);
    session->keptBefore_ = std::move(kept.newest);
    kept.newest = std::move(session);
}

device::WaveOutput& Session::output()
{
    return output_ ? *output_ : closedOutput_;
}

device::WaveInput& Session::input()
{
    return input_ ? *input_ : closedInput_;
}

std::optional<uint32_t> Session::frameCount(bool ofInput)
{
    const int32_t result = call([this, ofInput] {
        const auto query = [this](device::WaveDevice& device) {
            return device.position(queriedFrames_);
        };
        return ofInput ? query(input()) : query(output());
    });
    // A query that overran is still under way: its frame count is never read.
    return result == device::kNoError ? std::optional(queriedFrames_) : std::nullopt;
}

int32_t Session::dismantle()
{
    return call([this] {
        input_.reset();
        output_.reset();
        backend_.reset();
        return device::kNoError;
    });
}

void Session::logIf(int32_t result, const char* message) const
{
    if (result != device::kNoError) {
        log_->write(message);
    }
}

void Session::pointHeader(device::WaveHeader& header, std::span<std::byte> bytes)
{
    header.data = bytes.data();
    header.bufferLength = static_cast<uint32_t>(bytes.size());
    header.flags = 0;
}

// The record ring: A over the first half of the track's frames (rounded down), B over the rest.
// Both halves end on a frame, so no frame is ever left with one half from a newer pass.
void Session::pointRecordHeaders()
{
    const std::span<Frame> frames = memory_.frames();
    const std::size_t half = frames.size() / 2;
    pointHeader(recordHeaderA_, std::as_writable_bytes(frames.first(half)));
    pointHeader(recordHeaderB_, std::as_writable_bytes(frames.subspan(half)));
}

int32_t Session::open()
{
    if (const int32_t result = openOutputSide(); result != device::kNoError) {
        return result;
    }
    return openInputSide();
}

int32_t Session::openOutputSide()
{
    log_->write("waveOpenOut\n");
    const int32_t result = call([this] {
        backend_ = makeBackend_();
        return backend_->openOutput(&Session::outputCallback, this, output_);
    });
    logIf(result, "Err: waveOutOpen\n");
    return result;
}

int32_t Session::openInputSide()
{
    log_->write("waveOpenIn\n");
    logIf(call([this] { return backend_->openInput(&Session::inputCallback, this, input_); }),
          "Err: waveInOpen\n");
    if (takeKeeper_) {
        // The take file follows the recording period by period, not only half by half.
        call([this] {
            input().watchCapture(&Session::inputCallback, this);
            return device::kNoError;
        });
    }
    logIf(call([this] { return input().prepare(recordHeaderA_); }), "Err:waveInPrepareHeader\n");
    const int32_t result = call([this] { return input().prepare(recordHeaderB_); });
    logIf(result, "Err:waveInPrepareHeader\n");
    return result;
}

int32_t Session::close()
{
    haltTransport();
    closeOutputSide();
    const int32_t result = closeInputSide();
    return dismantle() == device::kNoError ? result : device::kNotResponding;
}

// A transport still running when the engine closes is stopped first, so that no device
// writes into or reads from memory about to be freed.
void Session::haltTransport()
{
    deviceActive_.store(0);
    if (transportMode_ == kRecording) {
        logIf(call([this] { return input().reset(); }), "Err:waveInReset\n");
    }
    transportMode_ = kIdle;
}

void Session::closeOutputSide()
{
    log_->write("waveCloseOut\n");
    logIf(call([this] { return output().reset(); }), "Err: waveOutReset\n");
    logIf(call([this] { return output().close(); }), "Err: waveOutClose\n");
}

int32_t Session::closeInputSide()
{
    log_->write("waveCloseIn\n");
    logIf(call([this] { return input().unprepare(recordHeaderA_); }),
          "Err:waveInUnprepareHeader\n");
    logIf(call([this] { return input().unprepare(recordHeaderB_); }),
          "Err:waveInUnprepareHeader\n");
    const int32_t result = call([this] { return input().close(); });
    logIf(result, "Err: waveInClose\n");
    return result;
}

}  // namespace brenvik
