// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "deadline_caller.h"
#include "device/closed_device.h"
#include "device/wave_device.h"
#include "diagnostic_log.h"
#include "frame_range.h"
#include "session_memory.h"
#include "stall_watch.h"
#include "take_keeper.h"

namespace brenvik {

// What one open of the engine owns, from OpenLib to CloseLib: the track memory, the buffer
// headers, the back end and its two devices, the transport state and the flags the device
// callbacks touch. It is the device callbacks' context, and nothing it owns refers back to the
// engine. Every device call is made on the session's own thread under a deadline; a device that
// overruns it gives the whole session up: no device is called, closed or destroyed any more,
// each device step returns kNotResponding at once, and the track stays readable. A given-up
// session is never destroyed (retire keeps it), so a device thread that wakes up later only
// touches objects that are still alive.
//
// A device that answers but stops moving while a transport runs (its sound server died) is
// noticed by the frame counts that GetPosition and IsPlaying read: once the count has stood still
// for the stall period the transport is given up. IsPlaying drops, a recording's halves are no
// longer queued again, and the next stop ends the transport as usual (a recording's ring is
// rotated) but returns kNotResponding.
//
// The methods are called from one thread. Results are the device layer's error numbers.
class Session {
public:
    using BackendFactory = std::function<std::unique_ptr<device::WaveBackend>()>;

    // makeBackend is called on the session's thread, when open asks for the back end.
    Session(SessionMemory memory, std::shared_ptr<const DiagnosticLog> log,
            BackendFactory makeBackend, std::chrono::milliseconds deviceDeadline,
            std::chrono::milliseconds stallPeriod);
    // Only for a session that retire let go: one whose devices and back end are gone.
    ~Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the output then the input device. A failing output open returns its error with the
    // input side untouched; a failing input open shows as the error of preparing the second
    // record header.
    int32_t open();
    // Stops a running transport and closes both devices; the input close's result, or
    // kNotResponding when a device was given up.
    int32_t close();
    // Destroys a session whose devices and back end can be destroyed within the deadline, and
    // keeps any other for the rest of the process, never destroyed, not even at exit.
    static void retire(std::unique_ptr<Session> session);

    SessionMemory& track() { return memory_; }
    // What keeps the take file of a track kept in one; null for a track in memory.
    TakeKeeper* takeKeeper() { return takeKeeper_.get(); }

    // PlayWav, RecordWav, StopWav, GetPosition and IsPlaying; see Engine.
    int32_t play(FrameRange range);
    // A recording from source (its name, "" the default), which a take file notes.
    int32_t record(const std::string& source = {});
    int32_t stop();
    int32_t position();
    bool isPlaying();

    // The sources the back end can record from (see WaveBackend::listSources).
    int32_t listSources(std::vector<device::SourceInfo>& sources);
    // Records from the source of that name from the next recording on (empty: the default
    // one): kNoError, kBadDeviceId when the back end lists none of that name (the choice stays
    // as it was), kStillPlaying while a transport runs, or the error of a listing that failed.
    int32_t selectSource(const std::string& name);
    // The programs playing into the output the source of that name monitors (empty: the
    // default source); see WaveBackend::sourcePlayers.
    int32_t sourcePlayers(const std::string& source, std::vector<int32_t>& processes);
    // The input lost during the last recording, in frames of the track as the stop left it,
    // oldest first; empty after a recording that lost nothing.
    const std::vector<FrameRange>& lostInput() const { return lostInput_; }
    // The ring position the last stopped recording was turned by (the frame that became the
    // first), or -1 when that recording was not turned or none has been stopped.
    int32_t ringTurn() const { return ringTurn_; }
    // Where the last recording moved from one source to another (the sound server moved it when
    // its source went away), in frames of the track as the stop left it, oldest first; only
    // moves the ring still holds audio from both sides of.
    struct SourceChange {
        int64_t frame;
        std::string from;
        std::string to;
    };
    const std::vector<SourceChange>& sourceChanges() const { return sourceChanges_; }

private:
    enum TransportMode : int32_t { kIdle = 0, kPlaying = 1, kRecording = 2 };

