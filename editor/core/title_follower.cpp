// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <utility>

#include "title_follower.h"

std::vector<TitleMark> marksInTurnedTrack(const std::vector<TitleStamp>& stamps, int64_t total,
                                          int32_t ring, int32_t turn)
{
    // The turned track's last frame is the recording's last: recorded frame s is track frame
    // s + ring - total, which is before the track's start when the ring overwrote it.
    const int64_t shift = turn < 0 ? 0 : int64_t(ring) - total;
    std::vector<TitleMark> marks;
    for (const TitleStamp& stamp : stamps) {
        const int64_t frame = stamp.recorded + shift;
        if (frame < 0 || frame >= ring) continue;
        marks.push_back(
            {int32_t(frame), stamp.announced.artist, stamp.announced.title, stamp.announced.album});
    }
    return marks;
}

void TitleFollower::begin(int32_t ringFrames)
{
    ringFrames_ = ringFrames;
    lastPosition_ = 0;
    recorded_ = 0;
    stamps_.clear();
    players_.clear(ringFrames > 0 ? recordedPlayers() : std::vector<int32_t>{});
}

std::vector<int32_t> TitleFollower::recordedPlayers() const
{
    std::vector<int32_t> processes(size_t(std::max(engine_.GetSourcePlayers(nullptr, 0), 0)));
    const int32_t count = engine_.GetSourcePlayers(processes.data(), int32_t(processes.size()));
    processes.resize(size_t(std::clamp<int32_t>(count, 0, int32_t(processes.size()))));
    return processes;
}

int64_t TitleFollower::recordedAt(int32_t position) const
{
    return recorded_ + (position - lastPosition_ + ringFrames_) % ringFrames_;
}

void TitleFollower::follow(int32_t position)
{
    if (ringFrames_ == 0 || position < 0 || position >= ringFrames_) return;
    recorded_ = recordedAt(position);
    lastPosition_ = position;
}

void TitleFollower::playerChanged(const PlayerReport& report)
{
    if (ringFrames_ == 0) return;
    const std::optional<Announcement> now = players_.update(report);
    if (!now) return;
    const int32_t position = engine_.GetPosition();
    const bool inRing = position >= 0 && position < ringFrames_;
    stamps_.push_back({inRing ? recordedAt(position) : recorded_, *now});
}

std::vector<TitleMark> TitleFollower::stopped(int32_t turn)
{
    const int32_t ring = std::exchange(ringFrames_, 0);
    if (ring == 0) return {};
    // The frames the card moved after the last pass end where the ring was turned.
    const int64_t total =
        turn < 0 ? recorded_ : recorded_ + (turn - recorded_ % ring + ring) % ring;
    return marksInTurnedTrack(stamps_, total, ring, turn);
}
