// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace brenvik {

// Turns at the engine for callers on several threads: a caller takes the engine alone, or
// beside other readers, waiting at most a limit for its turn. Every wait is for a condition
// under one mutex, which is never held while the caller works.
class CallTurns {
public:
    enum class Kind { kAlone, kBesideReaders };

    // Holds a turn for a scope; taken() tells whether it came within the limit.
    class Turn {
    public:
        Turn(CallTurns& turns, Kind kind, std::chrono::milliseconds limit);
        ~Turn();
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

        bool taken() const { return taken_; }

    private:
        CallTurns& turns_;
        const Kind kind_;
        bool taken_;
    };

private:
    bool take(Kind kind, std::chrono::milliseconds limit);
    void give(Kind kind);

    std::mutex mutex_;
    std::condition_variable changed_;
    int readers_ = 0;     // guarded by mutex_
    bool alone_ = false;  // guarded by mutex_
};

}  // namespace brenvik