    static void outputCallback(void* context, uint32_t message, device::WaveHeader* header);
    static void inputCallback(void* context, uint32_t message, device::WaveHeader* header);

    // The devices, or the closed stand-in; used on the session's thread and by the callbacks.
    device::WaveOutput& output();
    device::WaveInput& input();
    // Runs a device call on the session's thread, waiting at most the deadline.
    int32_t call(std::function<int32_t()> deviceCall) { return caller_.run(std::move(deviceCall)); }
    // The device's frame count; none when the query failed.
    std::optional<uint32_t> frameCount(bool ofInput);
    // Takes what the input device noted during the recording and places it in the track as
    // turned by ringPosition: the stretches it lost and its moves to other sources.
    void placeInputNotes(int32_t ringPosition, bool turned);
    void placeLostInput(int32_t ringPosition, bool turned);
    void placeSourceChanges(int32_t ringPosition, bool turned);
    // Where a frame of the input's count lies in the track so turned.
    int64_t trackFrameOf(int64_t deviceFrame, int32_t ringPosition, bool turned) const;
    // Destroys the devices, then the back end; kNotResponding when that overran the deadline.
    int32_t dismantle();

    int32_t openOutputSide();
    int32_t openInputSide();
    void haltTransport();
    void closeOutputSide();
    int32_t closeInputSide();
    bool transportRunning() const;
    void startWatching(int32_t startResult);
    // Gives the transport up when the device's frame count has stood still for the stall period.
    void watchTransport(std::optional<uint32_t> frames);
    int32_t stopRecording();
    int32_t stopPlayback();
    static void pointHeader(device::WaveHeader& header, std::span<std::byte> bytes);
    void pointRecordHeaders();
    void logIf(int32_t result, const char* message) const;
    // Called with each record header handed back: remembers the ring frame after its last
    // recorded byte, which is where the newest audio ends.
    void noteRecordedEnd(const device::WaveHeader& header);

    SessionMemory memory_;
    // After the memory, so that it stops flushing before the file goes.
    const std::unique_ptr<TakeKeeper> takeKeeper_;
    const std::shared_ptr<const DiagnosticLog> log_;
    const BackendFactory makeBackend_;
    int32_t transportMode_ = kIdle;  // the calling thread's only
    int32_t lastRingPosition_ = 0;   // the calling thread's only: the last ring position read
    StallWatch stallWatch_;          // the calling thread's only
    bool deviceLost_ = false;        // the calling thread's only: the watch gave the transport up
    std::atomic<uint8_t> deviceActive_{0};
    std::atomic<int32_t> newestRecordedFrame_{0};  // written by the input callback
    std::atomic<bool> ringWrapped_{false};         // written by the input callback
    // Once constructed, the headers and the device pointers below are touched only on the
    // session's thread, by the devices and by their callbacks.
    device::WaveHeader playHeader_;
    device::WaveHeader recordHeaderA_;
    device::WaveHeader recordHeaderB_;
    uint32_t queriedFrames_ = 0;  // read only once the query has returned in time
    std::vector<device::SourceInfo> listedSources_;   // read only once listed in time
    std::vector<int32_t> listedPlayers_;              // the same for sourcePlayers
    std::vector<device::LostStretch> lostStretches_;  // read only once taken in time
    std::vector<device::SourceMove> sourceMoves_;     // read only once taken in time
    uint32_t recordedFrames_ = 0;        // the calling thread's only: the input's last frame count
    std::vector<FrameRange> lostInput_;  // the calling thread's only
    int32_t ringTurn_ = -1;              // the calling thread's only
    std::vector<SourceChange> sourceChanges_;  // the calling thread's only
    device::ClosedOutput closedOutput_;
    device::ClosedInput closedInput_;
    std::unique_ptr<device::WaveBackend> backend_;
    std::unique_ptr<device::WaveOutput> output_;
    std::unique_ptr<device::WaveInput> input_;
    // The session given up before this one, while this one is kept: keeping needs no memory.
    std::unique_ptr<Session> keptBefore_;
    // Last, so that it goes first: its thread is joined before anything it may touch goes.
    DeadlineCaller caller_;
};

}  // namespace brenvik
