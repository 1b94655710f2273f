// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "session_memory.h"
#include "stopping_thread.h"
#include "take_file.h"

namespace brenvik {

// Keeps a session's take file telling the truth: its header follows the recording (the audio
// thread's part is atomic stores only), and once a second a thread of its own writes the frames
// recorded since the last time, then the header with the flushed count, to the disk, so that a
// power cut loses about a second at most. A killed process loses nothing: the frames are in the
// page cache of the shared mapping.
class TakeKeeper {
public:
    static constexpr std::chrono::milliseconds kFlushInterval{1000};

    explicit TakeKeeper(TakeFile& take);
    TakeKeeper(const TakeKeeper&) = delete;
    TakeKeeper& operator=(const TakeKeeper&) = delete;

    // On the calling thread, before the input starts: a new take from source ("" the default).
    void recordingStarts(const std::string& source);
    // On the audio thread: the frames recorded so far end at ring frame ringEnd.
    void framesRecorded(int32_t ringEnd);
    // Around the turn at the stop, on the calling thread: a take caught in between is refused.
    void turning();
    void stopped();
    // A save wrote the take; a load replaced it with a file's audio.
    void saved();
    void replaced();

private:
    void flushLoop();
    void flushRecorded();

    TakeFile& take_;
    TakeHeader& header_;
    std::atomic<bool> wholeDue_{false};    // the turn rewrote the track: flush all of it
    std::atomic<bool> restartDue_{false};  // a new recording started
    // The flushing thread's own: how far the last flush reached.
    int64_t flushedFrames_ = 0;
    int32_t flushedEnd_ = 0;
    StoppingThread flusher_;  // last: its loop uses everything above
};

// Turns a take that was recording when its process ended oldest-first, as a stop would have:
// afterwards it reads as a stopped take. A stopped take is left as it is.
void turnRecoveredTake(SessionMemory& memory);

}  // namespace brenvik
