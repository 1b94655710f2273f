// SPDX-License-Identifier: GPL-3.0-or-later
#include "call_turns.h"

namespace brenvik {

CallTurns::Turn::Turn(CallTurns& turns, Kind kind, std::chrono::milliseconds limit)
    : turns_(turns),
      kind_(kind),
      taken_(turns.take(kind, limit))
{}

CallTurns::Turn::~Turn()
{
    if (taken_) {
        turns_.give(kind_);
    }
}

bool CallTurns::take(Kind kind, std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    if (kind == Kind::kBesideReaders) {
        if (!changed_.wait_for(lock, limit, [this] { return !alone_; })) {
            return false;
        }
        ++readers_;
        return true;
    }
    if (!changed_.wait_for(lock, limit, [this] { return !alone_ && readers_ == 0; })) {
        return false;
    }
    alone_ = true;
    return true;
}

void CallTurns::give(Kind kind)
{
    {
        const std::lock_guard lock(mutex_);
        if (kind == Kind::kBesideReaders) {
            --readers_;
        } else {
            alone_ = false;
        }
    }
    changed_.notify_all();
}

}  // namespace brenvik
