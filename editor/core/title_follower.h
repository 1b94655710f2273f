// SPDX-License-Identifier: GPL-3.0-or-later
// The titles the players announce while a recording runs, each stamped with the recording's
// frame at that moment, and, after Stop, placed in the track as the ring's turn left it.
#pragma once

#include <cstdint>
#include <vector>

#include "engine_binding.h"
#include "now_playing.h"
#include "title_marks.h"

// An announcement and the number of frames the recording had written when it came.
struct TitleStamp {
    int64_t recorded = 0;
    Announcement announced;
};

// Where each stamp lands in the track after a recording of total frames into a ring of ring
// frames that Stop turned at turn (GetRingTurn; -1: not turned, the track reads as recorded).
// The turned track ends with the recording's last frame; a stamp whose audio the ring has
// overwritten since is dropped.
std::vector<TitleMark> marksInTurnedTrack(const std::vector<TitleStamp>& stamps, int64_t total,
                                          int32_t ring, int32_t turn);

class TitleFollower : public PlayerListener {
public:
    explicit TitleFollower(const EngineApi& engine)
        : engine_(engine)
    {}

    // A recording starts into a ring of ringFrames, from its frame 0; 0 follows nothing. The
    // players whose sound goes to the recorded output are asked for then.
    void begin(int32_t ringFrames);
    // A pass of the follow loop with the card at ring frame position.
    void follow(int32_t position);
    // Stamped with the card's position as the report comes.
    void playerChanged(const PlayerReport& report) override;
    // The recording has stopped and the ring was turned at turn: the marks in the track.
    std::vector<TitleMark> stopped(int32_t turn);

private:
    // The frames recorded up to the card at ring frame position, counted on from the last pass.
    int64_t recordedAt(int32_t position) const;
    // The processes playing into the output the recording monitors, as the engine tells them.
    std::vector<int32_t> recordedPlayers() const;

    const EngineApi& engine_;
    int32_t ringFrames_ = 0;  // 0 while no recording is followed
    int32_t lastPosition_ = 0;
    int64_t recorded_ = 0;  // up to the last pass
    NowPlaying players_;
    std::vector<TitleStamp> stamps_;
};
