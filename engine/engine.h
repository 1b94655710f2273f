// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/wave_device.h"
#include "diagnostic_log.h"
#include "frame_range.h"
#include "session.h"
#include "session_memory.h"

namespace brenvik {

// The engine's one track and transport, behind the C interface. Each open starts a Session that
// owns the track memory and the devices until the close. Results are the platform's device error
// numbers, passed through unchanged, and kNotResponding once a device has stopped answering for
// longer than the device deadline: that device is given up, what is in the track is kept
// readable until the close, and the next open starts afresh. A device that answers but stops
// moving during a transport for the stall period has its transport given up (see isPlaying).
// Called by one thread at a time: the exports take turns.
class Engine {
public:
    using BackendFactory = Session::BackendFactory;

    // How long the engine waits for any one device call before it gives the device up.
    static constexpr std::chrono::milliseconds kDeviceDeadline{3000};
    // How long a running transport's device may stand still before the transport is given up.
    static constexpr std::chrono::milliseconds kStallPeriod{3000};

    // makeBackend is asked for a back end at each open.
    explicit Engine(BackendFactory makeBackend,
                    std::chrono::milliseconds deviceDeadline = kDeviceDeadline,
                    std::chrono::milliseconds stallPeriod = kStallPeriod);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Allocates the track and opens the output then the input device. A track that cannot be
    // had gives kNoMemory with no device opened. A failing output open returns its error with
    // the memory allocated and the input side untouched; a failing input open shows as the
    // error of preparing the second record header. What open throws (no thread or memory to be
    // had) leaves the engine closed, ready to be opened again.
    //
    // The track is kept in a take file of the take folder (TakeFile), unless the track is to
    // be kept in memory only, or no take file can be made there: then it is in memory.
    int32_t open(int32_t trackLength, bool logging);
    // Opens the engine on the unsaved take at path, with its track length, the take turned
    // oldest-first when it was still recording; kTakeRefused, with the engine closed, when the
    // file is no such take or another engine holds it. Otherwise as open.
    int32_t openTake(const std::string& path, bool logging);
    static constexpr int32_t kTakeRefused = -1;

    // Where the tracks of the opens that follow are kept: in memory only, or in a take file.
    void keepTrackInMemory(bool inMemory) { inMemoryOnly_ = inMemory; }
    enum class TrackStore { kNone, kFile, kMemory, kFellBack };
    // Where the open track is: kFellBack when a take file was wanted but could not be made.
    TrackStore trackStore() const { return session_ ? store_ : TrackStore::kNone; }
    // A save wrote the track; a load replaced it with a file's audio. The take file, if any,
    // notes it.
    void trackSaved();
    void trackReplaced();
    // Stops a running transport, closes both devices and frees the memory; returns the input
    // close's result. Closing an engine that holds no memory only logs "CloseLib\n" and
    // returns 0.
    int32_t close();

    // The open track; an empty one while the engine is closed.
    SessionMemory& track() { return session_ ? session_->track() : noTrack_; }
    const DiagnosticLog& log() const { return *log_; }
    void clearTrack(FrameRange range);

    // Play and record refuse with kStillPlaying, changing nothing, while a recording runs or a
    // playback still plays; a playback that has ended by itself may be followed by another.

    // Plays the range as one buffer; IsPlaying drops when it has played.
    int32_t play(FrameRange range);
    // Records into the track as an endless ring of its two halves.
    int32_t record();
    // Ends either transport; a recording's ring is rotated so the track reads oldest-first.
    // kNotResponding when the transport's device had stopped moving (see isPlaying).
    int32_t stop();
    // Recording: the ring frame written next. Otherwise the frames played since the last stop.
    int32_t position();
    // Whether a transport is active. It drops when a playback has played, and also when the
    // device of a running transport has not moved for the stall period (a sound server that
    // died): the transport is then given up and the next stop reports it.
    bool isPlaying() { return session_ && session_->isPlaying(); }

    // The sources of the open back end; kInvalidHandle while the engine is closed.
    int32_t listSources(std::vector<device::SourceInfo>& sources);
    // Chooses the source recordings use (empty: the default one); see Session::selectSource.
    // kInvalidHandle while the engine is closed. The choice is kept across closing and opening
    // while the source still exists; otherwise the next open goes back to the default.
    int32_t selectSource(const std::string& name);
    // The programs playing into the output the chosen source monitors; kInvalidHandle while the
    // engine is closed.
    int32_t sourcePlayers(std::vector<int32_t>& processes);
    // The input lost during the last recording (see Session::lostInput).
    const std::vector<FrameRange>& lostInput() const;
    // The ring position the last stopped recording was turned by, or -1 (Session::ringTurn).
    int32_t ringTurn() const;
    // Where the last recording moved to another source (see Session::sourceChanges).
    const std::vector<Session::SourceChange>& sourceChanges() const;

private:
    // Opens the devices on a session over memory; see open.
    int32_t start(SessionMemory memory);
    // The track of a new open, in a take file where one is wanted and can be made.
    bool allocateTrack(SessionMemory& memory, int32_t trackLength);
    // The session's take keeper, or null.
    TakeKeeper* takeKeeper() { return session_ ? session_->takeKeeper() : nullptr; }

    const std::shared_ptr<DiagnosticLog> log_ = std::make_shared<DiagnosticLog>();
    const BackendFactory makeBackend_;
    const std::chrono::milliseconds deviceDeadline_;
    const std::chrono::milliseconds stallPeriod_;
    SessionMemory noTrack_;
    std::string chosenSource_;
    bool inMemoryOnly_ = false;
    TrackStore store_ = TrackStore::kNone;
    std::unique_ptr<Session> session_;
};

}  // namespace brenvik
